// orvi-flash over a slow link: a whole upgrade of a 256 KiB package over a
// serial line at 38400 baud, played by the simulated printer on a
// pseudo-terminal that reads no faster than 3840 bytes a second, as the
// wizard's slow-link figure. The time runs from the start of orvi-flash
// (the preparation included) until the printer reports the upgrade, that
// is until it has read the last byte.
#include "bench/command_line.h"
#include "bench/firmware_set.h"
#include "bench/printer_sim.h"
#include "bench/results_file.h"
#include "bench/staged_program.h"
#include "tests/support/temp_dir.h"
#include "upgrade/commands.h"

#include <chrono>
#include <cstdio>

namespace {

constexpr uint64_t kLineBytesPerSecond = 3840; // 38400 baud, ten bits a byte

} // namespace

int main(int argc, char** argv)
{
    if (!BenchRequested(argc, argv))
        return kBenchSkipped;
    const uint64_t total = ArgValue(argc, argv, "--kib", 256) * 1024;

    TempDir package, scratch;
    FirmwareSet set;
    if (!WriteFirmwareSet(package.Text(), total, false, set)) {
        std::fprintf(stderr, "cannot write the package into %s\n", package.Text().c_str());
        return 1;
    }
    const std::string line = scratch.Text() + "serial-line";
    const std::string reportPath = scratch.Text() + "report.jsonl";
    SimProcess printer;
    if (!printer.Start({"--pty", line, "--rate", std::to_string(kLineBytesPerSecond), "--report", reportPath})) {
        std::fprintf(stderr, "the simulated printer did not start\n");
        return 1;
    }
    ReportFollower report(reportPath);

    const auto start = std::chrono::steady_clock::now();
    const ChildResult flash = RunChild(ORVI_FLASH_BINARY,
                                       {"upgrade", "serial:" + line + "@38400", "--package", package.Text(),
                                        "--ledger", scratch.Text() + "ledger"},
                                       true);
    // Twice the time the line needs, and a minute besides.
    const int waitMs = static_cast<int>(set.wireBytes * 2000 / kLineBytesPerSecond) + 60000;
    if (flash.exitCode != 0 || !report.WaitFor("\"event\":\"upgrade\"", 1, waitMs) ||
        report.Seen("protocol-error") != 0) {
        std::fprintf(stderr, "the upgrade did not complete (orvi-flash status %d)\n", flash.exitCode);
        return 1;
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    // KU and SU go out before the transfer.
    const uint64_t wire = set.wireBytes + 2 * kCommandLength;
    const double ratio = static_cast<double>(wire) / seconds / static_cast<double>(kLineBytesPerSecond);
    ResultFields fields;
    fields.Add("firmware_bytes", static_cast<long long>(set.dataBytes))
        .Add("wire_bytes", static_cast<long long>(wire))
        .Add("seconds", seconds, 2)
        .Add("achieved_bytes_per_s", static_cast<double>(wire) / seconds, 1)
        .Add("line_bytes_per_s", static_cast<long long>(kLineBytesPerSecond))
        .Add("ratio", ratio, 4)
        .Add("target", std::string(">= 0.99"))
        .Add("met", ratio >= 0.99);
    PublishResult("flash_slow_link", fields);
    return 0;
}
