// Every seed and every saved finding of one fuzzer, through the fuzzer's
// own entry function. ORVI_FUZZ_TARGET names the folders below
// tests/fuzz/corpus/ and tests/fuzz/regressions/.
#include "tests/fuzz/fuzz_entry.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

std::filesystem::path Folder(const char* folder)
{
    return std::filesystem::path(ORVI_FUZZ_DIR) / folder / ORVI_FUZZ_TARGET;
}

std::vector<std::filesystem::path> Inputs(const char* folder)
{
    std::vector<std::filesystem::path> files;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(Folder(folder), ec))
        if (entry.is_regular_file() && entry.path().filename().string()[0] != '.')
            files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    return files;
}


// A folder that is missing or holds nothing would replay nothing and pass.
void RunAll(const char* folder)
{
    ASSERT_TRUE(std::filesystem::is_directory(Folder(folder))) << Folder(folder);
    const std::vector<std::filesystem::path> inputs = Inputs(folder);
    ASSERT_FALSE(inputs.empty()) << Folder(folder);
    for (const auto& path : inputs) {
        const std::string bytes = ReadWholeFile(path);
        EXPECT_EQ(ORVI_FUZZ_ENTRY(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()), 1)
            << path.string();
    }
}

TEST(FuzzInputs, SeedCorpus)
{
    RunAll("corpus");
}

TEST(FuzzInputs, SavedFindings)
{
    RunAll("regressions");
}

} // namespace
