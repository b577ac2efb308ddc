#include "flash/system.h"

#include "flash/outcome.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::atomic<int> g_interrupts{0};

void OnInterrupt(int)
{
    if (g_interrupts.fetch_add(1) > 0)
        ::_exit(kExitSomeBroken);
    const ssize_t written = ::write(STDERR_FILENO, kStoppingNotice, sizeof kStoppingNotice - 1);
    (void)written;
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
    int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
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
