// SHA-256 on Linux: libcrypto's digest (OpenSSL 3, the EVP interface).
#include "upgrade/sha256.h"

#include <openssl/evp.h>

namespace {

// Fetched once for the program's life: OpenSSL 3 otherwise looks the
// algorithm up among its providers at every start of a digest, which costs
// more than hashing a small file. Null when no provider offers it.
const EVP_MD* Sha256Algorithm()
{
    static EVP_MD* const algorithm = EVP_MD_fetch(nullptr, "SHA256", nullptr);
    return algorithm;
}

} // namespace

struct Sha256::Context {
    EVP_MD_CTX* digest = EVP_MD_CTX_new();
};

void Sha256::ContextDeleter::operator()(Context* context) const
{
    EVP_MD_CTX_free(context->digest);
    delete context;
}

Sha256::Sha256() : m_context(new Context)
{
    const EVP_MD* algorithm = Sha256Algorithm();
    if (!algorithm || !m_context->digest || EVP_DigestInit_ex(m_context->digest, algorithm, nullptr) != 1)
        m_context.reset();
}

void Sha256::Update(const unsigned char* p, size_t n)
{
    if (m_context && EVP_DigestUpdate(m_context->digest, p, n) != 1)
        m_context.reset();
}

bool Sha256::Finish(unsigned char (&digest)[kDigestBytes])
{
    unsigned int length = 0;
    const bool done = m_context && EVP_DigestFinal_ex(m_context->digest, digest, &length) == 1 &&
                      length == kDigestBytes;
    m_context.reset();
    return done;
}
