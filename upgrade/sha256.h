// SHA-256 of a byte stream fed in pieces, so a received file is hashed as
// it arrives without being held in memory. The hashing is the system's own
// (libcrypto on Linux, CNG on Windows), which uses the CPU's SHA
// instructions where it has them.
#pragma once

#include <cstddef>
#include <memory>
#include <string>

class Sha256 {
public:
    Sha256();
    void Update(const unsigned char* p, size_t n);
    // The digest as 64 lower-case hex digits. Ends the stream: call once.
    // Empty when the system's library could not hash, so that it never
    // equals a digest.
    std::string FinishHex();

private:
    static constexpr size_t kDigestBytes = 32;

    // The system library's hashing state, defined with the platform's code.
    struct Context;
    struct ContextDeleter {
        void operator()(Context* context) const;
    };

    // false when the library failed; the stream is over either way.
    bool Finish(unsigned char (&digest)[kDigestBytes]);

    // Null once the library has failed this stream.
    std::unique_ptr<Context, ContextDeleter> m_context;
};

// The digest of bytes held whole.
std::string Sha256Hex(const std::string& bytes);
