// The registry port over the registry itself: the current user's hive,
// opened for querying only, as the maker's software wrote it.
#include "pages/registry_query.h"

#include <windows.h>

namespace {

bool HasNul(const std::string& str)
{
    return str.find('\0') != std::string::npos;
}

HKEY KeyOf(RegistryKeyHandle hKey)
{
    return reinterpret_cast<HKEY>(hKey);
}

} // namespace

RegistryKeyHandle OpenUserRegistryKey(const std::string& strSubKey)
{
    // A name with a NUL in it would be cut short by the API and open
    // another key than the one asked for.
    if (HasNul(strSubKey))
        return InvalidRegistryKey;
    HKEY hKey = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, strSubKey.c_str(), 0, KEY_QUERY_VALUE, &hKey) != ERROR_SUCCESS ||
        !hKey)
        return InvalidRegistryKey;
    return reinterpret_cast<RegistryKeyHandle>(hKey);
}

int QueryRegistryValue(RegistryKeyHandle hKey, const std::string& strValueName, void* pBuffer, uint32_t* pnSize)
{
    if (hKey == InvalidRegistryKey || !pnSize || HasNul(strValueName))
        return 0;
    DWORD size = *pnSize;
    LONG result = RegQueryValueExA(KeyOf(hKey), strValueName.c_str(), nullptr, nullptr,
                                   static_cast<BYTE*>(pBuffer), &size);
    *pnSize = size;
    return result == ERROR_SUCCESS ? 1 : 0;
}

void CloseRegistryKey(RegistryKeyHandle hKey)
{
    if (hKey != InvalidRegistryKey)
        RegCloseKey(KeyOf(hKey));
}
