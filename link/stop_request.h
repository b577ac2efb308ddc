// The program's request to stop every exchange it runs (orvi-flash's
// Ctrl-C). Every wait of the link asks for it between its slices, so that
// no step keeps a stopping program waiting for its limit; a step ended so
// fails with kErrorStopped. A program that never stops an exchange (the
// wizard, whose Cancel waits for the page's exchange by design) sets none.
#pragma once

#include <cstdint>

using StopCheck = bool (*)();

// Installs the check (nullptr for none). Any thread may ask it.
void SetStopCheck(StopCheck check);

// Whether the calling thread's waits are to stop now.
bool LinkStopRequested();

// While one lives, the calling thread's waits give a stop request this long
// before they end for it: the exchange that tells a stopped printer to leave
// its upgrade state (KK) must still go out, and on a live link it takes far
// less; a printer gone silent does not hold a stopping program for the
// link's limits, which may be an hour (--timeout).
inline constexpr uint64_t kExemptionGraceMs = 5000;

class StopExemption {
public:
    StopExemption();
    ~StopExemption();
    StopExemption(const StopExemption&) = delete;
    StopExemption& operator=(const StopExemption&) = delete;
};
