#include "flash/package.h"

#include "res/strings.h"
#include "upgrade/commands.h"
#include "upgrade/exchanges.h"
#include "upgrade/file_access.h"
#include "upgrade/sha256.h"

#include <vector>

namespace {

// Reading to hash is not a transfer: it reads in blocks many pieces long,
// so that a large package costs few calls.
constexpr size_t kDigestBlock = 64 * static_cast<size_t>(kPieceSize);

// A file's digest, read once. An empty text when it does not read whole,
// with the message page 4 would show when it met the file so.
std::string FileDigest(const std::string& directory, const std::string& name, int32_t size, std::string& refusal)
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

bool LoadPackage(const std::string& dir, Package& package, std::string& refusal)
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
    std::string names;
    for (int k = 0; k < package.list.m_nCount; ++k) {
        PackageFile f;
        f.name = package.list.m_strNames[k];
        f.size = package.list.m_nSizes[k];
        f.sha256 = FileDigest(package.directory, f.name, f.size, refusal);
        if (f.sha256.empty())
            return false;
        package.dataBytes += static_cast<uint64_t>(f.size);
        package.wireBytes += FormatDtHeader(f.size, f.name).size() + static_cast<uint64_t>(f.size);
        names += f.name + "\n" + f.sha256 + "\n";
        package.files.push_back(f);
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
