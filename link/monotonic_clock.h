// Milliseconds from a clock that only moves forward and never wraps, for
// every deadline in the link.
#pragma once

#include <chrono>
#include <cstdint>

inline uint64_t MonotonicMs()
{
    using namespace std::chrono;
    return static_cast<uint64_t>(
        duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}
