// A firmware set of a chosen size written where page 4 looks for it: three
// listed files, iosubsys.bin and an l11config.bld that lists them.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

struct FirmwareSet {
    std::vector<std::string> names; // in sending order, the configuration file last
    std::vector<uint64_t> sizes;
    uint64_t dataBytes = 0;         // the files' bytes
    uint64_t wireBytes = 0;         // everything page 4 writes: headers, files, SR
};

// Writes the set into strDirectory (ending in '/'), nTotal bytes in the
// listed files and iosubsys.bin together. bSparse leaves the files as holes,
// which read as zeros and cost no disk, for sets larger than the disk
// should carry; otherwise the bytes are pseudo-random. 1 on success.
int WriteFirmwareSet(const std::string& strDirectory, uint64_t nTotal, bool bSparse, FirmwareSet& set);

// The bytes page 4 puts on the wire for one file: its DT header and data.
uint64_t WireBytesOf(const std::string& strName, uint64_t nSize);

// Writes into strPath the bytes page 4 and orvi-flash put on the wire for
// the set in strDirectory (each DT header and file, then SR), for senders
// that copy one file to a socket; strSha256 gets their digest. 1 on success.
int WriteWireStream(const std::string& strDirectory, const FirmwareSet& set, const std::string& strPath,
                    std::string& strSha256);

// Removes the files WriteFirmwareSet wrote, so that a benchmark leaves no
// firmware behind in the build tree.
void RemoveFirmwareSet(const std::string& strDirectory, const FirmwareSet& set);

// A set that is removed again on every way out of the benchmark.
class ScopedFirmwareSet {
public:
    explicit ScopedFirmwareSet(std::string strDirectory) : m_strDirectory(std::move(strDirectory)) {}
    ~ScopedFirmwareSet() { RemoveFirmwareSet(m_strDirectory, m_set); }
    ScopedFirmwareSet(const ScopedFirmwareSet&) = delete;
    ScopedFirmwareSet& operator=(const ScopedFirmwareSet&) = delete;

    int Write(uint64_t nTotal, bool bSparse) { return WriteFirmwareSet(m_strDirectory, nTotal, bSparse, m_set); }
    const FirmwareSet& Set() const { return m_set; }
    const std::string& Directory() const { return m_strDirectory; }

private:
    std::string m_strDirectory;
    FirmwareSet m_set;
};
