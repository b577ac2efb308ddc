// Parsing a configuration file of 98 entries, the most the list holds:
// the system calls the parse makes, counted by strace around one call of
// ParseUpgradeConfig, against the one read call per byte that reading the
// file byte by byte straight from the system would cost.
// The entries name files that exist, so the count includes the directory
// lookups of all 99 sizes.
#include "bench/results_file.h"
#include "bench/staged_program.h"
#include "tests/support/temp_dir.h"
#include "upgrade/file_list.h"

#include <cstdio>
#include <fstream>
#include <map>
#include <string>
#include <unistd.h>

namespace {

constexpr int kEntries = 98;
constexpr int kConfigBuffer = 4096; // what the configuration file reader keeps
const char kBegin[] = "orvi-parse-begins\n";
const char kEnd[] = "orvi-parse-ends\n";

// The child: one parse between two markers that strace's log shows.
int ParseOnce(const std::string& strDirectory)
{
    UpgradeFileList list;
    int32_t errorIndex = 0;
    if (::write(STDOUT_FILENO, kBegin, sizeof kBegin - 1) < 0)
        return 1;
    const int ok = ParseUpgradeConfig(kConfigFileName, strDirectory, list, errorIndex);
    if (::write(STDOUT_FILENO, kEnd, sizeof kEnd - 1) < 0)
        return 1;
    return ok && list.m_nCount == kEntries + 1 ? 0 : 1;
}

// The configuration file's size in bytes.
size_t WriteSet(const TempDir& dir)
{
    std::string config = std::to_string(kEntries) + "\r\n";
    for (int i = 1; i <= kEntries; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "part%02d.bin", i);
        dir.Write(name, "x");
        config += std::string("*") + name + ":*x:\r\n";
    }
    config += "*end:\r\n";
    dir.Write(kIoSubsystemFileName, "x");
    dir.Write(kConfigFileName, config);
    return config.size();
}

std::string FindStrace()
{
    for (const char* path : {"/usr/bin/strace", "/bin/strace", "/usr/local/bin/strace"})
        if (::access(path, X_OK) == 0)
            return path;
    return std::string();
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 3 && std::string(argv[1]) == "--parse")
        return ParseOnce(argv[2]);
    if (!BenchRequested(argc, argv))
        return kBenchSkipped;
    const std::string strace = FindStrace();
    if (strace.empty()) {
        std::fprintf(stderr, "strace is not installed\n");
        return kBenchSkipped;
    }
    TempDir dir;
    const size_t configBytes = WriteSet(dir);
    TempDir logs;
    const std::string log = logs.Text() + "strace.log";
    char self[4096];
    const ssize_t n = ::readlink("/proc/self/exe", self, sizeof self - 1);
    if (n <= 0)
        return 1;
    self[n] = '\0';
    const ChildResult child = RunChild(strace, {"-qq", "-o", log, "--", self, "--parse", dir.Text()}, true);
    if (child.exitCode != 0) {
        std::fprintf(stderr, "the traced parse failed (exit %d)\n", child.exitCode);
        return 1;
    }

    std::map<std::string, long long> calls;
    long long total = 0;
    bool inside = false, closed = false;
    std::ifstream in(log);
    std::string line;
    while (std::getline(in, line)) {
        if (line.find("orvi-parse-begins") != std::string::npos) {
            inside = true;
            continue;
        }
        if (line.find("orvi-parse-ends") != std::string::npos) {
            closed = inside;
            break;
        }
        const size_t paren = line.find('(');
        if (!inside || paren == std::string::npos || line.rfind("---", 0) == 0)
            continue;
        ++calls[line.substr(0, paren)];
        ++total;
    }
    if (!closed) {
        std::fprintf(stderr, "the markers are missing from %s\n", log.c_str());
        return 1;
    }

    const long long reads = calls["read"];
    const long long readBound = static_cast<long long>(configBytes / kConfigBuffer) + 2;
    std::string breakdown;
    for (const auto& [name, count] : calls)
        breakdown += (breakdown.empty() ? "" : " ") + name + "=" + std::to_string(count);
    ResultFields fields;
    fields.Add("entries", static_cast<long long>(kEntries))
        .Add("config_bytes", static_cast<long long>(configBytes))
        .Add("one_per_byte", static_cast<long long>(configBytes))
        .Add("read_calls", reads)
        .Add("syscalls", total)
        .Add("calls", breakdown)
        .Add("ratio", static_cast<double>(total) / static_cast<double>(configBytes))
        .Add("target", "read calls <= bytes/" + std::to_string(kConfigBuffer) + " + 2, all calls < one per byte")
        .Add("met", reads <= readBound && total < static_cast<long long>(configBytes));
    PublishResult("config_syscalls", fields);
    return 0;
}
