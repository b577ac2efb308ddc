// The event report: one JSON object per line, written out as each event
// happens so that a reader following the file sees it at once.
#pragma once

#include "upgrade/json_line.h"

#include <string>

class Report {
public:
    Report() = default;
    ~Report();
    Report(const Report&) = delete;
    Report& operator=(const Report&) = delete;

    // Creates or empties FILE. Without a call, events go nowhere.
    int Open(const std::string& path, std::string& error);
    void Emit(const JsonLine& line);

private:
    int m_fd = -1;
};
