#include "upgrade/sha256.h"

std::string Sha256::FinishHex()
{
    unsigned char digest[kDigestBytes];
    if (!Finish(digest))
        return std::string();
    static const char kHex[] = "0123456789abcdef";
    std::string hex;
    hex.reserve(2 * kDigestBytes);
    for (unsigned char byte : digest) {
        hex += kHex[byte >> 4];
        hex += kHex[byte & 0xF];
    }
    return hex;
}

std::string Sha256Hex(const std::string& bytes)
{
    Sha256 sha;
    sha.Update(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
    return sha.FinishHex();
}
