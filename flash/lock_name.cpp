#include "flash/lock_name.h"

#include <cstdint>
#include <cstdio>

std::string LockFileName(const std::string& identity)
{
    std::string plain;
    for (char c : identity.substr(0, 96)) {
        const bool keep = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' ||
                          c == '-' || c == '_';
        plain += keep ? c : '_';
    }
    // FNV-1a, 64 bits: the same digest on every platform and every run.
    uint64_t hash = 14695981039346656037ull;
    for (unsigned char c : identity) {
        hash ^= c;
        hash *= 1099511628211ull;
    }
    char digest[17];
    std::snprintf(digest, sizeof digest, "%016llx", static_cast<unsigned long long>(hash));
    return plain + "-" + digest + ".lock";
}
