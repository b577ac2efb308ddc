// What the printer answers to SU: a list of answers given in turn, the last
// one repeating once the list is used up.
#pragma once

#include <string>
#include <vector>

struct StatusAnswer {
    int silent = 0;      // 1: no answer at all
    std::string bytes;   // the exact bytes of the status line
};

// Parses a comma-separated list of forms: 0 to 4 (that digit, CR, LF);
// junk ("junk" CR LF); lf (LF alone); nolf (1024 bytes '0', no LF); none
// (silence); text:BYTES (the bytes with C escapes; a comma is written
// \x2c). Returns 0 with the offending item in `error`.
int ParseStatusList(const std::string& list, std::vector<StatusAnswer>& answers, std::string& error);

// Decodes C escapes (\r \n \t \0 \\ \xHH \NNN and the rest of C's set).
// Returns 0 with the reason in `error` for a bad or unfinished escape.
int DecodeCEscapes(const std::string& text, std::string& bytes, std::string& error);

class StatusAnswers {
public:
    explicit StatusAnswers(std::vector<StatusAnswer> answers) : m_answers(std::move(answers)) {}
    // The answer to this SU; every call moves on, up to the last answer.
    const StatusAnswer& Next();

private:
    std::vector<StatusAnswer> m_answers;
    size_t m_next = 0;
};
