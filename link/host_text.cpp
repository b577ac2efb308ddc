#include "link/host_text.h"

#include <vector>

namespace {

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

bool IsHexDigit(char c)
{
    return IsDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

bool IsHostByte(char c)
{
    return IsDigit(c) || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '-' || c == '_' || c == '.';
}

// A part the system's address readers take as a number in some base:
// decimal, octal with a leading 0, hexadecimal with 0x.
bool IsNumberInSomeBase(const std::string& part)
{
    if (part.size() >= 2 && part[0] == '0' && (part[1] == 'x' || part[1] == 'X')) {
        for (size_t i = 2; i < part.size(); ++i)
            if (!IsHexDigit(part[i]))
                return false;
        return true;
    }
    if (part.empty())
        return false;
    for (char c : part)
        if (!IsDigit(c))
            return false;
    return true;
}

bool IsDecimalOctet(const std::string& part)
{
    if (part.empty() || part.size() > 3 || (part.size() > 1 && part[0] == '0'))
        return false;
    int value = 0;
    for (char c : part) {
        if (!IsDigit(c))
            return false;
        value = value * 10 + (c - '0');
    }
    return value <= 255;
}

std::vector<std::string> SplitAtDots(const std::string& text)
{
    std::vector<std::string> parts(1);
    for (char c : text) {
        if (c == '.')
            parts.emplace_back();
        else
            parts.back() += c;
    }
    return parts;
}

} // namespace

HostText ReadHostText(const std::string& strHost)
{
    if (strHost.empty())
        return HostText::NotAHost;
    for (char c : strHost)
        if (!IsHostByte(c))
            return HostText::NotAHost;
    const std::vector<std::string> parts = SplitAtDots(strHost);
    bool allNumbers = true;
    for (const std::string& part : parts)
        allNumbers = allNumbers && (part.empty() || IsNumberInSomeBase(part));
    if (!allNumbers)
        return HostText::Name;
    if (parts.size() != 4)
        return HostText::AmbiguousNumber;
    for (const std::string& part : parts)
        if (!IsDecimalOctet(part))
            return HostText::AmbiguousNumber;
    return HostText::DottedAddress;
}
