#include "flash/package.h"

#include "res/strings.h"
#include "upgrade/commands.h"
#include "upgrade/exchanges.h"
#include "upgrade/file_access.h"
#include "upgrade/sha256.h"

#include <algorithm>
#include <memory>
#include <new>
#include <utility>
#include <vector>

namespace {

// Reading to hash is not a transfer: it reads in blocks many pieces long,
// so that a large package costs few calls.
constexpr size_t kDigestBlock = 64 * static_cast<size_t>(kPieceSize);

// A file's digest, read once, its bytes read into `held` (room for `size`)
// when given. An empty text when it does not read whole, with the message
// page 4 would show when it met the file so.
std::string FileDigest(const std::string& directory, const std::string& name, int32_t size, std::string& refusal,
                       unsigned char* held)
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
    while (total <= size) {
        const int64_t left = size - total;
        unsigned char* into = held && left > 0 ? held + total : block.data();
        const int64_t room = held && left > 0 ? std::min<int64_t>(left, kDigestBlock) : kDigestBlock;
        if (!ReadFileBytes(h, into, static_cast<int>(room), &n) || n <= 0)
            break;
        sha.Update(into, static_cast<size_t>(n));
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
    package.held = holdUpTo > 0 && listedBytes <= holdUpTo;
    std::vector<std::unique_ptr<unsigned char[]>> held;
    for (int k = 0; package.held && k < package.list.m_nCount; ++k) {
        // Memory the system will not give is no refusal: the package is
        // then read again for each printer, as a larger one is.
        held.emplace_back(new (std::nothrow) unsigned char[std::max<int32_t>(package.list.m_nSizes[k], 1)]);
        package.held = held.back() != nullptr;
    }
    if (!package.held)
        held.clear();
    std::string names;
    for (int k = 0; k < package.list.m_nCount; ++k) {
        PackageFile f;
        f.name = package.list.m_strNames[k];
        f.size = package.list.m_nSizes[k];
        if (package.held)
            f.bytes = std::move(held[static_cast<size_t>(k)]);
        f.sha256 = FileDigest(package.directory, f.name, f.size, refusal, f.bytes.get());
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
    m_file = &m_package.files[static_cast<size_t>(index)];
    m_next = 0;
    return true;
}

bool HeldFiles::Read(unsigned char* piece, int capacity, int& read)
{
    if (!m_file || !m_file->bytes || capacity < 0)
        return false;
    const size_t n = std::min(static_cast<size_t>(capacity), static_cast<size_t>(m_file->size) - m_next);
    std::copy_n(m_file->bytes.get() + m_next, n, piece);
    m_next += n;
    read = static_cast<int>(n);
    return true;
}
