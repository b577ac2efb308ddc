// orvi-flash to a TCP printer that reads slowly but steadily: a 4 MiB
// package to the simulated printer reading 50 kB/s on loopback, with the
// program's own limits. A sender that waits for the kernel to report room
// in a send buffer of megabytes fails such a printer after ten seconds with
// most of the package queued on its own side; this one must upgrade it,
// confirmed, at the printer's pace.
#include "bench/command_line.h"
#include "bench/firmware_set.h"
#include "bench/printer_sim.h"
#include "bench/results_file.h"
#include "bench/staged_program.h"
#include "tests/support/temp_dir.h"

#include <chrono>
#include <cstdio>

namespace {

constexpr uint64_t kPrinterBytesPerSecond = 50000;

} // namespace

int main(int argc, char** argv)
{
    if (!BenchRequested(argc, argv))
        return kBenchSkipped;
    const uint64_t total = ArgValue(argc, argv, "--kib", 4096) * 1024;

    TempDir package, scratch;
    FirmwareSet set;
    if (!WriteFirmwareSet(package.Text(), total, false, set)) {
        std::fprintf(stderr, "cannot write the package into %s\n", package.Text().c_str());
        return 1;
    }
    const std::string address = FreshLoopbackAddress();
    const std::string reportPath = scratch.Text() + "report.jsonl";
    SimProcess printer;
    if (!printer.Start({"--tcp", address + ":2864", "--rate", std::to_string(kPrinterBytesPerSecond), "--report",
                        reportPath})) {
        std::fprintf(stderr, "the simulated printer did not start\n");
        return 1;
    }
    ReportFollower report(reportPath);

    const auto start = std::chrono::steady_clock::now();
    const ChildResult flash = RunChild(ORVI_FLASH_BINARY,
                                       {"upgrade", "tcp:" + address, "--package", package.Text(), "--ledger",
                                        scratch.Text() + "ledger"},
                                       true);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const bool upgraded = flash.exitCode == 0 && report.WaitFor("\"event\":\"upgrade\"", 1, 60000) &&
                          report.Seen("protocol-error") == 0;
    const double rate = static_cast<double>(set.wireBytes) / seconds;
    ResultFields fields;
    fields.Add("firmware_bytes", static_cast<long long>(set.dataBytes))
        .Add("printer_bytes_per_s", static_cast<long long>(kPrinterBytesPerSecond))
        .Add("exit_status", static_cast<long long>(flash.exitCode))
        .Add("seconds", seconds, 2)
        .Add("achieved_bytes_per_s", rate, 1)
        .Add("ratio", rate / static_cast<double>(kPrinterBytesPerSecond), 4)
        .Add("target", std::string("upgraded (exit status 0), at >= 0.95 of the printer's rate"))
        .Add("met", upgraded && rate >= 0.95 * static_cast<double>(kPrinterBytesPerSecond));
    PublishResult("flash_slow_reader", fields);
    return upgraded ? 0 : 1;
}
