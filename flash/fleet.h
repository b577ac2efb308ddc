// Many printers at once: each target on a worker thread of its own, at most
// `jobs` running together, in the order given. Targets never share a device
// (RefuseDuplicates), and one printer's failure never stops another.
#pragma once

#include "flash/printer_run.h"
#include "flash/report.h"

#include <vector>

std::vector<PrinterResult> RunFleet(const std::vector<Target>& targets, const RunSettings& settings, size_t jobs,
                                    Reporter& reporter);
