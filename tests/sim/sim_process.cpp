#include "sim_process.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <fstream>
#include <poll.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

int64_t NowMs()
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

} // namespace

SimProcess::~SimProcess()
{
    if (m_pid > 0) {
        kill(m_pid, SIGKILL);
        waitpid(m_pid, nullptr, 0);
    }
}

int SimProcess::Start(const std::vector<std::string>& args)
{
    int out[2];
    if (pipe(out) != 0)
        return 0;
    std::vector<std::string> all = {ORVI_SIM_BINARY};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& arg : all)
        argv.push_back(arg.data());
    argv.push_back(nullptr);

    m_pid = fork();
    if (m_pid < 0)
        return 0;
    if (m_pid == 0) {
        dup2(out[1], STDOUT_FILENO);
        close(out[0]);
        close(out[1]);
        execv(argv[0], argv.data());
        _exit(127);
    }
    close(out[1]);
    m_startLine.clear();
    int64_t deadline = NowMs() + kPromptMs;
    char c = 0;
    while (NowMs() < deadline) {
        pollfd p = {out[0], POLLIN, 0};
        if (poll(&p, 1, 100) <= 0)
            continue;
        if (read(out[0], &c, 1) != 1 || c == '\n')
            break;
        m_startLine += c;
    }
    close(out[0]);
    return c == '\n';
}

int SimProcess::TcpPort() const
{
    size_t colon = m_startLine.rfind(':');
    return colon == std::string::npos ? -1 : std::stoi(m_startLine.substr(colon + 1));
}

int SimProcess::Signal(int sig)
{
    return m_pid > 0 && kill(m_pid, sig) == 0;
}

int SimProcess::Running()
{
    return m_pid > 0 && waitpid(m_pid, nullptr, WNOHANG) == 0;
}

int SimProcess::WaitExit(int timeoutMs, int& exitCode)
{
    int64_t deadline = NowMs() + timeoutMs;
    while (m_pid > 0) {
        int status = 0;
        pid_t done = waitpid(m_pid, &status, WNOHANG);
        if (done == m_pid) {
            m_pid = -1;
            exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
            return 1;
        }
        if (NowMs() >= deadline)
            return 0;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return 0;
}

std::vector<std::string> ReadReport(const std::string& path)
{
    std::vector<std::string> lines;
    std::ifstream in(path, std::ios::binary);
    std::string line;
    while (std::getline(in, line))
        lines.push_back(line);
    return lines;
}

int CountReport(const std::string& path, const std::string& needle)
{
    int count = 0;
    for (const std::string& line : ReadReport(path))
        count += line.find(needle) != std::string::npos;
    return count;
}

int WaitForReport(const std::string& path, const std::string& needle, int count, int timeoutMs)
{
    int64_t deadline = NowMs() + timeoutMs;
    for (;;) {
        if (CountReport(path, needle) >= count)
            return 1;
        if (NowMs() >= deadline)
            return 0;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
}
