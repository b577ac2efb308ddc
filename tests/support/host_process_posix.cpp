#include "tests/support/host_process.h"

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

struct HostProcess::Handle {
    pid_t pid = -1;
    // Reaped, by whichever call saw the end first.
    bool ended = false;
    int exitCode = -1;

    bool Reap(int flags)
    {
        int status = 0;
        if (pid <= 0 || ended || ::waitpid(pid, &status, flags) != pid)
            return ended;
        ended = true;
        exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        return true;
    }
};

HostProcess::HostProcess() : m_h(std::make_unique<Handle>()) {}

HostProcess::~HostProcess()
{
    // Asked to end first, so that it tidies up (a printer removes its
    // line's link); made to, if it does not.
    int code = 0;
    if (m_h->pid > 0 && !m_h->Reap(WNOHANG) && !(Signal(SIGTERM) && WaitExit(kHostEndMs, code))) {
        ::kill(m_h->pid, SIGKILL);
        m_h->Reap(0);
    }
}

bool HostProcess::Start(const std::vector<std::string>& argv, const std::string& outputPath)
{
    std::vector<std::string> args = argv;
    std::vector<char*> pointers;
    for (std::string& arg : args)
        pointers.push_back(arg.data());
    pointers.push_back(nullptr);
    m_h->pid = ::fork();
    if (m_h->pid < 0)
        return false;
    if (m_h->pid == 0) {
        int out = ::open(outputPath.empty() ? "/dev/null" : outputPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        int none = ::open("/dev/null", O_RDONLY);
        if (out >= 0) {
            ::dup2(out, STDOUT_FILENO);
            ::dup2(out, STDERR_FILENO);
        }
        if (none >= 0)
            ::dup2(none, STDIN_FILENO);
        // A parent that waits for signals blocks them; the program must
        // not start with them blocked.
        sigset_t none_blocked;
        sigemptyset(&none_blocked);
        ::sigprocmask(SIG_SETMASK, &none_blocked, nullptr);
        ::execv(pointers[0], pointers.data());
        ::_exit(127);
    }
    return true;
}

bool HostProcess::Signal(int sig)
{
    return m_h->pid > 0 && !m_h->ended && ::kill(m_h->pid, sig) == 0;
}

long HostProcess::Pid() const
{
    return m_h->pid > 0 ? m_h->pid : 0;
}

bool HostProcess::Running()
{
    return m_h->pid > 0 && !m_h->Reap(WNOHANG);
}

bool HostProcess::WaitExit(int timeoutMs, int& exitCode)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (m_h->pid > 0) {
        if (m_h->Reap(WNOHANG)) {
            exitCode = m_h->exitCode;
            return true;
        }
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return false;
}

int RunHost(const std::vector<std::string>& argv)
{
    HostProcess p;
    int code = -1;
    if (!p.Start(argv) || !p.WaitExit(kHostRunLimitMs, code))
        return -1;
    return code;
}

std::string HostPath(const std::filesystem::path& path)
{
    return path.string();
}

std::string EnvironmentValue(const char* name)
{
    const char* value = std::getenv(name);
    return value ? value : "";
}
