// orvi-flash as a user runs it: the built program as a child process, its
// standard output and standard error each in a file of the test's own, and
// the fields of the JSON lines it writes.
#pragma once

#include "tests/sim/sim_process.h"
#include "tests/support/host_process.h"
#include "tests/support/loopback.h"
#include "tests/support/temp_dir.h"

#include <string>
#include <vector>

class FlashProcess {
public:
    // prelude: shell commands run first (a limit, a variable, where the
    // output goes), as a user's shell would.
    bool Start(const std::vector<std::string>& args, const std::string& prelude = "");
    // 2 SIGINT, 15 SIGTERM.
    bool Signal(int sig) { return m_process.Signal(sig); }
    bool Running() { return m_process.Running(); }
    // Its exit status, once it ended within timeoutMs; else -1.
    int Wait(int timeoutMs);

    std::string Out() const;
    std::string OutPath() const { return (m_dir.Path() / "out").string(); }
    std::string Err() const;
    std::vector<std::string> OutLines() const;
    // The JSON line of this event for this target ("" for none).
    std::string Event(const std::string& event, const std::string& target = "") const;

private:
    TempDir m_dir;
    HostProcess m_process;
};

// Runs orvi-flash to its end: its exit status, or -1 if it did not end
// within the guard against a hang.
int RunFlashProgram(const std::vector<std::string>& args, FlashProcess& run, const std::string& prelude = "");

// A prelude that runs orvi-flash in German, whose numbers have a decimal
// comma: the locale made in dir with localedef, as a user's system has it
// installed. "" when it cannot be made.
std::string DecimalCommaPrelude(const TempDir& dir);

// Whether every line of the text is one JSON value, as a JSON parser (not
// ours) reads it.
bool EveryLineIsJson(const std::string& path);

// A field of a JSON line as orvi-flash writes it: a string's bytes (each
// \u00XX the byte it stands for) or a number's digits; "" when absent.
std::string JsonField(const std::string& line, const std::string& key);

// A firmware package in dir: boot.bin, main.bin of mainSize bytes,
// iosubsys.bin and the l11config.bld that lists the first two. The files in
// sending order.
std::vector<FirmwareFile> WritePackage(const TempDir& dir, size_t mainSize);

