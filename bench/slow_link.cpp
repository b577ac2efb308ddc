// Throughput on a slow link: page 4's whole transfer of a 1 MiB firmware
// set over a serial line at 38400 baud, played by the simulated printer on
// a pseudo-terminal that reads no faster than 3840 bytes a second. Any gap
// between one piece and the next shows as a rate below the line's.
// The time runs from the press of Finish until the printer reports the
// upgrade, that is until it has read the last byte.
// It runs twice: as the pseudo-terminal is (no modem lines, whole pieces),
// and with the port's modem lines reporting DSR asserted, so that the
// transfer goes in small pieces, DSR looked at before each and the queue
// drained after each, as on a real serial port.
#include "bench/command_line.h"
#include "bench/firmware_set.h"
#include "bench/headless_frame.h"
#include "bench/printer_sim.h"
#include "bench/results_file.h"
#include "link/modem_lines_posix.h"
#include "tests/support/scoped_env.h"
#include "tests/support/temp_dir.h"
#include "upgrade/file_access.h"

#include <cstdio>

namespace {

constexpr uint64_t kLineBytesPerSecond = 3840; // 38400 baud, ten bits a byte
constexpr int32_t kBaud38400 = 3;              // page 2's baud-rate index

struct Run {
    bool ok = false;
    double seconds = 0;
    double page4Seconds = 0;
    double ratio = 0;
};

DsrLine AlwaysAsserted(int, void*)
{
    return DsrLine::Asserted;
}

Run Measure(const FirmwareSet& set, bool dsrPaced)
{
    Run run;
    TempDir scratch;
    const std::string line = scratch.Text() + "com1";
    const std::string reportPath = scratch.Text() + "report.jsonl";
    SimProcess printer;
    if (!printer.Start({"--pty", line, "--rate", std::to_string(kLineBytesPerSecond), "--report", reportPath})) {
        std::fprintf(stderr, "the simulated printer did not start\n");
        return run;
    }
    ScopedEnv com1("ORVI_COM1", line.c_str());
    SetModemLineSource(dsrPaced ? AlwaysAsserted : nullptr, nullptr);
    ReportFollower report(reportPath);
    HeadlessWizard wizard;
    wizard.SetConnection(Com, 0, kBaud38400, 0, 0);
    if (!wizard.ToTransferPage()) {
        std::fprintf(stderr, "page 4 was not reached%s%s\n", wizard.messages.empty() ? "" : ": ",
                     wizard.messages.empty() ? "" : wizard.messages[0].text.c_str());
        return run;
    }
    // The printer sees the line closed after page 3's preparation before
    // the transfer opens it again, so the transfer is a connection of its
    // own.
    if (!report.WaitFor("\"event\":\"disconnect\"", 1, 10000)) {
        std::fprintf(stderr, "the printer did not see the preparation's connection end\n");
        return run;
    }

    const uint64_t start = MonotonicNs();
    wizard.engine.PressFinish();
    const uint64_t written = MonotonicNs();
    SetModemLineSource(nullptr, nullptr);
    // Twice the time the line needs, and a minute besides.
    const int waitMs = static_cast<int>(set.wireBytes * 2000 / kLineBytesPerSecond) + 60000;
    if (!wizard.sheet.m_bUpgradeDone || !report.WaitFor("\"event\":\"upgrade\"", 1, waitMs)) {
        std::fprintf(stderr, "the transfer did not complete%s%s\n", wizard.messages.empty() ? "" : ": ",
                     wizard.messages.empty() ? "" : wizard.messages[0].text.c_str());
        return run;
    }
    const uint64_t end = MonotonicNs();
    // One connection for page 3's preparation, one for the transfer.
    if (report.Seen("protocol-error") != 0 || report.Seen("\"event\":\"connect\"") != 2) {
        std::fprintf(stderr, "the printer reported protocol errors or the transfer took more than one connection\n");
        return run;
    }
    run.ok = true;
    run.seconds = static_cast<double>(end - start) / 1e9;
    run.page4Seconds = static_cast<double>(written - start) / 1e9;
    run.ratio = static_cast<double>(set.wireBytes) / run.seconds / static_cast<double>(kLineBytesPerSecond);
    return run;
}

} // namespace

int main(int argc, char** argv)
{
    if (!BenchRequested(argc, argv))
        return kBenchSkipped;
    const uint64_t total = ArgValue(argc, argv, "--kib", 1024) * 1024;

    ScopedFirmwareSet files(ProgramDirectory());
    if (!files.Write(total, false)) {
        std::fprintf(stderr, "cannot write the firmware set into %s\n", files.Directory().c_str());
        return 1;
    }
    const FirmwareSet& set = files.Set();
    const Run whole = Measure(set, false);
    const Run paced = whole.ok ? Measure(set, true) : Run{};
    if (!whole.ok || !paced.ok)
        return 1;

    const double ratio = whole.ratio < paced.ratio ? whole.ratio : paced.ratio;
    ResultFields fields;
    fields.Add("firmware_bytes", static_cast<long long>(set.dataBytes))
        .Add("wire_bytes", static_cast<long long>(set.wireBytes))
        .Add("seconds", whole.seconds, 2)
        .Add("page4_returned_s", whole.page4Seconds, 2)
        .Add("achieved_bytes_per_s", static_cast<double>(set.wireBytes) / whole.seconds, 1)
        .Add("dsr_paced_seconds", paced.seconds, 2)
        .Add("dsr_paced_bytes_per_s", static_cast<double>(set.wireBytes) / paced.seconds, 1)
        .Add("line_bytes_per_s", static_cast<long long>(kLineBytesPerSecond))
        .Add("ratio", ratio, 4)
        .Add("target", std::string(">= 0.99, the lower of the two"))
        .Add("met", ratio >= 0.99);
    PublishResult("slow_link", fields);
    return 0;
}
