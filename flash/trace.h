// One printer's trace, for support: every command and answer byte, and
// each file's data as its size and SHA-256 as sent, each with the seconds
// since the trace began. One file per printer, in the folder --trace names.
#pragma once

#include "upgrade/sha256.h"

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

// Each target's trace file name: <target>.trace, characters other than
// letters, digits, '.', '-' and '_' as '_', and "-2", "-3"... after a name
// an earlier target took, so that no two printers write one file.
std::vector<std::string> TraceFileNames(const std::vector<std::string>& targets);

class TraceFile {
public:
    // Opens folder/fileName for the target. false if it cannot be written.
    bool Open(const std::string& folder, const std::string& fileName, const std::string& target);
    bool IsOpen() const { return m_file != nullptr; }

    void Note(const std::string& what);
    // '>' bytes sent, '<' bytes read.
    void Bytes(char direction, const void* pBytes, int32_t n);
    void FileStarted(const std::string& name, int32_t size);
    void Data(const void* pBytes, int32_t n);
    // The data of the file now being sent: written once all it announced
    // has gone, and by the caller when the transfer stops short.
    void FileEnded();

private:
    struct Closer {
        void operator()(std::FILE* f) const { std::fclose(f); }
    };
    void Line(const std::string& text);

    std::unique_ptr<std::FILE, Closer> m_file;
    std::chrono::steady_clock::time_point m_start;
    std::string m_fileName;
    int32_t m_fileSize = 0;
    uint64_t m_dataBytes = 0;
    std::unique_ptr<Sha256> m_sha;
};
