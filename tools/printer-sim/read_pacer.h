// Paces reading to a line rate: a budget of bytes that grows with the
// monotonic clock and is spent by each read. The budget is capped at a
// fiftieth of a second's worth, so an idle line does not save up a burst,
// while a late wake-up of a few milliseconds loses nothing.
#pragma once

#include <cstddef>
#include <cstdint>

class ReadPacer {
public:
    // 0 bytes per second: no pacing.
    explicit ReadPacer(uint64_t bytesPerSecond);

    // How many bytes may be read at `nowNs` (monotonic nanoseconds), at
    // most `cap`. When 0, `waitNs` says how long until a read is due.
    size_t Allowance(int64_t nowNs, size_t cap, int64_t& waitNs);
    void Took(size_t n);

private:
    uint64_t m_rate;
    double m_budget;
    double m_maxBudget;
    double m_minRead;
    int64_t m_lastNs = -1;
};
