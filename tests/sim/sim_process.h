// The simulator as a child process, and the report it writes, for tests
// that talk to it over real sockets and pseudo-terminals.
#pragma once

#include <string>
#include <sys/types.h>
#include <vector>

// How long a test waits for something that should happen at once. It
// guards against a hang; no test depends on its length.
inline constexpr int kPromptMs = 10000;

class SimProcess {
public:
    SimProcess() = default;
    ~SimProcess();
    SimProcess(const SimProcess&) = delete;
    SimProcess& operator=(const SimProcess&) = delete;

    // Starts the simulator with `args` and reads its start line.
    int Start(const std::vector<std::string>& args);
    const std::string& StartLine() const { return m_startLine; }
    // The port of a "listening tcp HOST:PORT" start line.
    int TcpPort() const;

    int Signal(int sig);
    // Waits for the exit and gives its status (-1 for a signal death).
    int WaitExit(int timeoutMs, int& exitCode);
    int Running();

private:
    pid_t m_pid = -1;
    std::string m_startLine;
};

std::vector<std::string> ReadReport(const std::string& path);
// Waits until at least `count` report lines contain `needle`.
int WaitForReport(const std::string& path, const std::string& needle, int count, int timeoutMs);
int CountReport(const std::string& path, const std::string& needle);
