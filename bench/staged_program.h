// Page 4 reads its firmware from the program's own directory. A benchmark
// that needs a set it must not leave in the build tree copies itself into
// a temporary directory, writes the set beside the copy and runs the copy
// as a child: a fresh process also gives a peak memory of its own.
#pragma once

#include <string>
#include <vector>

// Copies the running program into strDirectory (ending in '/'). Returns the
// copy's path, or empty on failure.
std::string StageThisProgram(const std::string& strDirectory);

struct ChildResult {
    int exitCode = -1; // -1: did not start, or died of a signal
    long peakRssKib = 0;
};

// Runs strProgram with args and waits for it. bQuiet sends the child's
// standard output to /dev/null, so that only the benchmark's own line
// reaches the log.
ChildResult RunChild(const std::string& strProgram, const std::vector<std::string>& args, bool bQuiet = false);
