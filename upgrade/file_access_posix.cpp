// POSIX file access. The firmware package comes from Windows: names use
// backslashes, and the list lower-cases them while the files on disk may be
// stored as BOOT.BIN or Boot.bin. Each component of a name is therefore
// matched exactly first and then without regard to case, the way the Windows
// file system would find it.
#include "upgrade/file_access.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <dirent.h>
#include <fcntl.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

std::vector<std::string> SplitComponents(const std::string& strName)
{
    std::vector<std::string> parts;
    std::string part;
    for (char c : strName) {
        if (c == '\\' || c == '/') {
            if (!part.empty())
                parts.push_back(part);
            part.clear();
        } else {
            part += c;
        }
    }
    if (!part.empty())
        parts.push_back(part);
    return parts;
}

bool Exists(const std::string& strPath)
{
    struct stat st;
    return ::stat(strPath.c_str(), &st) == 0;
}

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

// Directory + name as a path on this system, or false when no entry matches.
bool ResolvePath(const std::string& strDirectory, const std::string& strName, std::string& strPath)
{
    // A NUL would silently cut the name short in every system call.
    if (strName.find('\0') != std::string::npos || strDirectory.find('\0') != std::string::npos)
        return false;
    std::string path = strDirectory;
    for (const std::string& part : SplitComponents(strName)) {
        if (!path.empty() && path.back() != '/')
            path += '/';
        if (Exists(path + part) || part == "." || part == "..") {
            path += part;
            continue;
        }
        std::string found;
        if (!FindCaseless(path, part, found))
            return false;
        path += found;
    }
    if (!Exists(path))
        return false;
    strPath = path;
    return true;
}

} // namespace

FileHandle OpenFileForReading(const std::string& strDirectory, const std::string& strName)
{
    std::string path;
    if (!ResolvePath(strDirectory, strName, path))
        return InvalidFile;
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return InvalidFile;
    // POSIX lets a directory open for reading; Windows does not, and the
    // transfer relies on a directory failing to open.
    struct stat st;
    if (::fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
        ::close(fd);
        return InvalidFile;
    }
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
    std::string path;
    if (!ResolvePath(strDirectory, strName, path))
        return 0;
    struct stat st;
    if (::stat(path.c_str(), &st) != 0)
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
