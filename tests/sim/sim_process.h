// The simulator as a child process, and the report it writes, for tests
// that talk to it over real sockets and pseudo-terminals.
#pragma once

#include "tests/support/host_process.h"
#include "tests/support/temp_dir.h"

#include <memory>
#include <string>
#include <vector>

// How long a test waits for something that should happen at once. It
// guards against a hang; no test depends on its length.
inline constexpr int kPromptMs = 10000;

class SimProcess {
public:
    SimProcess() = default;
    ~SimProcess() = default;
    SimProcess(const SimProcess&) = delete;
    SimProcess& operator=(const SimProcess&) = delete;

    // Starts the simulator with `args` and reads its start line.
    int Start(const std::vector<std::string>& args);
    const std::string& StartLine() const { return m_startLine; }
    // The port of a "listening tcp HOST:PORT" start line.
    int TcpPort() const;

    // A host signal: 2 SIGINT, 15 SIGTERM.
    int Signal(int sig);
    // Waits for the exit and gives its status (-1 for a signal death).
    int WaitExit(int timeoutMs, int& exitCode);
    int Running();

private:
    TempDir m_dir;
    std::unique_ptr<HostProcess> m_process;
    std::string m_startLine;
    int m_starts = 0;
};

std::vector<std::string> ReadReport(const std::string& path);

struct FirmwareFile {
    std::string name;  // as the DT header carries it
    std::string bytes;
};

// Whether the report shows exactly these files received whole, in this
// order, then the upgrade; the failure text says what differed.
std::string CompareUpgrade(const std::string& reportPath, const std::vector<FirmwareFile>& files);
// Waits until at least `count` report lines contain `needle`.
int WaitForReport(const std::string& path, const std::string& needle, int count, int timeoutMs);
int CountReport(const std::string& path, const std::string& needle);

// Waits until the TCP printer at address (port 2864) reporting to
// reportPath has served every connection made before this call: a
// connection of the caller's own goes last and leaves a mark in the report.
// A check that nothing happened looks after this, when a wrong connection
// would have shown.
bool SettleTcpPrinter(const std::string& reportPath, const std::string& address);
