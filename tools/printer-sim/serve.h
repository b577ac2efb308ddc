// The serving loop: every port in one wait, each connection's bytes paced,
// fed to its session, and answered or cut as the session and the faults say.
#pragma once

#include "tools/printer-sim/port.h"
#include "tools/printer-sim/printer_state.h"
#include "tools/printer-sim/session.h"

#include <csignal>
#include <cstdint>
#include <string>
#include <vector>

struct ServeOptions {
    uint64_t rate = 0;            // bytes per second read at most; 0: no limit
    int64_t answerDelayMs = 0;    // wait before each status line
    int64_t answerPaceMs = 0;     // and between its bytes
    int refuse = 0;               // close every connection at once
    int once = 0;                 // end after the first SR or KK
    SessionLimits limits;
};

// Serves until a stop signal or, with `once`, until the first SR or KK has
// been taken and every connection has ended. Returns 1 on such an end, 0
// with `error` when a port failed.
int Serve(const std::vector<Port*>& ports, PrinterState& printer, const ServeOptions& options,
          const sigset_t& waitMask, std::string& error);
