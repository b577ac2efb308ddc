// orvi-flash with many printers at once: fifty simulated TCP printers, each
// on port 2864 of a loopback address of its own and reading no faster than
// 256 KiB a second, take a 2 MiB package with --jobs 50. The fleet should
// take about as long as one printer alone: the figure is the fleet's time
// over the lone printer's. The time runs from the start of orvi-flash until
// the last printer reports the upgrade, that is until it has read the last
// byte. The peak memory is orvi-flash's own, over the fleet's run.
#include "bench/command_line.h"
#include "bench/firmware_set.h"
#include "bench/printer_sim.h"
#include "bench/results_file.h"
#include "bench/staged_program.h"
#include "tests/support/temp_dir.h"

#include <chrono>
#include <cstdio>
#include <memory>
#include <random>

namespace {

struct Run {
    bool ok = false;
    double seconds = 0;
    long peakRssKib = 0;
};

Run Measure(const TempDir& package, const FirmwareSet& set, int printers, uint64_t rate)
{
    Run run;
    TempDir scratch;
    std::random_device seed;
    const std::string network = "127." + std::to_string(1 + seed() % 250) + "." + std::to_string(seed() % 250) + ".";
    std::vector<std::unique_ptr<SimProcess>> sims;
    std::vector<std::unique_ptr<ReportFollower>> reports;
    std::vector<std::string> args = {"upgrade", "--package", package.Text(), "--jobs", std::to_string(printers),
                                     "--ledger", scratch.Text() + "ledger", "--json"};
    for (int i = 1; i <= printers; ++i) {
        const std::string address = network + std::to_string(i);
        const std::string report = scratch.Text() + "report-" + std::to_string(i);
        sims.push_back(std::make_unique<SimProcess>());
        if (!sims.back()->Start({"--tcp", address + ":2864", "--rate", std::to_string(rate), "--report", report})) {
            std::fprintf(stderr, "the simulated printer at %s did not start\n", address.c_str());
            return run;
        }
        reports.push_back(std::make_unique<ReportFollower>(report));
        args.push_back("tcp:" + address);
    }

    const auto start = std::chrono::steady_clock::now();
    const ChildResult flash = RunChild(ORVI_FLASH_BINARY, args, true);
    if (flash.exitCode != 0) {
        std::fprintf(stderr, "orvi-flash ended with status %d\n", flash.exitCode);
        return run;
    }
    // Twice the time the printers need, and a minute besides.
    const int waitMs = static_cast<int>(set.wireBytes * 2000 / rate) + 60000;
    for (auto& report : reports) {
        if (!report->WaitFor("\"event\":\"upgrade\"", 1, waitMs) || report->Seen("protocol-error") != 0) {
            std::fprintf(stderr, "a printer did not receive the whole upgrade\n");
            return run;
        }
    }
    run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    run.peakRssKib = flash.peakRssKib;
    run.ok = true;
    return run;
}

} // namespace

int main(int argc, char** argv)
{
    if (!BenchRequested(argc, argv))
        return kBenchSkipped;
    const int printers = static_cast<int>(ArgValue(argc, argv, "--printers", 50));
    const uint64_t rate = ArgValue(argc, argv, "--rate-kib", 256) * 1024;
    const uint64_t total = ArgValue(argc, argv, "--kib", 2048) * 1024;

    TempDir package;
    FirmwareSet set;
    if (!WriteFirmwareSet(package.Text(), total, false, set)) {
        std::fprintf(stderr, "cannot write the package into %s\n", package.Text().c_str());
        return 1;
    }
    const Run alone = Measure(package, set, 1, rate);
    const Run fleet = alone.ok ? Measure(package, set, printers, rate) : Run{};
    if (!fleet.ok)
        return 1;

    const double ratio = fleet.seconds / alone.seconds;
    constexpr long kRssTargetKib = 64 * 1024;
    ResultFields fields;
    fields.Add("printers", static_cast<long long>(printers))
        .Add("firmware_bytes", static_cast<long long>(set.dataBytes))
        .Add("printer_bytes_per_s", static_cast<long long>(rate))
        .Add("alone_seconds", alone.seconds, 2)
        .Add("fleet_seconds", fleet.seconds, 2)
        .Add("ratio", ratio, 3)
        .Add("target", std::string("<= 1.15"))
        .Add("peak_rss_kib", static_cast<long long>(fleet.peakRssKib))
        .Add("peak_rss_target_kib", static_cast<long long>(kRssTargetKib))
        .Add("met", ratio <= 1.15 && fleet.peakRssKib <= kRssTargetKib);
    PublishResult("flash_fleet", fields);
    return 0;
}
