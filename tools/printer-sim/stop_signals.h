// SIGINT and SIGTERM end the program cleanly. Both stay blocked except
// inside the serving loop's wait (ppoll with `waitMask`), so a signal can
// never land between the check of StopRequested and the wait.
#pragma once

#include <csignal>

int InstallStopSignals(sigset_t& waitMask);
int StopRequested();
