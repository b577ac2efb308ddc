// What happened to one printer, in the words the command line, its JSON and
// the ledger use (never renamed), and the exit status a run ends with.
#pragma once

#include <string>
#include <vector>

enum class Outcome {
    // upgrade
    Upgraded,            // ready status read, every file and SR sent and confirmed by the printer's side
    SentUnconfirmed,     // everything handed on, and the link cannot tell whether it arrived (a printer
                         // queue; TCP where the system does not say what the printer acknowledged)
    NotReady,            // status 1 to 4 or unreadable; KK sent
    Unreachable,         // the connection did not open
    FailedBeforeFirmware, // KU, SU or the status read failed; no firmware byte sent
    FailedDuringTransfer, // a header, piece or SR not sent: the whole upgrade again
    Interrupted,         // stopped by the user
    Skipped,             // the ledger says this package already went to this printer
    Busy,                // another orvi-flash process is running this printer: not touched
    // status
    Ready,               // status 0 read; KK sent
    Unknown,             // printer queue: it cannot answer
    Reachable,           // status --reach-only: the connection opened and closed
};

const char* OutcomeName(Outcome outcome);

// The exit statuses of a run.
inline constexpr int kExitAllDone = 0;
inline constexpr int kExitUsage = 2;
inline constexpr int kExitPackageRefused = 3;
inline constexpr int kExitSomeNotDone = 4;
inline constexpr int kExitSomeBroken = 5;
inline constexpr int kExitUnconfirmed = 6;
// Every printer done (as 0 or 6 would say), but some outcome could not be
// written to the ledger: a rerun will not know these printers.
inline constexpr int kExitLedgerNotWritten = 7;

// The status for a run whose printers ended so: the worst of them, and 7 in
// place of 0 or 6 when the ledger lost a line.
int ExitStatusFor(const std::vector<Outcome>& outcomes, bool ledgerWriteFailed = false);
