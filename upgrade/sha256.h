// SHA-256 of a byte stream fed in pieces, so a received file is hashed as
// it arrives without being held in memory.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

class Sha256 {
public:
    Sha256();
    void Update(const unsigned char* p, size_t n);
    // The digest as 64 lower-case hex digits. Ends the stream: call once.
    std::string FinishHex();

private:
    void Block(const unsigned char* p);

    uint32_t m_state[8];
    unsigned char m_buffer[64];
    size_t m_buffered = 0;
    uint64_t m_length = 0;
};

// The digest of bytes held whole.
std::string Sha256Hex(const std::string& bytes);
