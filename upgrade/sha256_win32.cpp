// SHA-256 on Windows: the system's CNG hash from bcrypt.dll. The DLL is
// loaded from the system folder the first time a hash is made, never
// imported: bcrypt.dll is not one of the DLLs Windows always takes from the
// system folder, and the wizard runs from a downloaded firmware folder,
// where a planted bcrypt.dll would otherwise be loaded into it.
#include "upgrade/sha256.h"

#include <windows.h>

#include <bcrypt.h>

namespace {

struct Cng {
    decltype(&::BCryptCreateHash) CreateHash;
    decltype(&::BCryptHashData) HashData;
    decltype(&::BCryptFinishHash) FinishHash;
    decltype(&::BCryptDestroyHash) DestroyHash;
    // Opened once and shared by every hash, also across orvi-flash's
    // threads; each hash object belongs to one stream.
    BCRYPT_ALG_HANDLE sha256;
};

template <class Function>
Function Entry(HMODULE dll, const char* name)
{
    return reinterpret_cast<Function>(reinterpret_cast<void*>(::GetProcAddress(dll, name)));
}

const Cng* LoadCng()
{
    HMODULE dll = ::LoadLibraryExW(L"bcrypt.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    if (!dll)
        return nullptr;
    static Cng cng;
    const auto open = Entry<decltype(&::BCryptOpenAlgorithmProvider)>(dll, "BCryptOpenAlgorithmProvider");
    cng.CreateHash = Entry<decltype(&::BCryptCreateHash)>(dll, "BCryptCreateHash");
    cng.HashData = Entry<decltype(&::BCryptHashData)>(dll, "BCryptHashData");
    cng.FinishHash = Entry<decltype(&::BCryptFinishHash)>(dll, "BCryptFinishHash");
    cng.DestroyHash = Entry<decltype(&::BCryptDestroyHash)>(dll, "BCryptDestroyHash");
    const bool all = open && cng.CreateHash && cng.HashData && cng.FinishHash && cng.DestroyHash &&
                     BCRYPT_SUCCESS(open(&cng.sha256, BCRYPT_SHA256_ALGORITHM, nullptr, 0));
    // The DLL and the provider stay for the program's life: the functions
    // point into the one and every hash is made from the other.
    return all ? &cng : nullptr;
}

const Cng* Api()
{
    static const Cng* const cng = LoadCng();
    return cng;
}

} // namespace

struct Sha256::Context {
    BCRYPT_HASH_HANDLE hash = nullptr;
};

void Sha256::ContextDeleter::operator()(Context* context) const
{
    if (context->hash)
        Api()->DestroyHash(context->hash);
    delete context;
}

Sha256::Sha256() : m_context(new Context)
{
    // No buffer given: CNG allocates the hash object itself.
    const Cng* cng = Api();
    if (!cng || !BCRYPT_SUCCESS(cng->CreateHash(cng->sha256, &m_context->hash, nullptr, 0, nullptr, 0, 0)))
        m_context.reset();
}

void Sha256::Update(const unsigned char* p, size_t n)
{
    // BCryptHashData takes a 32-bit length.
    constexpr size_t kMostAtOnce = 1u << 30;
    while (m_context && n > 0) {
        const size_t take = n < kMostAtOnce ? n : kMostAtOnce;
        if (!BCRYPT_SUCCESS(Api()->HashData(m_context->hash, const_cast<PUCHAR>(p), static_cast<ULONG>(take), 0)))
            m_context.reset();
        p += take;
        n -= take;
    }
}

bool Sha256::Finish(unsigned char (&digest)[kDigestBytes])
{
    const bool done = m_context && BCRYPT_SUCCESS(Api()->FinishHash(m_context->hash, digest, kDigestBytes, 0));
    m_context.reset();
    return done;
}
