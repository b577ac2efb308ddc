// The program's request to stop every exchange it runs (orvi-flash's
// Ctrl-C). Every wait of the link asks for it between its slices, so that
// no step keeps a stopping program waiting for its limit; a step ended so
// fails with kErrorStopped. A program that never stops an exchange (the
// wizard, whose Cancel waits for the page's exchange by design) sets none.
#pragma once

using StopCheck = bool (*)();

// Installs the check (nullptr for none). Any thread may ask it.
void SetStopCheck(StopCheck check);

// Whether the calling thread's waits are to stop now.
bool LinkStopRequested();

// While one lives, the calling thread's waits do not look at the stop
// request: the exchange that tells a stopped printer to leave its upgrade
// state (KK) must still go out, each of its waits within its own limit.
class StopExemption {
public:
    StopExemption();
    ~StopExemption();
    StopExemption(const StopExemption&) = delete;
    StopExemption& operator=(const StopExemption&) = delete;
};
