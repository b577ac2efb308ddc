#include "link/stop_request.h"

#include <atomic>

namespace {
std::atomic<StopCheck> g_check{nullptr};
thread_local int t_exemptions = 0;
} // namespace

void SetStopCheck(StopCheck check)
{
    g_check.store(check);
}

bool LinkStopRequested()
{
    const StopCheck check = g_check.load();
    return t_exemptions == 0 && check && check();
}

StopExemption::StopExemption()
{
    ++t_exemptions;
}

StopExemption::~StopExemption()
{
    --t_exemptions;
}
