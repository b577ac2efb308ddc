// One printer's trace, for support: every command and answer byte, and
// each file's data as its size and SHA-256 as sent, each with the seconds
// since the printer's part began. One file per printer, in the folder --trace names:
// each run that really runs the printer appends its part under a header of
// its own, so that a rerun never loses the record of an earlier upgrade.
#pragma once

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
    // Opens folder/fileName to append this run's part, which begins with
    // the header line. false if it cannot be written (a symbolic link at
    // its place is not followed).
    bool Open(const std::string& folder, const std::string& fileName, const std::string& header);
    bool IsOpen() const { return m_file != nullptr; }

    void Note(const std::string& what);
    // '>' bytes sent, '<' bytes read.
    void Bytes(char direction, const void* pBytes, int32_t n);
    void FileStarted(const std::string& name, int32_t size);
    // What went of a file's data, whole or cut short, with the digest of
    // what was sent that the caller has (the package's, for a held file
    // sent whole); the trace hashes nothing of its own.
    void FileEnded(const std::string& name, uint64_t bytes, const std::string& sha256);

private:
    struct Closer {
        void operator()(std::FILE* f) const { std::fclose(f); }
    };
    void Line(const std::string& text);

    std::unique_ptr<std::FILE, Closer> m_file;
    std::chrono::steady_clock::time_point m_start;
};
