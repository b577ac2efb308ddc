#include "tools/printer-sim/stop_signals.h"

namespace {

volatile sig_atomic_t g_stop = 0;

void OnStop(int)
{
    g_stop = 1;
}

} // namespace

int InstallStopSignals(sigset_t& waitMask)
{
    struct sigaction action = {};
    action.sa_handler = OnStop;
    sigemptyset(&action.sa_mask);
    if (sigaction(SIGINT, &action, nullptr) != 0 || sigaction(SIGTERM, &action, nullptr) != 0)
        return 0;
    // A client that goes away must not kill the printer through a write.
    signal(SIGPIPE, SIG_IGN);

    sigset_t blocked;
    sigemptyset(&blocked);
    sigaddset(&blocked, SIGINT);
    sigaddset(&blocked, SIGTERM);
    if (sigprocmask(SIG_BLOCK, &blocked, &waitMask) != 0)
        return 0;
    sigdelset(&waitMask, SIGINT);
    sigdelset(&waitMask, SIGTERM);
    return 1;
}

int StopRequested()
{
    return g_stop != 0;
}
