#include "bench/child_process.h"

#include <csignal>
#include <ctime>
#include <fcntl.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

int MillisecondsUntil(int64_t deadlineNs)
{
    const int64_t left = deadlineNs - MonotonicNowNs();
    if (left <= 0)
        return 0;
    return static_cast<int>(left / 1'000'000 < 60'000 ? left / 1'000'000 + 1 : 60'000);
}

// In the child, between fork and exec: only calls that are safe there.
[[noreturn]] void BecomeProgram(char* const* argv, const ChildOptions& options, int pipeWrite)
{
    ::setpgid(0, 0);
    int out = STDOUT_FILENO;
    if (options.output == ChildOutput::Pipe)
        out = pipeWrite;
    else if (options.output == ChildOutput::File)
        out = ::open(options.outputFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    else if (options.output == ChildOutput::Discarded)
        out = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
    if (out < 0 || ::dup2(out, STDOUT_FILENO) < 0)
        ::_exit(127);
    if (options.softDescriptorLimit) {
        rlimit limit{};
        ::getrlimit(RLIMIT_NOFILE, &limit);
        limit.rlim_cur = options.softDescriptorLimit < limit.rlim_max ? options.softDescriptorLimit : limit.rlim_max;
        ::setrlimit(RLIMIT_NOFILE, &limit);
    }
    ::execv(argv[0], argv);
    ::_exit(127);
}

} // namespace

int64_t MonotonicNowNs()
{
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<int64_t>(now.tv_sec) * 1'000'000'000 + now.tv_nsec;
}

bool ChildProcess::Start(const std::vector<std::string>& argv, const ChildOptions& options)
{
    std::vector<std::string> args = argv;
    std::vector<char*> pointers;
    for (std::string& arg : args)
        pointers.push_back(arg.data());
    pointers.push_back(nullptr);
    int ends[2] = {-1, -1};
    if (options.output == ChildOutput::Pipe && ::pipe2(ends, O_CLOEXEC) != 0)
        return false;
    m_pid = ::fork();
    if (m_pid == 0)
        BecomeProgram(pointers.data(), options, ends[1]);
    if (ends[1] >= 0)
        ::close(ends[1]);
    m_output = ends[0];
    if (m_pid < 0)
        return false;
    // Also here, so that a kill right after the start reaches the group.
    ::setpgid(m_pid, m_pid);
    // Glibc 2.36's <sys/pidfd.h> declares pidfd_open without C linkage.
    m_pidFd = static_cast<int>(::syscall(SYS_pidfd_open, m_pid, 0));
    return m_pidFd >= 0;
}

bool ChildProcess::ReadLine(std::string& line, int64_t deadlineNs)
{
    for (;;) {
        const size_t newline = m_pending.find('\n');
        if (newline != std::string::npos) {
            line = m_pending.substr(0, newline);
            m_pending.erase(0, newline + 1);
            return true;
        }
        pollfd entry{m_output, POLLIN, 0};
        int ready = 0;
        while (m_output >= 0 && ready <= 0 && MonotonicNowNs() < deadlineNs)
            ready = ::poll(&entry, 1, MillisecondsUntil(deadlineNs));
        if (ready <= 0)
            return false;
        char buffer[4096];
        const ssize_t n = ::read(m_output, buffer, sizeof buffer);
        if (n <= 0)
            return false;
        m_pending.append(buffer, static_cast<size_t>(n));
    }
}

void ChildProcess::Stop()
{
    if (m_pid > 0)
        ::kill(m_pid, SIGTERM);
}

ChildEnd ChildProcess::Wait(int64_t deadlineNs)
{
    ChildEnd end;
    if (m_pid <= 0)
        return end;
    pollfd entry{m_pidFd, POLLIN, 0};
    int ready = 0;
    while (ready <= 0 && MonotonicNowNs() < deadlineNs)
        ready = ::poll(&entry, 1, MillisecondsUntil(deadlineNs));
    // Before it is reaped, while its process id cannot be another's: what
    // is left of its group (a shell's children), or itself at the deadline.
    ::kill(-m_pid, SIGKILL);
    int status = 0;
    rusage usage{};
    ::wait4(m_pid, &status, 0, &usage);
    end.exited = ready > 0 && WIFEXITED(status);
    end.exitCode = end.exited ? WEXITSTATUS(status) : -1;
    end.cpuSeconds = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                     static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    end.peakRssKib = usage.ru_maxrss;
    m_pid = -1;
    return end;
}

ChildProcess::~ChildProcess()
{
    if (m_pid > 0)
        Wait(0);
    if (m_pidFd >= 0)
        ::close(m_pidFd);
    if (m_output >= 0)
        ::close(m_output);
}
