#include "link/stop_request.h"

#include "link/monotonic_clock.h"

#include <atomic>

namespace {
std::atomic<StopCheck> g_check{nullptr};
thread_local int t_exemptions = 0;
// When the exempt thread first saw the stop asked for; 0 before.
thread_local uint64_t t_stopSeenMs = 0;
} // namespace

void SetStopCheck(StopCheck check)
{
    g_check.store(check);
}

bool LinkStopRequested()
{
    const StopCheck check = g_check.load();
    if (!check || !check())
        return false;
    if (t_exemptions == 0)
        return true;
    const uint64_t now = MonotonicMs();
    if (t_stopSeenMs == 0)
        t_stopSeenMs = now;
    return now - t_stopSeenMs >= kExemptionGraceMs;
}

StopExemption::StopExemption()
{
    if (t_exemptions++ == 0)
        t_stopSeenMs = 0;
}

StopExemption::~StopExemption()
{
    --t_exemptions;
}
