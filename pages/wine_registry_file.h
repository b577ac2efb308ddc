// Wine keeps each user's registry in a text file, $WINEPREFIX/user.reg. This
// reads one key out of that text. It is a pure function over the bytes and
// takes any bytes at all: a damaged or hand-edited file only loses the values
// it cannot read.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// The registry's value types the reader names (REG_SZ and so on); a value
// may carry any other number too.
inline constexpr uint32_t kRegSz = 1;
inline constexpr uint32_t kRegExpandSz = 2;
inline constexpr uint32_t kRegBinary = 3;
inline constexpr uint32_t kRegDword = 4;
inline constexpr uint32_t kRegMultiSz = 7;

// The types whose data is text.
inline constexpr bool IsTextValueType(uint32_t nType)
{
    return nType == kRegSz || nType == kRegExpandSz || nType == kRegMultiSz;
}

struct WineRegistryValue {
    std::u16string strName; // "" for the key's default value
    uint32_t nType = 0;
    // The data as the registry holds it: text in UTF-16LE with its NUL.
    std::vector<uint8_t> data;
};

struct WineRegistryKey {
    std::vector<WineRegistryValue> values;
};

// Looks for strKeyPath (relative to the user's root, components separated by
// single backslashes, single-byte text) in the text of a user.reg; key names
// compare without regard to ASCII case. Returns 1 when the file holds the key,
// with its values in key. A key that only has subkeys counts as held, with no
// values: Wine writes no section of its own for it. Returns 0 when the key is
// not there or the text is not a Wine registry file.
int FindWineRegistryKey(const char* pText, size_t nSize, const std::string& strKeyPath, WineRegistryKey& key);

// The value named strName (without regard to ASCII case), or null.
const WineRegistryValue* FindWineRegistryValue(const WineRegistryKey& key, const std::string& strName);

// The data as RegQueryValueExA hands it out: the text types in the
// single-byte code page (Windows-1252, '?' for what it cannot show), every
// other type as stored.
std::vector<uint8_t> AnsiValueData(const WineRegistryValue& value);
