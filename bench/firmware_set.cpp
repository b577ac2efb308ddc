#include "bench/firmware_set.h"

#include "upgrade/commands.h"
#include "upgrade/file_list.h"
#include "upgrade/sha256.h"

#include <fcntl.h>
#include <unistd.h>

namespace {

int WriteAll(int fd, const void* p, size_t n)
{
    const char* bytes = static_cast<const char*>(p);
    while (n > 0) {
        ssize_t done = ::write(fd, bytes, n);
        if (done <= 0)
            return 0;
        bytes += done;
        n -= static_cast<size_t>(done);
    }
    return 1;
}

// Incompressible filler that costs next to nothing to make.
int WriteRandom(int fd, uint64_t nSize, uint64_t& state)
{
    uint64_t buffer[8192];
    while (nSize > 0) {
        for (uint64_t& word : buffer) {
            state ^= state << 13;
            state ^= state >> 7;
            state ^= state << 17;
            word = state;
        }
        const size_t n = nSize < sizeof buffer ? static_cast<size_t>(nSize) : sizeof buffer;
        if (!WriteAll(fd, buffer, n))
            return 0;
        nSize -= n;
    }
    return 1;
}

int WriteFile(const std::string& strPath, uint64_t nSize, bool bSparse, uint64_t& state)
{
    int fd = ::open(strPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        return 0;
    int ok = bSparse ? ::ftruncate(fd, static_cast<off_t>(nSize)) == 0 : WriteRandom(fd, nSize, state);
    return ::close(fd) == 0 && ok;
}

} // namespace

uint64_t WireBytesOf(const std::string& strName, uint64_t nSize)
{
    return FormatDtHeader(static_cast<int32_t>(nSize), strName).size() + nSize;
}

int WriteFirmwareSet(const std::string& strDirectory, uint64_t nTotal, bool bSparse, FirmwareSet& set)
{
    set = FirmwareSet();
    // Shares of sixteenths, as a boot loader, a main image and fonts might
    // divide a real set; iosubsys.bin takes the rest.
    const std::vector<std::string> listed = {"boot.bin", "main.bin", "fonts.bin"};
    const uint64_t shares[] = {1, 10, 4};
    uint64_t state = 0x9E3779B97F4A7C15ull;
    uint64_t left = nTotal;
    std::string config = std::to_string(listed.size()) + "\r\n";
    for (size_t i = 0; i < listed.size(); ++i) {
        const uint64_t size = nTotal / 16 * shares[i];
        if (!WriteFile(strDirectory + listed[i], size, bSparse, state))
            return 0;
        set.names.push_back(listed[i]);
        set.sizes.push_back(size);
        left -= size;
        config += "*" + listed[i] + ":*x:\r\n";
    }
    config += "*end:\r\n";
    if (!WriteFile(strDirectory + kIoSubsystemFileName, left, bSparse, state))
        return 0;
    set.names.push_back(kIoSubsystemFileName);
    set.sizes.push_back(left);

    int fd = ::open((strDirectory + kConfigFileName).c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0 || !WriteAll(fd, config.data(), config.size()) || ::close(fd) != 0)
        return 0;
    set.names.push_back(kConfigFileName);
    set.sizes.push_back(config.size());

    for (size_t i = 0; i < set.names.size(); ++i) {
        set.dataBytes += set.sizes[i];
        set.wireBytes += WireBytesOf(set.names[i], set.sizes[i]);
    }
    set.wireBytes += kCommandLength;
    return 1;
}

int WriteWireStream(const std::string& strDirectory, const FirmwareSet& set, const std::string& strPath,
                    std::string& strSha256)
{
    int out = ::open(strPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    Sha256 sha;
    auto put = [&](const void* p, size_t n) {
        sha.Update(static_cast<const unsigned char*>(p), n);
        return WriteAll(out, p, n);
    };
    int ok = out >= 0;
    std::vector<char> buffer(1 << 20);
    for (size_t i = 0; ok && i < set.names.size(); ++i) {
        const std::string header = FormatDtHeader(static_cast<int32_t>(set.sizes[i]), set.names[i]);
        int in = ::open((strDirectory + set.names[i]).c_str(), O_RDONLY | O_CLOEXEC);
        ok = in >= 0 && put(header.data(), header.size());
        for (ssize_t n = 1; ok && n > 0;) {
            n = ::read(in, buffer.data(), buffer.size());
            ok = n >= 0 && put(buffer.data(), static_cast<size_t>(n));
        }
        if (in >= 0)
            ::close(in);
    }
    ok = ok && put(kCommandSR, kCommandLength);
    if (out >= 0 && ::close(out) != 0)
        ok = 0;
    strSha256 = sha.FinishHex();
    return ok && !strSha256.empty();
}

void RemoveFirmwareSet(const std::string& strDirectory, const FirmwareSet& set)
{
    for (const std::string& name : set.names)
        ::unlink((strDirectory + name).c_str());
}
