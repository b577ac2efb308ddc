#include "tests/fuzz/fuzz_entry.h"

#include "pages/wine_registry_file.h"

#include <string>

namespace {

const char* const kKeys[] = {
    "Software\\Tarnwell Systems\\Color Tarnwell\\Print Manager\\Port Setup",
    "Software",
};

bool Ascii(const std::u16string& str, std::string& out)
{
    out.clear();
    for (char16_t c : str) {
        if (c == 0 || c >= 0x80)
            return false;
        out += static_cast<char>(c);
    }
    return true;
}

char16_t Folded(char16_t c)
{
    return c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - u'a' + u'A') : c;
}

bool SameFolded(const std::u16string& a, const std::u16string& b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (Folded(a[i]) != Folded(b[i]))
            return false;
    return true;
}

// A key holds each name once (a later value replaces an earlier one), and
// a lookup by an ASCII name finds the value that bears it.
int CheckKey(const WineRegistryKey& key)
{
    const size_t n = key.values.size() < 200 ? key.values.size() : 200;
    for (size_t i = 0; i < n; ++i) {
        const WineRegistryValue& value = key.values[i];
        for (size_t j = i + 1; j < n; ++j)
            if (SameFolded(value.strName, key.values[j].strName))
                return 0;
        std::string name;
        if (Ascii(value.strName, name) && FindWineRegistryValue(key, name) != &value)
            return 0;
        const std::vector<uint8_t> ansi = AnsiValueData(value);
        if (IsTextValueType(value.nType) ? ansi.size() > value.data.size() / 2 : ansi != value.data)
            return 0;
    }
    return 1;
}

} // namespace

int FuzzWineRegistry(const uint8_t* pData, size_t nSize)
{
    const char* text = reinterpret_cast<const char*>(pData);
    int ok = 1;
    for (const char* path : kKeys) {
        WineRegistryKey key;
        if (FindWineRegistryKey(text, nSize, path, key))
            ok &= CheckKey(key);
        else
            ok &= key.values.empty();
    }
    return ok;
}
