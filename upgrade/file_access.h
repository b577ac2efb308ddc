// File access for the upgrade files: the few operations the file list and
// the transfer need, defined once per platform (file_access_posix.cpp,
// file_access_win32.cpp).
#pragma once

#include <cstdint>
#include <string>

// An open file; InvalidFile marks a failed open.
using FileHandle = std::intptr_t;
inline constexpr FileHandle InvalidFile = -1;

// A name is a path relative to the directory as the configuration file
// writes it: a backslash inside it separates components on every platform.
// A name that leads out of the directory (an absolute name, ".." above it,
// a link or junction to elsewhere) or to anything but a file on disk (a
// FIFO, a device, a socket; on Windows a device name such as NUL or COM1)
// is neither found nor opened: the package does not hold it.

// Who else may open a file while it is open to be sent (Windows only; other
// systems do not lock files).
enum class FileSharing {
    // Nobody: the wizard, which sends one transfer at a time.
    None,
    // Other readers, never a writer: orvi-flash sends one package to many
    // printers at once.
    Readers,
};

// Opens directory + name for reading only, shared as asked. Only a regular
// file opens; a directory never does.
FileHandle OpenFileForReading(const std::string& strDirectory, const std::string& strName,
                              FileSharing sharing = FileSharing::None);

// Reads up to nCapacity bytes. Returns 1 with the count in *pnRead (0 at end
// of file), or 0 when the system refused the read.
int ReadFileBytes(FileHandle hFile, void* pBuffer, int nCapacity, int* pnRead);

void CloseFile(FileHandle hFile);

// Looks directory + name up in its directory entry, without opening the file.
// Returns 1 with the length in *pnSize when an entry matches (a directory
// matches too), 0 when the file is missing or is not one the package may
// hold.
int LookupFileSize(const std::string& strDirectory, const std::string& strName, uint64_t* pnSize);

// The directory of the running program, ending in the platform's separator.
std::string ProgramDirectory();
// The running program's file name, without its directory.
std::string ProgramFileName();

// Lower-cases single-byte text the way the platform does for its ANSI code
// page.
void LowerCaseAnsi(std::string& str);
