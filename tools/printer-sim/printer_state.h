// What the printer keeps from one connection to the next.
#pragma once

#include "tools/printer-sim/output_dir.h"
#include "tools/printer-sim/report.h"
#include "tools/printer-sim/status_answers.h"

#include <utility>
#include <vector>

struct PrinterState {
    explicit PrinterState(std::vector<StatusAnswer> list) : answers(std::move(list)) {}

    StatusAnswers answers;
    OutputDir out;
    Report report;
    int finished = 0;   // an SR or KK has been taken
};
