#include "upgrade/commands.h"

#include <cstdio>

std::string FormatDtHeader(int32_t nSize, const std::string& strName)
{
    // Built piecewise rather than through "%s": a name is kept byte for
    // byte, and a byte that happens to be NUL must not cut it short.
    char digits[16];
    std::snprintf(digits, sizeof digits, "%d", static_cast<int>(nSize));
    std::string header;
    header.reserve(strName.size() + 24);
    header += static_cast<char>(kSOH);
    header += "DT";
    header += digits;
    header += ",R:";
    header += strName;
    header += "\r\n";
    return header;
}

