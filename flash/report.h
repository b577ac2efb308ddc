// What a run shows as it goes. On a terminal, one line per running printer
// (name, bytes sent of total, rate, time left) redrawn in place, and a
// final line for each printer as it ends; not on a terminal, a line per
// printer at its outcome only; with --json, JSON lines (an event at each
// outcome, at most one progress event a second for each printer, then a
// summary). Called from the printers' threads; each style guards itself.
#pragma once

#include "flash/printer_run.h"

#include <cstdio>
#include <memory>
#include <vector>

class Reporter {
public:
    virtual ~Reporter() = default;
    virtual void Started(size_t) {}
    virtual void Progress(size_t, uint64_t, uint64_t) {}
    virtual void Finished(size_t index, const PrinterResult& result) = 0;
    virtual void Summary(const std::vector<PrinterResult>& results, int exitStatus) = 0;
};

enum class ReportStyle { Terminal, Lines, Json };

std::unique_ptr<Reporter> MakeReporter(ReportStyle style, const std::vector<Target>& targets, Command command,
                                       std::FILE* out);

// The first line of a message, for output that gives a printer one line.
std::string FirstLine(const std::string& message);
