// Numbers as text, the same in every locale: a decimal point, never a
// comma, whatever LC_NUMERIC the user's environment or a library sets. JSON,
// the ledger, traces, the command line and the terminal lines all go
// through these.
#pragma once

#include <optional>
#include <string>

// The value with this many digits after the point ("0.003" for 0.0031, 3).
std::string FormatDecimal(double value, int decimals);

// A plain decimal number ("2.5", "10", ".5"); nothing else may follow it.
std::optional<double> ParseDecimal(const std::string& text);
