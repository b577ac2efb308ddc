// The benchmarks' figures: one machine-readable line on standard output
// per run, and bench/results.json in the source tree, where each benchmark
// replaces its own entry and leaves the others.
#pragma once

#include "upgrade/json_line.h"

#include <string>

// Builds one flat JSON object, field by field, in the order added, with
// the programs' own writer; a number without its decimals gets three.
class ResultFields {
public:
    ResultFields& Add(const char* key, double value, int nDecimals = 3);
    ResultFields& Add(const char* key, long long value);
    ResultFields& Add(const char* key, const std::string& value);
    ResultFields& Add(const char* key, bool value);
    std::string Json() const { return m_line.Object(); }

private:
    JsonLine m_line;
};

// "nproc", the CPU model and the kernel of this machine.
ResultFields MachineFields();

// Prints {"bench":strName, ...fields} on one line and records the fields
// under strName in bench/results.json, with the machine they came from.
// 1 when the file was written.
int PublishResult(const std::string& strName, const ResultFields& fields);

// Whether the benchmark should run. Under CTest (--ctest on the command
// line) a benchmark runs only when ORVI_BENCH=1, so that an ordinary test
// run skips it; by hand it always runs.
bool BenchRequested(int argc, char** argv);

// Exit status for a benchmark CTest should count as skipped.
inline constexpr int kBenchSkipped = 77;
