// A program the benchmarks start and measure: its own process group (so
// that a shell's children go with it), its standard output where asked,
// its CPU time and peak memory from wait4, and every wait bounded.
#pragma once

#include <cstdint>
#include <string>
#include <sys/types.h>
#include <vector>

enum class ChildOutput {
    Inherited, // this process's own
    Discarded, // /dev/null
    File,      // the file named in ChildOptions::outputFile
    Pipe,      // read with ReadLine
};

struct ChildOptions {
    ChildOutput output = ChildOutput::Discarded;
    std::string outputFile;
    // The soft limit of open files the program starts with; 0 leaves this
    // process's own.
    uint64_t softDescriptorLimit = 0;
};

struct ChildEnd {
    bool exited = false; // on its own; false when it had to be killed, or never started
    int exitCode = -1;
    double cpuSeconds = 0; // user and system, its waited-for children included
    long peakRssKib = 0;
};

class ChildProcess {
public:
    ChildProcess() = default;
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // argv[0] is the program's path.
    bool Start(const std::vector<std::string>& argv, const ChildOptions& options);
    // The next line of a piped output, without its newline; false at the
    // end of the output or at the deadline (CLOCK_MONOTONIC nanoseconds).
    bool ReadLine(std::string& line, int64_t deadlineNs);
    // Asks it to end (SIGTERM).
    void Stop();
    // Waits for the exit until the deadline, then kills the process group.
    ChildEnd Wait(int64_t deadlineNs);

private:
    pid_t m_pid = -1;
    int m_pidFd = -1;
    int m_output = -1;
    std::string m_pending;
};

// CLOCK_MONOTONIC in nanoseconds, the clock of every deadline here.
int64_t MonotonicNowNs();
