// The firmware package: the folder with l11config.bld and its files, read
// into the list page 4 sends (the same parser, iosubsys.bin, the
// configuration file last, the same refusals), each file's size and
// SHA-256, and what sending it takes.
#pragma once

#include "upgrade/file_list.h"

#include <cstdint>
#include <string>
#include <vector>

struct PackageFile {
    std::string name;
    int32_t size = 0;
    std::string sha256;
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
};

// Reads the package in dir ("" for the current folder). false with the
// wizard's message when it would be refused.
bool LoadPackage(const std::string& dir, Package& package, std::string& refusal);

// Seconds the transfer's bytes take on a serial line (8N1: ten bits a byte)
// or on a network of the given bits a second.
double SecondsAtBaud(uint64_t wireBytes, uint32_t baud);
double SecondsAtBitsPerSecond(uint64_t wireBytes, double bitsPerSecond);
