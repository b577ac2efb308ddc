// The time limits of the link. The program's own are the defaults; the code
// that applies them takes them as arguments, so that a test of a failure
// can give a short limit instead of waiting out the program's.
#pragma once

#include <cstdint>

struct LinkLimits {
    // One read or write call of a serial or parallel device.
    uint32_t deviceReadMs = 10000;
    uint32_t deviceWriteMs = 10000;
    // How long a byte of a line may take, counted from the start of its wait.
    uint32_t lineByteMs = 5000;
    // A TCP connect, and each one-byte step of a received line.
    uint32_t tcpConnectMs = 10000;
    // One whole TCP send, and the wait for the printer's side to confirm
    // what was sent, counted from its last progress.
    uint32_t tcpSendMs = 10000;
    // A whole status line, however its bytes trickle in.
    uint32_t lineMs = 60000;
};

// A line read with no limit on the whole line, only on each byte.
inline constexpr uint32_t kNoLineLimit = UINT32_MAX;

// The limits the program runs with.
inline constexpr LinkLimits kProgramLimits{};

// Every wait given the same limit, and a whole status line six times it
// (as the program's own ten seconds give a minute).
constexpr LinkLimits UniformLimits(uint32_t ms)
{
    return LinkLimits{ms, ms, ms, ms, ms, 6 * ms};
}
