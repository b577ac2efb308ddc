#include "bench/staged_program.h"

#include "bench/child_process.h"

#include <filesystem>

std::string StageThisProgram(const std::string& strDirectory)
{
    std::error_code ec;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec)
        return std::string();
    const std::filesystem::path copy = std::filesystem::path(strDirectory) / self.filename();
    std::filesystem::copy_file(self, copy, std::filesystem::copy_options::overwrite_existing, ec);
    return ec ? std::string() : copy.string();
}

ChildResult RunChild(const std::string& strProgram, const std::vector<std::string>& args, bool bQuiet)
{
    std::vector<std::string> argv = {strProgram};
    argv.insert(argv.end(), args.begin(), args.end());
    ChildOptions options;
    options.output = bQuiet ? ChildOutput::Discarded : ChildOutput::Inherited;
    ChildProcess child;
    if (!child.Start(argv, options))
        return ChildResult{};
    // As long as CTest gives a benchmark.
    constexpr int64_t kLongestNs = 1200ll * 1'000'000'000;
    const ChildEnd end = child.Wait(MonotonicNowNs() + kLongestNs);
    ChildResult result;
    result.exitCode = end.exitCode;
    result.peakRssKib = end.peakRssKib;
    return result;
}
