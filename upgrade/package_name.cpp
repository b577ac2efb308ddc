#include "upgrade/package_name.h"

namespace {

bool IsSeparator(char c)
{
    return c == '\\' || c == '/';
}

char Upper(char c)
{
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

} // namespace

bool SplitPackageName(const std::string& strName, std::vector<std::string>& parts)
{
    parts.clear();
    if (!strName.empty() && IsSeparator(strName[0]))
        return false;
    std::string part;
    auto take = [&]() {
        if (part == "..") {
            if (parts.empty())
                return false;
            parts.pop_back();
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
        part.clear();
        return true;
    };
    for (char c : strName) {
        if (!IsSeparator(c)) {
            part += c;
            continue;
        }
        if (!take())
            return false;
    }
    return take();
}

bool IsReservedDeviceName(const std::string& strComponent)
{
    // The device is named by what comes before the first dot, trailing
    // spaces dropped: "nul", "NUL.bin", "com1 .txt" are all devices.
    std::string base = strComponent.substr(0, strComponent.find('.'));
    while (!base.empty() && base.back() == ' ')
        base.pop_back();
    for (char& c : base)
        c = Upper(c);
    if (base == "CON" || base == "PRN" || base == "AUX" || base == "NUL")
        return true;
    if (base.size() != 4 || (base.compare(0, 3, "COM") != 0 && base.compare(0, 3, "LPT") != 0))
        return false;
    // Windows also takes the code page's superscript one, two and three.
    const auto number = static_cast<unsigned char>(base[3]);
    return (number >= '1' && number <= '9') || number == 0xB9 || number == 0xB2 || number == 0xB3;
}

bool HasControlByte(const std::string& strText)
{
    for (char c : strText) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F)
            return true;
    }
    return false;
}
