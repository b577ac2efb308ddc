// The line rates the printer takes, in the order page 2 lists them: the one
// table that page 2's list and its stored settings, the sheet's port
// dispatch, and orvi-flash's targets, plan and help read.
#pragma once

#include <cstdint>
#include <iterator>
#include <string>

inline constexpr uint32_t kPrinterBaudRates[] = {4800, 9600, 19200, 38400};
inline constexpr int32_t kDefaultBaudIndex = 2;

// The rate at a position of page 2's list; the default's for any other.
inline uint32_t BaudRateAt(int32_t index)
{
    const bool listed = index >= 0 && index < static_cast<int32_t>(std::size(kPrinterBaudRates));
    return kPrinterBaudRates[listed ? index : kDefaultBaudIndex];
}

// The position of a rate in the list; -1 for a rate the printer does not
// take.
inline int32_t BaudIndexOf(uint64_t baud)
{
    for (int32_t i = 0; i < static_cast<int32_t>(std::size(kPrinterBaudRates)); ++i)
        if (kPrinterBaudRates[i] == baud)
            return i;
    return -1;
}

// "4800, 9600, 19200 or 38400", for people.
inline std::string BaudRatesText()
{
    std::string text;
    for (size_t i = 0; i < std::size(kPrinterBaudRates); ++i)
        text += (i == 0 ? "" : i + 1 == std::size(kPrinterBaudRates) ? " or " : ", ") +
                std::to_string(kPrinterBaudRates[i]);
    return text;
}
