// What orvi-flash asks of the system, defined once per platform
// (system_posix.cpp, system_win32.cpp).
#pragma once

#include <string>

// The ledger's place when none is given: the user's state folder
// ($XDG_STATE_HOME/orvi-flash/ or ~/.local/state/orvi-flash/ on Linux,
// %LOCALAPPDATA%\orvi-flash\ on Windows), made if missing.
std::string DefaultLedgerPath();

// Makes the folder (and those above it) if missing. false if it cannot be.
bool MakeFolder(const std::string& path);

// Appends text to the file in one write, so that lines written by several
// runs at once never interleave. false if the file cannot be written.
bool AppendWhole(const std::string& path, const std::string& text);

// The time now, UTC, as 2026-12-07T19:01:02Z.
std::string UtcTimeNow();

// Whether standard output is a terminal; on Windows this also lets the
// console take the escape sequences that redraw lines in place.
bool OutputIsTerminal();

// Ctrl-C, SIGTERM and SIGHUP (console control events on Windows) from here on set
// the interrupt flag and say so on standard error; a second one ends the
// program at once with status 5.
void CatchInterrupts();
inline constexpr char kStoppingNotice[] =
    "orvi-flash: stopping; each printer ends at its next step (Ctrl-C again ends at once)\n";
bool InterruptRequested();
// Sets it, as the first Ctrl-C would.
void RequestInterrupt();
