#include "flash/package.h"

#include "res/strings.h"
#include "upgrade/commands.h"
#include "upgrade/exchanges.h"
#include "upgrade/file_access.h"
#include "upgrade/sha256.h"

#include <algorithm>
#include <utility>
#include <vector>

namespace {

// Reading to hash is not a transfer: it reads in blocks many pieces long,
// so that a large package costs few calls.
constexpr size_t kDigestBlock = 64 * static_cast<size_t>(kPieceSize);

// A file's digest, read once, its bytes kept in `held` when asked. An empty
// text when it does not read whole, with the message page 4 would show when
// it met the file so.
std::string FileDigest(const std::string& directory, const std::string& name, int32_t size, std::string& refusal,
                       std::vector<unsigned char>* held)
{
    FileHandle h = OpenFileForReading(directory, name, FileSharing::Readers);
    if (h == InvalidFile) {
        refusal = LoadStringResource(IDS_FILE_NOT_OPENED);
        return "";
    }
    Sha256 sha;
    std::vector<unsigned char> block(kDigestBlock);
    int64_t total = 0;
    int n = 0;
    // Read no further than one block past the size announced: a file that
    // keeps growing is refused, not hashed without end.
    while (total <= size && ReadFileBytes(h, block.data(), static_cast<int>(block.size()), &n) && n > 0) {
        sha.Update(block.data(), static_cast<size_t>(n));
        if (held && total + n <= size)
            held->insert(held->end(), block.begin(), block.begin() + n);
        total += n;
    }
    CloseFile(h);
    if (total != size) {
        refusal = LoadStringResource(IDS_FILE_NOT_SENT);
        return "";
    }
    std::string digest = sha.FinishHex();
    if (digest.empty())
        refusal = "the system's SHA-256 could not hash " + name;
    return digest;
}

} // namespace

bool LoadPackage(const std::string& dir, Package& package, std::string& refusal, uint64_t holdUpTo)
{
    package = Package{};
    package.directory = dir.empty() ? "." : dir;
    if (package.directory.back() != '/' && package.directory.back() != '\\')
        package.directory += '/';
    int32_t errorIndex = 0;
    if (!BuildSendingList(package.directory, package.list, errorIndex)) {
        refusal = ListRefusalText(errorIndex, package.list);
        return false;
    }
    uint64_t listedBytes = 0;
    for (int k = 0; k < package.list.m_nCount; ++k)
        listedBytes += static_cast<uint64_t>(package.list.m_nSizes[k]);
    package.held = listedBytes <= holdUpTo;
    std::string names;
    for (int k = 0; k < package.list.m_nCount; ++k) {
        PackageFile f;
        f.name = package.list.m_strNames[k];
        f.size = package.list.m_nSizes[k];
        if (package.held)
            f.bytes.reserve(static_cast<size_t>(f.size));
        f.sha256 = FileDigest(package.directory, f.name, f.size, refusal, package.held ? &f.bytes : nullptr);
        if (f.sha256.empty())
            return false;
        package.dataBytes += static_cast<uint64_t>(f.size);
        package.wireBytes += FormatDtHeader(f.size, f.name).size() + static_cast<uint64_t>(f.size);
        names += f.name + "\n" + f.sha256 + "\n";
        package.files.push_back(std::move(f));
    }
    package.wireBytes += kCommandLength;
    package.digest = Sha256Hex(names);
    return true;
}

double SecondsAtBaud(uint64_t wireBytes, uint32_t baud)
{
    return static_cast<double>(wireBytes) * 10.0 / baud;
}

double SecondsAtBitsPerSecond(uint64_t wireBytes, double bitsPerSecond)
{
    return static_cast<double>(wireBytes) * 8.0 / bitsPerSecond;
}

bool HeldFiles::Open(int index)
{
    if (index < 0 || static_cast<size_t>(index) >= m_package.files.size())
        return false;
    m_bytes = &m_package.files[static_cast<size_t>(index)].bytes;
    m_next = 0;
    return true;
}

bool HeldFiles::Read(unsigned char* piece, int capacity, int& read)
{
    if (!m_bytes || capacity < 0)
        return false;
    const size_t n = std::min(static_cast<size_t>(capacity), m_bytes->size() - m_next);
    std::copy_n(m_bytes->data() + m_next, n, piece);
    m_next += n;
    read = static_cast<int>(n);
    return true;
}
