// The firmware package: the folder with l11config.bld and its files, read
// into the list page 4 sends (the same parser, iosubsys.bin, the
// configuration file last, the same refusals), each file's size and
// SHA-256, and what sending it takes.
#pragma once

#include "upgrade/exchanges.h"
#include "upgrade/file_list.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

struct PackageFile {
    std::string name;
    int32_t size = 0;
    std::string sha256;
    // The `size` bytes that were hashed, when the package is held.
    std::unique_ptr<unsigned char[]> bytes;
};

struct Package {
    // The folder, ending in the platform's separator.
    std::string directory;
    UpgradeFileList list;
    std::vector<PackageFile> files;
    // The files' bytes, and every byte the transfer puts on the wire (the
    // DT headers, the files, SR).
    uint64_t dataBytes = 0;
    uint64_t wireBytes = 0;
    // SHA-256 over each file's name and digest, in sending order: what the
    // ledger calls this package.
    std::string digest;
    // Whether every file's bytes are held: every printer is then sent the
    // bytes that were hashed, and none reads the folder again.
    bool held = false;
};

// Reads the package in dir ("" for the current folder), holding its bytes
// when their sum is at most holdUpTo. false with the wizard's message when
// it would be refused.
bool LoadPackage(const std::string& dir, Package& package, std::string& refusal, uint64_t holdUpTo = 0);

// The package's files as a transfer reads them when it is held.
class HeldFiles : public IFirmwareFiles {
public:
    explicit HeldFiles(const Package& package) : m_package(package) {}
    bool Open(int index) override;
    bool Read(unsigned char* piece, int capacity, int& read) override;

private:
    const Package& m_package;
    const PackageFile* m_file = nullptr;
    size_t m_next = 0;
};

// Seconds the transfer's bytes take on a serial line (8N1: ten bits a byte)
// or on a network of the given bits a second.
double SecondsAtBaud(uint64_t wireBytes, uint32_t baud);
double SecondsAtBitsPerSecond(uint64_t wireBytes, double bitsPerSecond);
