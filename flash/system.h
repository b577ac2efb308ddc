// What orvi-flash asks of the system, defined once per platform
// (system_posix.cpp, system_win32.cpp).
#pragma once

#include <cstdio>
#include <memory>
#include <cstdint>
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

// Ctrl-C, SIGTERM and SIGHUP from here on set the interrupt flag (the
// output says so); a second one ends the program at once with status 5.
// On Windows the console's Ctrl-C and Ctrl-Break do the same, and closing
// the console, logging off or shutting down stop the run as Ctrl-C does,
// holding the system off (as long as it allows) until RunFinished.
void CatchInterrupts();
// The run has told its printers and written its ledger: a console that is
// closing may go.
void RunFinished();
inline constexpr char kStoppingNotice[] =
    "orvi-flash: stopping; each printer ends at its next step (Ctrl-C again ends at once)\n";
bool InterruptRequested();
// Sets it, as the first Ctrl-C would.
void RequestInterrupt();

// The device a port name leads to, so that two names of one device are one
// printer: on Linux the real path of the device the name maps to
// (ORVI_COM1, /dev/serial/by-id/... links); on Windows the name as the
// system compares it (COM12 for \\.\com12).
std::string CanonicalDevice(const std::string& device);

// While it lives, no other orvi-flash process takes the same printer: a
// lock file per printer identity in the folder, held until Release or the
// process's end, however it ends.
class PrinterLock {
public:
    PrinterLock();
    ~PrinterLock();
    PrinterLock(const PrinterLock&) = delete;
    PrinterLock& operator=(const PrinterLock&) = delete;
    enum class Taken { Yes, HeldElsewhere, NoLockFolder };
    Taken Take(const std::string& folder, const std::string& identity);

private:
    struct Held;
    std::unique_ptr<Held> m_held;
};

// A trace file opened to append, never through a symbolic link at its
// place; nullptr when it cannot be.
std::FILE* OpenTraceForAppend(const std::string& path);

// Raises this process's limit of open files as far as the system lets it,
// and returns the limit in force.
uint64_t RaiseOpenFileLimit();

// The computer's physical memory in bytes, 0 when the system does not say.
uint64_t PhysicalMemoryBytes();
