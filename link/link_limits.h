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
    // One whole TCP send.
    uint32_t tcpSendMs = 10000;
};

// The limits the program runs with.
inline constexpr LinkLimits kProgramLimits{};
