#include "upgrade/number_text.h"

#include <charconv>

std::string FormatDecimal(double value, int decimals)
{
    char text[64];
    const auto end = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, decimals);
    return end.ec == std::errc() ? std::string(text, end.ptr) : std::string("0");
}

std::optional<double> ParseDecimal(const std::string& text)
{
    double value = 0;
    const char* last = text.data() + text.size();
    const auto end = std::from_chars(text.data(), last, value, std::chars_format::fixed);
    if (text.empty() || end.ec != std::errc() || end.ptr != last)
        return std::nullopt;
    return value;
}
