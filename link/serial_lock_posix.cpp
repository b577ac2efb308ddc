#include "link/serial_lock_posix.h"

#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

// Where the lock files live; on most systems the second is a link to the
// first.
const char* const kLockFolders[] = {"/run/lock", "/var/lock"};

// A claim lost to another program between the look and the link is looked
// at again; past this many rounds the port counts as held.
constexpr int kClaimRounds = 3;

std::string BaseName(const std::string& path)
{
    size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The names other programs may have locked the port under: the device the
// path leads to (what they see when they open /dev/ttyUSB0), then the name
// the path itself gives, when that differs.
std::vector<std::string> PortNames(const std::string& devicePath)
{
    std::vector<std::string> names;
    char real[PATH_MAX];
    if (::realpath(devicePath.c_str(), real))
        names.push_back(BaseName(real));
    std::string given = BaseName(devicePath);
    if (!given.empty() && (names.empty() || names[0] != given))
        names.push_back(given);
    return names;
}

std::vector<std::string> LockFolders()
{
    std::vector<std::string> folders;
    std::vector<std::string> seen;
    for (const char* folder : kLockFolders) {
        char real[PATH_MAX];
        struct stat st {};
        if (::stat(folder, &st) != 0 || !S_ISDIR(st.st_mode) || !::realpath(folder, real))
            continue;
        bool again = false;
        for (const std::string& s : seen)
            again = again || s == real;
        if (again)
            continue;
        seen.push_back(real);
        folders.push_back(folder);
    }
    return folders;
}

pid_t HolderIn(int fd)
{
    char bytes[64];
    ssize_t n = ::read(fd, bytes, sizeof bytes - 1);
    return n > 0 ? LockHolderFromBytes(std::string_view(bytes, static_cast<size_t>(n))) : 0;
}

enum class LockFile { Absent, Unreadable, Read };

LockFile ReadLockFile(const std::string& lockFile, pid_t* pHolder)
{
    *pHolder = 0;
    int fd = ::open(lockFile.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0)
        return errno == ENOENT ? LockFile::Absent : LockFile::Unreadable;
    *pHolder = HolderIn(fd);
    ::close(fd);
    return LockFile::Read;
}

bool IsAlive(pid_t pid)
{
    // EPERM: the process exists but belongs to another user.
    return pid == ::getpid() || ::kill(pid, 0) == 0 || errno == EPERM;
}

bool WriteAll(int fd, const char* text)
{
    const size_t length = std::strlen(text);
    return ::write(fd, text, length) == static_cast<ssize_t>(length);
}

enum class Claim { Taken, Exists, CannotWrite };

// Creates lockFile holding our id, whole before anyone can see it: the text
// goes into a draft of our own, which is then linked into place.
Claim ClaimLock(const std::string& folder, const std::string& lockFile)
{
    char content[16];
    std::snprintf(content, sizeof content, "%10d\n", static_cast<int>(::getpid()));
    const std::string draft = folder + "/LTMP." + std::to_string(::getpid());
    int fd = ::open(draft.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0644);
    if (fd < 0)
        return Claim::CannotWrite;
    bool written = WriteAll(fd, content);
    ::close(fd);
    if (!written) {
        ::unlink(draft.c_str());
        return Claim::CannotWrite;
    }
    int rc = ::link(draft.c_str(), lockFile.c_str());
    int linkError = errno;
    ::unlink(draft.c_str());
    if (rc == 0)
        return Claim::Taken;
    if (linkError == EEXIST)
        return Claim::Exists;
    // A file system without hard links: create the file in place.
    fd = ::open(lockFile.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0644);
    if (fd < 0)
        return errno == EEXIST ? Claim::Exists : Claim::CannotWrite;
    written = WriteAll(fd, content);
    ::close(fd);
    if (!written) {
        ::unlink(lockFile.c_str());
        return Claim::CannotWrite;
    }
    return Claim::Taken;
}

} // namespace

SerialLockResult TakeSerialLock(const std::string& strDevicePath, std::string* pstrLockFile)
{
    const std::vector<std::string> folders = LockFolders();
    const std::vector<std::string> names = PortNames(strDevicePath);
    if (folders.empty() || names.empty())
        return SerialLockResult::NoLockFolder;

    for (int round = 0; round < kClaimRounds; ++round) {
        // A live holder under any of the port's names, in any folder.
        for (const std::string& folder : folders) {
            for (const std::string& name : names) {
                const std::string file = folder + "/LCK.." + name;
                pid_t holder = 0;
                switch (ReadLockFile(file, &holder)) {
                case LockFile::Absent:
                    break;
                case LockFile::Unreadable:
                    // Someone's lock we may not read: we cannot call it stale.
                    return SerialLockResult::HeldByOther;
                case LockFile::Read:
                    if (holder > 0 && IsAlive(holder))
                        return SerialLockResult::HeldByOther;
                    // Left by a process that is gone, or holding no id.
                    ::unlink(file.c_str());
                    break;
                }
            }
        }
        const std::string file = folders[0] + "/LCK.." + names[0];
        switch (ClaimLock(folders[0], file)) {
        case Claim::Taken:
            *pstrLockFile = file;
            return SerialLockResult::Taken;
        case Claim::CannotWrite:
            return SerialLockResult::NoLockFolder;
        case Claim::Exists:
            break;
        }
    }
    return SerialLockResult::HeldByOther;
}

pid_t LockHolderFromBytes(std::string_view bytes)
{
    // Four bytes holding a NUL are the binary form even when the first is a
    // digit: a process id is below 2^22, so its int always has a zero byte.
    if (bytes.size() == 4 && bytes.find('\0') != std::string_view::npos) {
        int binary = 0;
        std::memcpy(&binary, bytes.data(), 4);
        return binary > 0 ? binary : 0;
    }
    const std::string text(bytes.substr(0, bytes.find('\0')));
    char* end = nullptr;
    long pid = std::strtol(text.c_str(), &end, 10);
    if (end != text.c_str() && pid > 0 && pid <= INT_MAX)
        return static_cast<pid_t>(pid);
    return 0;
}

void ReleaseSerialLock(const std::string& strLockFile)
{
    pid_t holder = 0;
    if (!strLockFile.empty() && ReadLockFile(strLockFile, &holder) == LockFile::Read && holder == ::getpid())
        ::unlink(strLockFile.c_str());
}
