// Memory: peak resident memory of page 4's whole transfer of a 16 MiB and
// of a 1 GiB firmware set to the simulated printer over loopback, each in
// a fresh process, and their ratio. The sets are sparse files in a
// temporary directory: they cost no disk and read as fast as memory, and
// page 4 reads them like any other file.
#include "bench/command_line.h"
#include "bench/firmware_set.h"
#include "bench/headless_frame.h"
#include "bench/printer_sim.h"
#include "bench/results_file.h"
#include "bench/staged_program.h"
#include "tests/support/temp_dir.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <vector>

namespace {

constexpr uint64_t kMiB = 1024 * 1024;

// The child: one transfer from its own directory, then exit 0 if it
// completed without a message.
int TransferOnce(const std::string& strAddress)
{
    HeadlessWizard wizard;
    wizard.SetConnection(TcpIp, 0, 2, 0, PackAddress(strAddress));
    if (!wizard.ToTransferPage())
        return 1;
    wizard.engine.PressFinish();
    return wizard.sheet.m_bUpgradeDone && wizard.messages.empty() ? 0 : 1;
}

// One staged transfer of nTotal bytes; the child's peak RSS in KiB, or 0.
long MeasureTransfer(uint64_t nTotal)
{
    TempDir scratch;
    const std::string program = scratch.Text() + "program/";
    std::filesystem::create_directories(program);
    const std::string copy = StageThisProgram(program);
    FirmwareSet set;
    if (copy.empty() || !WriteFirmwareSet(program, nTotal, true, set)) {
        std::fprintf(stderr, "cannot stage the program and its firmware in %s\n", program.c_str());
        return 0;
    }
    const std::string reportPath = scratch.Text() + "report.jsonl";
    const std::string address = FreshLoopbackAddress();
    SimProcess printer;
    if (!printer.Start({"--tcp", address + ":2864", "--report", reportPath})) {
        std::fprintf(stderr, "the simulated printer did not start\n");
        return 0;
    }
    const ChildResult child = RunChild(copy, {"--transfer", address});
    ReportFollower report(reportPath);
    if (child.exitCode != 0 || !report.WaitFor("\"event\":\"upgrade\"", 1, 120000)) {
        std::fprintf(stderr, "the transfer of %llu bytes did not complete (exit %d)\n",
                     static_cast<unsigned long long>(nTotal), child.exitCode);
        return 0;
    }
    return child.peakRssKib;
}

} // namespace

int main(int argc, char** argv)
{
    const std::string address = ArgText(argc, argv, "--transfer");
    if (!address.empty())
        return TransferOnce(address);
    if (!BenchRequested(argc, argv))
        return kBenchSkipped;
    const uint64_t small = ArgValue(argc, argv, "--small-mib", 16) * kMiB;
    const uint64_t large = ArgValue(argc, argv, "--large-mib", 1024) * kMiB;
    const int rounds = static_cast<int>(ArgValue(argc, argv, "--rounds", 3));

    std::vector<long> smallKib, largeKib;
    for (int round = 0; round < rounds; ++round) {
        // Alternate the order, so neither always runs on a warmer machine.
        for (int i = 0; i < 2; ++i) {
            const bool bLarge = (i == 0) == (round % 2 == 1);
            const long kib = MeasureTransfer(bLarge ? large : small);
            if (kib <= 0)
                return 1;
            (bLarge ? largeKib : smallKib).push_back(kib);
        }
    }
    // The largest of each: a peak is what the machine has to have.
    const long smallPeak = *std::max_element(smallKib.begin(), smallKib.end());
    const long largePeak = *std::max_element(largeKib.begin(), largeKib.end());
    const double ratio = static_cast<double>(largePeak) / static_cast<double>(smallPeak);
    ResultFields fields;
    fields.Add("small_bytes", static_cast<long long>(small))
        .Add("large_bytes", static_cast<long long>(large))
        .Add("rounds", static_cast<long long>(rounds))
        .Add("small_peak_rss_kib", static_cast<long long>(smallPeak))
        .Add("large_peak_rss_kib", static_cast<long long>(largePeak))
        .Add("ratio", ratio)
        .Add("target", std::string("<= 1.1"))
        .Add("met", ratio <= 1.1);
    PublishResult("memory_footprint", fields);
    return 0;
}
