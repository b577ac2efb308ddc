// What orvi-flash's sending costs in CPU: a 256 MiB package to one printer
// that reads as fast as it can, against the plain C sender's loop of
// 1024-byte writes over the same bytes. The figure is each sender's CPU
// time, user and system, per GiB of the stream, and orvi-flash's over the
// plain loop's, the median of the rounds. It is measured twice, in a
// private network namespace: first on its loopback as the kernel sets it
// up, where the kernel's share is small and the sender's own work shows
// (the target holds there), then on the printer link (link_model.h), where
// every 1448-byte segment and its acknowledgement costs both senders alike.
// --flash PROGRAM measures another build of orvi-flash, for a before and
// after.
#include "bench/command_line.h"
#include "bench/firmware_set.h"
#include "bench/fleet_run.h"
#include "bench/link_model.h"
#include "bench/results_file.h"
#include "tests/support/temp_dir.h"

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

double Median(std::vector<double> values)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

struct CpuFigure {
    bool measured = false;
    double flash = 0; // CPU seconds per GiB
    double plain = 0;
    double printer = 0;
};

CpuFigure Measure(const FleetSetup& setup, int rounds)
{
    CpuFigure figure;
    const double gib = static_cast<double>(setup.streamBytes) / (1u << 30);
    std::vector<double> flash, plain, printer;
    for (int round = 0; round < 2 * rounds; ++round) {
        // Alternate which goes first.
        const Sender sender = (round % 2 == 0) == (round / 2 % 2 == 0) ? Sender::OrviFlash : Sender::PlainC;
        const FleetRun run = RunFleet(setup, sender, 1, 0);
        if (!run.everyStreamExact) {
            std::fprintf(stderr, "round %d (%s): the printer's stream was not exact (exit status %d)\n", round,
                         SenderKey(sender), run.senderExitCode);
            return figure;
        }
        (sender == Sender::OrviFlash ? flash : plain).push_back(run.senderCpuSeconds / gib);
        printer.push_back(run.printerCpuSeconds / gib);
    }
    figure.measured = true;
    figure.flash = Median(flash);
    figure.plain = Median(plain);
    figure.printer = Median(printer);
    return figure;
}

} // namespace

int main(int argc, char** argv)
{
    if (!BenchRequested(argc, argv))
        return kBenchSkipped;
    if (const int status = EnterForBenchmark(false))
        return status;
    const int rounds = static_cast<int>(ArgValue(argc, argv, "--rounds", 3));
    TempDir package, scratch;
    FirmwareSet set;
    FleetSetup setup;
    setup.flashProgram = ArgText(argc, argv, "--flash").empty() ? ORVI_FLASH_BINARY : ArgText(argc, argv, "--flash");
    setup.packageDirectory = package.Text();
    setup.scratch = scratch.Text();
    if (!WriteFleetPackage(ArgValue(argc, argv, "--mib", 256) << 20, setup, set))
        return 1;

    setup.receiveBuffer = 0;
    const CpuFigure loopback = Measure(setup, rounds);
    setup.receiveBuffer = 16384;
    std::string detail;
    if (loopback.measured && ShapeAsPrinterLink(detail) != LinkModel::Entered) {
        std::fprintf(stderr, "the printer link could not be set up: %s\n", detail.c_str());
        return 1;
    }
    const CpuFigure printerLink = loopback.measured ? Measure(setup, rounds) : CpuFigure{};
    if (!printerLink.measured)
        return 1;
    const double ratio = loopback.flash / loopback.plain;
    ResultFields fields;
    fields.Add("stream_bytes", static_cast<long long>(set.wireBytes))
        .Add("rounds", static_cast<long long>(rounds))
        .Add("loopback", std::string("the namespace's loopback as the kernel sets it up (MTU 65536), "
                                     "one printer reading as fast as it can"))
        .Add("flash_cpu_s_per_gib", loopback.flash, 2)
        .Add("plain_c_cpu_s_per_gib", loopback.plain, 2)
        .Add("printer_cpu_s_per_gib", loopback.printer, 2)
        .Add("ratio", ratio, 2)
        .Add("printer_link", std::string(kLinkModelText) + "; the printer reading as fast as it can")
        .Add("printer_link_flash_cpu_s_per_gib", printerLink.flash, 2)
        .Add("printer_link_plain_c_cpu_s_per_gib", printerLink.plain, 2)
        .Add("printer_link_printer_cpu_s_per_gib", printerLink.printer, 2)
        .Add("printer_link_ratio", printerLink.flash / printerLink.plain, 2)
        .Add("target", std::string("ratio (on the loopback) <= 3"))
        .Add("met", ratio <= 3);
    PublishResult("flash_cpu", fields);
    return 0;
}
