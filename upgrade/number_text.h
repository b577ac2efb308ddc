// Numbers as text, the same in every locale: a decimal point, never a
// comma, whatever LC_NUMERIC the user's environment or a library sets. JSON,
// the ledger, traces, the command line and the terminal lines all go
// through these.
#pragma once

#include <optional>
#include <string>

// The value with this many digits after the point ("0.003" for 0.0031, 3).
std::string FormatDecimal(double value, int decimals);

// The value of a hexadecimal digit, in either case; -1 for any other byte.
inline int HexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// A plain decimal number ("2.5", "10", ".5"); nothing else may follow it.
std::optional<double> ParseDecimal(const std::string& text);
