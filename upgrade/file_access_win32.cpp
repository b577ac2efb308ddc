// Win32 file access: files open with no sharing, sizes come from the
// directory entry (FindFirstFileA), and names are lowered with the ANSI code
// page's rules. A listed name must lead to a file on disk inside the
// folder: where a link or junction leads is read from the open handle.
#include "upgrade/file_access.h"

#include "upgrade/package_name.h"

#include <windows.h>

#include <vector>

namespace {

// Directory + name as a path that stays in the directory, or false: a NUL
// would cut the path short; '*' and '?' would make FindFirstFileA match a
// pattern instead of the one file named; an absolute name or ".." above the
// folder leads out of it; and a device name (NUL, COM1, ...) names that
// device in every folder, where an open could wait forever or read nothing
// as an empty file.
bool ListedPath(const std::string& strDirectory, const std::string& strName, std::string& strPath)
{
    if (strName.find_first_of(std::string("*?\0", 3)) != std::string::npos ||
        strDirectory.find_first_of(std::string("*?\0", 3)) != std::string::npos)
        return false;
    std::vector<std::string> parts;
    if (!SplitPackageName(strName, parts))
        return false;
    strPath = strDirectory;
    for (size_t i = 0; i < parts.size(); ++i) {
        if (IsReservedDeviceName(parts[i]))
            return false;
        strPath += (i ? "\\" : "") + parts[i];
    }
    return true;
}

// The path the system reached through a handle, links and junctions
// resolved, in upper case for comparison; "" when it does not say.
std::string FinalPath(HANDLE h)
{
    char buf[MAX_PATH * 4];
    DWORD n = ::GetFinalPathNameByHandleA(h, buf, sizeof buf, FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    if (n == 0 || n >= sizeof buf)
        return "";
    std::string path(buf, n);
    ::CharUpperBuffA(path.data(), static_cast<DWORD>(path.size()));
    return path;
}

// Opens a path to learn what it is and where it leads, reading nothing and
// leaving it open to everyone else; a directory opens too.
HANDLE OpenToLookAt(const std::string& strPath)
{
    return ::CreateFileA(strPath.c_str(), FILE_READ_ATTRIBUTES,
                         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                         FILE_FLAG_BACKUP_SEMANTICS, nullptr);
}

// Whether an open file lies on a disk, in the directory or below it, once
// every link and junction on its way is followed.
bool LiesInside(const std::string& strDirectory, HANDLE hFile)
{
    if (::GetFileType(hFile) != FILE_TYPE_DISK)
        return false;
    HANDLE hFolder = OpenToLookAt(strDirectory);
    if (hFolder == INVALID_HANDLE_VALUE)
        return false;
    std::string folder = FinalPath(hFolder);
    ::CloseHandle(hFolder);
    const std::string file = FinalPath(hFile);
    if (folder.empty() || file.empty())
        return false;
    if (file == folder)
        return true;
    if (folder.back() != '\\')
        folder += '\\';
    return file.compare(0, folder.size(), folder) == 0;
}

} // namespace

FileHandle OpenFileForReading(const std::string& strDirectory, const std::string& strName, FileSharing sharing)
{
    std::string path;
    if (!ListedPath(strDirectory, strName, path))
        return InvalidFile;
    HANDLE h = ::CreateFileA(path.c_str(), GENERIC_READ, sharing == FileSharing::Readers ? FILE_SHARE_READ : 0,
                             nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return InvalidFile;
    if (!LiesInside(strDirectory, h)) {
        ::CloseHandle(h);
        return InvalidFile;
    }
    return reinterpret_cast<FileHandle>(h);
}

int ReadFileBytes(FileHandle hFile, void* pBuffer, int nCapacity, int* pnRead)
{
    *pnRead = 0;
    if (hFile == InvalidFile || nCapacity < 0)
        return 0;
    DWORD got = 0;
    if (!::ReadFile(reinterpret_cast<HANDLE>(hFile), pBuffer, static_cast<DWORD>(nCapacity), &got,
                    nullptr))
        return 0;
    *pnRead = static_cast<int>(got);
    return 1;
}

void CloseFile(FileHandle hFile)
{
    if (hFile != InvalidFile)
        ::CloseHandle(reinterpret_cast<HANDLE>(hFile));
}

int LookupFileSize(const std::string& strDirectory, const std::string& strName, uint64_t* pnSize)
{
    std::string path;
    if (!ListedPath(strDirectory, strName, path))
        return 0;
    WIN32_FIND_DATAA data;
    HANDLE h = ::FindFirstFileA(path.c_str(), &data);
    if (h == INVALID_HANDLE_VALUE)
        return 0;
    ::FindClose(h);
    // The entry gives the size; where it leads takes an open that reads
    // nothing.
    HANDLE file = OpenToLookAt(path);
    if (file == INVALID_HANDLE_VALUE)
        return 0;
    const bool inside = LiesInside(strDirectory, file);
    ::CloseHandle(file);
    if (!inside)
        return 0;
    *pnSize = (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    return 1;
}

namespace {

std::string ProgramPath()
{
    char buf[MAX_PATH];
    DWORD n = ::GetModuleFileNameA(nullptr, buf, sizeof buf);
    return std::string(buf, n < sizeof buf ? n : sizeof buf);
}

} // namespace

std::string ProgramDirectory()
{
    const std::string path = ProgramPath();
    size_t slash = path.rfind('\\');
    return slash == std::string::npos ? path : path.substr(0, slash + 1);
}

std::string ProgramFileName()
{
    const std::string path = ProgramPath();
    size_t slash = path.rfind('\\');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

void LowerCaseAnsi(std::string& str)
{
    if (!str.empty())
        ::CharLowerBuffA(str.data(), static_cast<DWORD>(str.size()));
}
