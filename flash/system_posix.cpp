#include "flash/system.h"

#include "flash/lock_name.h"
#include "flash/outcome.h"
#include "link/device_map_posix.h"

#include <atomic>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::atomic<int> g_interrupts{0};

// The notice is written by the output's own thread (flash/report.h): a
// handler that wrote to a stalled terminal would stall the thread it runs
// on.
void OnInterrupt(int)
{
    if (g_interrupts.fetch_add(1) > 0)
        ::_exit(kExitSomeBroken);
}

} // namespace

bool MakeFolder(const std::string& path)
{
    for (size_t at = 1; at <= path.size(); ++at) {
        if (at < path.size() && path[at] != '/')
            continue;
        const std::string part = path.substr(0, at);
        if (::mkdir(part.c_str(), 0755) != 0 && errno != EEXIST)
            return false;
    }
    return true;
}

std::string DefaultLedgerPath()
{
    const char* state = std::getenv("XDG_STATE_HOME");
    const char* home = std::getenv("HOME");
    std::string folder = state && *state ? std::string(state) : std::string(home ? home : ".") + "/.local/state";
    folder += "/orvi-flash";
    MakeFolder(folder);
    return folder + "/ledger.jsonl";
}

bool AppendWhole(const std::string& path, const std::string& text)
{
    // Not blocking: a FIFO put in the ledger's place must not hold the run.
    int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC | O_NONBLOCK, 0644);
    if (fd < 0)
        return false;
    const ssize_t n = ::write(fd, text.data(), text.size());
    ::close(fd);
    return n == static_cast<ssize_t>(text.size());
}

std::string UtcTimeNow()
{
    const std::time_t now = std::time(nullptr);
    std::tm utc{};
    ::gmtime_r(&now, &utc);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &utc);
    return text;
}

bool OutputIsTerminal()
{
    return ::isatty(STDOUT_FILENO) == 1;
}

void CatchInterrupts()
{
    struct sigaction action {};
    action.sa_handler = OnInterrupt;
    sigemptyset(&action.sa_mask);
    ::sigaction(SIGINT, &action, nullptr);
    ::sigaction(SIGTERM, &action, nullptr);
    // A closed terminal (a dropped SSH session) stops the run the same way,
    // and a reader of the output that went away (`| head`) must not end a
    // transfer halfway: the output is lost, the printers are not.
    ::sigaction(SIGHUP, &action, nullptr);
    action.sa_handler = SIG_IGN;
    ::sigaction(SIGPIPE, &action, nullptr);
}

bool InterruptRequested()
{
    return g_interrupts.load() > 0;
}

void RequestInterrupt()
{
    g_interrupts.fetch_add(1);
}

void RunFinished()
{
    // Nothing waits for it here: a signal's stop goes on in the run itself.
}

std::string CanonicalDevice(const std::string& device)
{
    const std::string path = DevicePathFor(device.c_str());
    char real[PATH_MAX];
    return ::realpath(path.c_str(), real) ? std::string(real) : path;
}

struct PrinterLock::Held {
    int fd = -1;
};

PrinterLock::PrinterLock() : m_held(std::make_unique<Held>()) {}

PrinterLock::~PrinterLock()
{
    if (m_held->fd >= 0)
        ::close(m_held->fd);
}

PrinterLock::Taken PrinterLock::Take(const std::string& folder, const std::string& identity)
{
    if (!MakeFolder(folder))
        return Taken::NoLockFolder;
    const std::string path = folder + "/" + LockFileName(identity);
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0644);
    if (fd < 0)
        return Taken::NoLockFolder;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return Taken::HeldElsewhere;
    }
    m_held->fd = fd;
    return Taken::Yes;
}

std::FILE* OpenTraceForAppend(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, 0644);
    if (fd < 0)
        return nullptr;
    struct stat st {};
    std::FILE* file = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) ? ::fdopen(fd, "ab") : nullptr;
    if (!file)
        ::close(fd);
    return file;
}

uint64_t PhysicalMemoryBytes()
{
    const long pages = ::sysconf(_SC_PHYS_PAGES);
    const long pageSize = ::sysconf(_SC_PAGESIZE);
    return pages > 0 && pageSize > 0 ? static_cast<uint64_t>(pages) * static_cast<uint64_t>(pageSize) : 0;
}

uint64_t RaiseOpenFileLimit()
{
    rlimit limit{};
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0)
        return 1024;
    if (limit.rlim_cur < limit.rlim_max) {
        rlimit raised = limit;
        raised.rlim_cur = limit.rlim_max;
        if (::setrlimit(RLIMIT_NOFILE, &raised) == 0)
            limit = raised;
    }
    return limit.rlim_cur == RLIM_INFINITY ? UINT64_MAX : static_cast<uint64_t>(limit.rlim_cur);
}
