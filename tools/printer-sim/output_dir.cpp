#include "tools/printer-sim/output_dir.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

// The side name a file has while it arrives.
const std::string kSideSuffix = ".receiving";

// The name's folder and file components, with empty and "." ones dropped.
std::vector<std::string> Components(const std::string& name)
{
    std::vector<std::string> parts;
    std::string part;
    for (size_t i = 0; i <= name.size(); ++i) {
        if (i == name.size() || name[i] == '\\' || name[i] == '/') {
            if (!part.empty() && part != ".")
                parts.push_back(part);
            part.clear();
        } else {
            part += name[i];
        }
    }
    return parts;
}

} // namespace

OutputDir::~OutputDir()
{
    if (m_dirFd >= 0)
        close(m_dirFd);
}

int OutputDir::Open(const std::string& path, std::string& error)
{
    if (mkdir(path.c_str(), 0777) != 0 && errno != EEXIST) {
        error = path + ": " + std::strerror(errno);
        return 0;
    }
    m_dirFd = open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (m_dirFd < 0) {
        error = path + ": " + std::strerror(errno);
        return 0;
    }
    return 1;
}

int OutputDir::NameStaysInside(const std::string& name)
{
    if (name.find('\0') != std::string::npos)
        return 0;
    if (name.empty() || name[0] == '\\' || name[0] == '/')
        return 0;
    // "C:..." names a drive on the system the names come from.
    if (name.size() >= 2 && name[1] == ':')
        return 0;
    std::vector<std::string> parts = Components(name);
    if (parts.empty())
        return 0;
    for (const std::string& part : parts)
        if (part == "..")
            return 0;
    return 1;
}

int OutputDir::Create(const std::string& name, IncomingFile& file, int& leaves, std::string& error)
{
    file.Discard();
    leaves = 0;
    if (!NameStaysInside(name)) {
        leaves = 1;
        error = "name leaves the output directory";
        return 0;
    }
    std::vector<std::string> parts = Components(name);
    int dir = dup(m_dirFd);
    if (dir < 0) {
        error = std::strerror(errno);
        return 0;
    }
    for (size_t i = 0; i + 1 < parts.size(); ++i) {
        const char* part = parts[i].c_str();
        if (mkdirat(dir, part, 0777) != 0 && errno != EEXIST) {
            error = parts[i] + ": " + std::strerror(errno);
            close(dir);
            return 0;
        }
        int next = openat(dir, part, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        int openErrno = errno;
        struct stat st;
        if (next < 0 && fstatat(dir, part, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISLNK(st.st_mode)) {
            leaves = 1;
            error = "name leads through a symbolic link";
        } else if (next < 0) {
            error = parts[i] + ": " + std::strerror(openErrno);
        }
        close(dir);
        if (next < 0)
            return 0;
        dir = next;
    }
    file.m_leaf = parts.back();
    file.m_fd = openat(dir, (file.m_leaf + kSideSuffix).c_str(),
                       O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (file.m_fd < 0) {
        error = file.m_leaf + ": " + std::strerror(errno);
        close(dir);
        return 0;
    }
    file.m_dirFd = dir;
    return 1;
}

int IncomingFile::Write(const unsigned char* p, size_t n)
{
    while (n > 0) {
        ssize_t done = write(m_fd, p, n);
        if (done < 0 && errno == EINTR)
            continue;
        if (done <= 0)
            return 0;
        p += done;
        n -= static_cast<size_t>(done);
    }
    return 1;
}

void IncomingFile::Close()
{
    if (m_fd >= 0)
        close(m_fd);
    if (m_dirFd >= 0)
        close(m_dirFd);
    m_fd = -1;
    m_dirFd = -1;
}

int IncomingFile::Commit()
{
    if (m_fd < 0)
        return 0;
    int closed = close(m_fd) == 0;
    m_fd = -1;
    // A real name that is a symbolic link is replaced, not followed.
    int renamed = closed && renameat(m_dirFd, (m_leaf + kSideSuffix).c_str(), m_dirFd, m_leaf.c_str()) == 0;
    if (!renamed)
        unlinkat(m_dirFd, (m_leaf + kSideSuffix).c_str(), 0);
    Close();
    return renamed;
}

void IncomingFile::Discard()
{
    if (m_fd < 0)
        return;
    unlinkat(m_dirFd, (m_leaf + kSideSuffix).c_str(), 0);
    Close();
}
