// POSIX file access. The firmware package comes from Windows: names use
// backslashes, and the list lower-cases them while the files on disk may be
// stored as BOOT.BIN or Boot.bin. Each component of a name is therefore
// matched exactly first and then without regard to case, the way the Windows
// file system would find it.
#include "upgrade/file_access.h"

#include "upgrade/package_name.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

// The entry of strDir that equals strPart without regard to ASCII case; the
// first in byte order when several do, so the choice does not depend on the
// order the file system lists them in.
bool FindCaseless(const std::string& strDir, const std::string& strPart, std::string& strFound)
{
    DIR* dir = ::opendir(strDir.empty() ? "." : strDir.c_str());
    if (!dir)
        return false;
    bool found = false;
    while (dirent* entry = ::readdir(dir)) {
        if (::strcasecmp(entry->d_name, strPart.c_str()) != 0)
            continue;
        if (!found || strFound > entry->d_name) {
            strFound = entry->d_name;
            found = true;
        }
    }
    ::closedir(dir);
    return found;
}

bool Exists(const std::string& strPath)
{
    struct stat st;
    return ::lstat(strPath.c_str(), &st) == 0;
}

// The real path (no link, no "." or "..") of an existing path, or "".
std::string RealPath(const std::string& strPath)
{
    char* real = ::realpath(strPath.empty() ? "." : strPath.c_str(), nullptr);
    if (!real)
        return "";
    std::string text = real;
    std::free(real);
    return text;
}

// Whether a real path is the folder's own real path or lies below it.
bool IsInside(const std::string& strFolder, const std::string& strReal)
{
    if (strFolder.empty() || strReal.empty())
        return false;
    if (strReal == strFolder)
        return true;
    const std::string prefix = strFolder.back() == '/' ? strFolder : strFolder + "/";
    return strReal.compare(0, prefix.size(), prefix) == 0;
}

// Directory + name as the real path of an entry inside the directory, or
// false when no entry matches or the one that does leads out of it (an
// absolute name, ".." above the folder, a link to elsewhere).
bool ResolvePath(const std::string& strDirectory, const std::string& strName, std::string& strReal)
{
    // A NUL would silently cut the name short in every system call.
    if (strName.find('\0') != std::string::npos || strDirectory.find('\0') != std::string::npos)
        return false;
    std::vector<std::string> parts;
    if (!SplitPackageName(strName, parts))
        return false;
    std::string path = strDirectory;
    for (const std::string& part : parts) {
        if (!path.empty() && path.back() != '/')
            path += '/';
        if (Exists(path + part)) {
            path += part;
            continue;
        }
        std::string found;
        if (!FindCaseless(path, part, found))
            return false;
        path += found;
    }
    const std::string real = RealPath(path);
    if (!IsInside(RealPath(strDirectory), real))
        return false;
    strReal = real;
    return true;
}

// What the file list may name: a regular file, or a directory, which is
// found and then fails to open, as on Windows. A FIFO, a device or a socket
// is not a file the package holds: opening or reading one could wait
// forever or never end.
bool IsListable(const struct stat& st)
{
    return S_ISREG(st.st_mode) || S_ISDIR(st.st_mode);
}

// The real path of an open descriptor, as the kernel has it.
std::string DescriptorPath(int fd)
{
    return RealPath("/proc/self/fd/" + std::to_string(fd));
}

} // namespace

FileHandle OpenFileForReading(const std::string& strDirectory, const std::string& strName, FileSharing)
{
    std::string real;
    if (!ResolvePath(strDirectory, strName, real))
        return InvalidFile;
    // The real path holds no link; O_NOFOLLOW and O_NONBLOCK keep whatever
    // may have been put in its place since from being followed or from
    // holding the open (a FIFO with no writer).
    int fd = ::open(real.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY);
    if (fd < 0)
        return InvalidFile;
    // Only a regular file opens; POSIX lets a directory open for reading,
    // Windows does not, and the transfer relies on a directory failing to
    // open. What opened must still lie inside the folder.
    struct stat st;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || !IsInside(RealPath(strDirectory), DescriptorPath(fd))) {
        ::close(fd);
        return InvalidFile;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    return fd;
}

int ReadFileBytes(FileHandle hFile, void* pBuffer, int nCapacity, int* pnRead)
{
    *pnRead = 0;
    if (hFile == InvalidFile || nCapacity < 0)
        return 0;
    // Fill the buffer unless the file ends first, as a read of a local file
    // does on Windows.
    auto* out = static_cast<char*>(pBuffer);
    int total = 0;
    while (total < nCapacity) {
        ssize_t n = ::read(static_cast<int>(hFile), out + total, static_cast<size_t>(nCapacity - total));
        if (n == 0)
            break;
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return 0;
        }
        total += static_cast<int>(n);
    }
    *pnRead = total;
    return 1;
}

void CloseFile(FileHandle hFile)
{
    if (hFile != InvalidFile)
        ::close(static_cast<int>(hFile));
}

int LookupFileSize(const std::string& strDirectory, const std::string& strName, uint64_t* pnSize)
{
    std::string real;
    if (!ResolvePath(strDirectory, strName, real))
        return 0;
    struct stat st;
    if (::stat(real.c_str(), &st) != 0 || !IsListable(st))
        return 0;
    *pnSize = static_cast<uint64_t>(st.st_size);
    return 1;
}

namespace {

// The running program's file with its folder, or "" when the system does
// not say.
std::string ProgramPath()
{
    std::vector<char> buf(PATH_MAX + 1);
    ssize_t n = ::readlink("/proc/self/exe", buf.data(), buf.size() - 1);
    return n > 0 ? std::string(buf.data(), static_cast<size_t>(n)) : std::string();
}

} // namespace

std::string ProgramDirectory()
{
    const std::string path = ProgramPath();
    if (path.empty())
        return "./";
    size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(0, slash + 1);
}

std::string ProgramFileName()
{
    const std::string path = ProgramPath();
    size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

void LowerCaseAnsi(std::string& str)
{
    for (char& c : str)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
}
