// The little of the registry that the stored port settings need: open one
// key of the current user for querying, query a value into a buffer of the
// caller's as RegQueryValueEx does, close the key. Defined once per platform:
// registry_query_posix.cpp reads the registry file of the current user's
// Wine prefix; the Windows file asks the registry itself.
#pragma once

#include <cstdint>
#include <string>

using RegistryKeyHandle = std::intptr_t;
inline constexpr RegistryKeyHandle InvalidRegistryKey = 0;

// Opens strSubKey (components separated by backslashes) below the current
// user's root, for querying only. Returns the key, or InvalidRegistryKey when
// it does not open, whatever the reason.
RegistryKeyHandle OpenUserRegistryKey(const std::string& strSubKey);

// Copies the data of the value named strValueName into pBuffer. *pnSize holds
// the buffer's size on entry and the data's size on return. Returns 1 when the
// value exists and its data fit; 0 when it is missing, or when its data is
// larger than the buffer (*pnSize then says how large; the buffer's contents
// are unspecified). Text comes as single-byte text with the terminating NUL
// it was stored with, numbers as their little-endian bytes; the value's type
// is not reported.
int QueryRegistryValue(RegistryKeyHandle hKey, const std::string& strValueName, void* pBuffer, uint32_t* pnSize);

void CloseRegistryKey(RegistryKeyHandle hKey);
