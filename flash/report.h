// What a run shows as it goes. On a terminal, one line per running printer
// (name, bytes sent of total, rate, time left) redrawn in place, and a
// final line for each printer as it ends; not on a terminal, a line per
// printer at its outcome only; with --json, JSON lines (an event at each
// outcome, at most one progress event a second for each printer, warnings,
// then a summary).
//
// The printers' threads never write: they post events, and one thread of
// the reporter's own writes them. A reader that does not read (a paused
// terminal, a pager, a stalled SSH session, a full pipe) holds only that
// thread: progress events are merged while it waits, outcomes, warnings
// and the summary are kept in order and never dropped.
#pragma once

#include "flash/printer_run.h"

#include <cstdio>
#include <memory>
#include <vector>

class Reporter {
public:
    virtual ~Reporter() = default;
    virtual void Started(size_t index) = 0;
    virtual void Progress(size_t index, uint64_t sent, uint64_t total) = 0;
    virtual void Finished(size_t index, const PrinterResult& result) = 0;
    // A warning about one printer, or about the run (index kWholeRun).
    virtual void Warning(size_t index, const std::string& warning) = 0;
    virtual void Summary(const std::vector<PrinterResult>& results, int exitStatus) = 0;
    // Waits until everything posted has been written. false when a stop was
    // asked for while the output still could not be written: the caller
    // then ends without it.
    virtual bool Drain() = 0;

    static constexpr size_t kWholeRun = static_cast<size_t>(-1);
};

enum class ReportStyle { Terminal, Lines, Json };

// Writes to out (and warnings in the human styles to err).
std::unique_ptr<Reporter> MakeReporter(ReportStyle style, const std::vector<Target>& targets, Command command,
                                       std::FILE* out, std::FILE* err);

// The first line of a message, for output that gives a printer one line.
std::string FirstLine(const std::string& message);

// What is said before a run, or in place of one (report_before_run.cpp).
// Each returns the exit status it stands for.
int ReportUsageError(const std::string& error);
int ReportRefusal(const std::string& refusal, bool json);
void ReportPlan(const Package& package, bool json);
