// A program of this machine (the Linux host), started by a test on either
// target: the simulated printer, a scheduler, ln, kill. A Windows test runs
// under Wine, whose CreateProcess starts Linux programs as well, so both
// targets drive the same peers the same way.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

// How long a program is given to end when asked, before it is made to.
inline constexpr int kHostEndMs = 5000;

class HostProcess {
public:
    HostProcess();
    ~HostProcess();
    HostProcess(const HostProcess&) = delete;
    HostProcess& operator=(const HostProcess&) = delete;

    // Starts argv[0] (a host path) with the rest as its arguments, its
    // output going to the host file outputPath ("" for none).
    bool Start(const std::vector<std::string>& argv, const std::string& outputPath = "");
    // Sends a host signal (15 SIGTERM, 9 SIGKILL).
    bool Signal(int sig);
    // Its host process id, 0 before it started.
    long Pid() const;
    bool Running();
    // Waits at most timeoutMs for the end: true with its exit status (-1
    // after a signal).
    bool WaitExit(int timeoutMs, int& exitCode);

private:
    struct Handle;
    std::unique_ptr<Handle> m_h;
};

// Runs a host program to its end; its exit status, or -1 if it did not run
// or did not end within kHostRunLimitMs (it is then killed).
inline constexpr int kHostRunLimitMs = 120000;
int RunHost(const std::vector<std::string>& argv);

// The host's name for a path as this test program names it (under Wine,
// C:\users\... or Z:\tmp\... becomes the Linux path).
std::string HostPath(const std::filesystem::path& path);

// The environment of this test program (Wine passes the host's on).
std::string EnvironmentValue(const char* name);
