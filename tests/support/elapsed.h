// Time in tests. A test gives the code a short limit and checks that the
// code kept it: never before the limit, and, so that a hang fails rather
// than waits, not long after. That upper bound only tells a hang from a
// pass: a loaded two-core machine under the sanitizers must hold it.
#pragma once

#include <chrono>

using TestClock = std::chrono::steady_clock;

inline long MsSince(TestClock::time_point start)
{
    return static_cast<long>(
        std::chrono::duration_cast<std::chrono::milliseconds>(TestClock::now() - start).count());
}

// Deadlines are kept in whole milliseconds; a measurement may round the
// other way.
inline constexpr long kClockSlackMs = 2;

// How much longer than its limit a step may take before it counts as hung.
inline constexpr long kHangMarginMs = 3000;
