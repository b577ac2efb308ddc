// The simulated printer as the benchmarks use it: a child process on an
// address of its own, and its event report followed as it grows.
#pragma once

#include "tests/sim/sim_process.h"

#include <cstdint>
#include <string>

// A loopback address of its own (127.x.y.z), so that port 2864 is free on
// it whatever else runs on the machine.
std::string FreshLoopbackAddress();

// The dotted address as the address control packs it.
uint32_t PackAddress(const std::string& strDotted);

// Reads the report from where it left off, so that waiting costs little
// while a transfer runs beside it.
class ReportFollower {
public:
    explicit ReportFollower(std::string strPath) : m_strPath(std::move(strPath)) {}

    // Waits until `count` lines containing strNeedle have been seen in all.
    // 1 when they were, 0 after nTimeoutMs.
    int WaitFor(const std::string& strNeedle, int count, int nTimeoutMs);
    int Seen(const std::string& strNeedle) const;
    const std::string& Text() const { return m_strText; }

private:
    void ReadMore();

    std::string m_strPath;
    std::string m_strText;
    uint64_t m_nOffset = 0;
};
