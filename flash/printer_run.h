// One printer's run: the exchanges a command asks for, on connections of
// its own, ended in one outcome. Runs on its own thread; what it shares
// (the ledger, the output) guards itself.
#pragma once

#include "flash/outcome.h"
#include "flash/package.h"
#include "flash/target.h"
#include "link/link_limits.h"

#include <cstdint>
#include <functional>
#include <string>

class Ledger;

enum class Command {
    // The preparation, then KK: whether each printer is ready.
    Status,
    // Each connection opened and closed, without a byte sent.
    ReachOnly,
    // The preparation; the transfer if the printer is ready, else KK.
    Upgrade,
};

struct RunSettings {
    Command command = Command::Upgrade;
    const Package* package = nullptr;
    LinkLimits limits = kProgramLimits;
    // "" for no trace.
    std::string traceFolder;
    Ledger* ledger = nullptr;
    bool force = false;
    // Upgrade: each connection the ledger does not skip is opened and
    // closed without a byte sent, and nothing is recorded.
    bool dryRun = false;
    // Where the printers' locks are, beside the ledger.
    std::string lockFolder;
};

struct PrinterResult {
    Outcome outcome = Outcome::Interrupted;
    // The wizard's text for it, where the wizard has one.
    std::string message;
    // The status line's first byte, or -1 when none was read.
    int status = -1;
    uint64_t bytesSent = 0;
    uint64_t bytesTotal = 0;
    // Whether anything of the firmware (a DT header included) went out.
    bool firmwareSent = false;
    double seconds = 0;
    // Why the step that ended it failed, where one did.
    LinkFailure reason;
};

// Firmware bytes sent so far of the total, as they go.
using ProgressReport = std::function<void(uint64_t sent, uint64_t total)>;
// Something the user should know that is not the printer's outcome (a trace
// or a ledger line that could not be written).
using WarningReport = std::function<void(const std::string& warning)>;

// The command's name as the output gives it.
const char* CommandName(Command command);

PrinterResult RunPrinter(const Target& target, const RunSettings& settings, const ProgressReport& progress,
                         const WarningReport& warn);
