// The limit of one wait on the monotonic clock: when it started, whether it
// has passed, what is left, and the next slice of a wait that looks up
// (at the program's stop request, the wait hook) between slices. Every wait
// of the link keeps its limit in one.
#pragma once

#include "link/monotonic_clock.h"

#include <cstdint>

class Deadline {
public:
    // Passes limitMs from now.
    explicit Deadline(uint64_t limitMs) : Deadline(MonotonicMs(), limitMs) {}
    // Passes limitMs from startMs, a time of MonotonicMs().
    Deadline(uint64_t startMs, uint64_t limitMs) : m_limitMs(limitMs), m_end(startMs + limitMs) {}

    // The same limit again from now: a wait that made progress.
    void Restart() { m_end = MonotonicMs() + m_limitMs; }
    // More than the limit has passed since the start.
    bool Expired() const { return MonotonicMs() > m_end; }
    uint64_t RemainingMs() const
    {
        const uint64_t now = MonotonicMs();
        return now >= m_end ? 0 : m_end - now;
    }
    // What is left, but at most sliceMs.
    int SliceMs(int sliceMs) const
    {
        const uint64_t left = RemainingMs();
        return left < static_cast<uint64_t>(sliceMs) ? static_cast<int>(left) : sliceMs;
    }

private:
    uint64_t m_limitMs;
    uint64_t m_end;
};
