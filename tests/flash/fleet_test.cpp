// Many printers at once: each simulated printer on port 2864 of a loopback
// address of its own, each ending in the outcome its fault calls for, and
// one printer's failure never keeping another from its upgrade.
#include "res/strings.h"
#include "tests/flash/flash_process.h"
#include "upgrade/messages.h"

#include <gtest/gtest.h>

#include "tests/support/pty_pair.h"

#include <csignal>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

namespace {

struct FleetPrinter {
    std::vector<std::string> faults;  // the simulated printer's options; {"absent"}: none there
    std::string outcome;
    int message;                      // the wizard's text, 0 where either of two may come
    std::string reason;               // the link's reason; "*" where either of two may come
    bool serial = false;              // on a pseudo-terminal, not on TCP
};

std::string Target(const std::string& address)
{
    return "tcp:" + address + ":2864";
}

} // namespace

TEST(Fleet, TwentyPrintersEachEndInTheirOwnOutcome)
{
    // In a language whose numbers have a decimal comma: the JSON and the
    // timeout are read the same in every locale.
    TempDir package, locale;
    const std::string german = DecimalCommaPrelude(locale);
    ASSERT_FALSE(german.empty()) << "localedef could not make de_DE.UTF-8";
    const std::vector<FirmwareFile> files = WritePackage(package, 1 << 20);
    uint64_t total = 0;
    for (const FirmwareFile& f : files)
        total += f.bytes.size();

    std::vector<FleetPrinter> fleet;
    for (int i = 0; i < 8; ++i)
        fleet.push_back({{}, "upgraded", 0, ""});
    for (const char* status : {"1", "2", "3", "4", "junk"})
        fleet.push_back(
            {{"--status", status}, "not-ready", StatusStringId(static_cast<unsigned char>(status[0])), ""});
    fleet.push_back({{"--status", "none"}, "failed-before-firmware", IDS_NO_STATUS, "timed-out"});
    fleet.push_back({{"--status", "lf"}, "failed-before-firmware", IDS_NO_STATUS, "other"});
    // It takes the connection and hangs up at once: KU or the status read
    // fails, whichever meets the hang-up.
    fleet.push_back({{"--refuse"}, "failed-before-firmware", 0, "*"});
    // With the last 64 KiB unread, and a receive buffer as small as a
    // printer's, so that its stack cannot acknowledge them for it: one
    // closes (its program died), one stops reading and holds the
    // connection (it lost power).
    const std::string unread = std::to_string(total - 65536);
    fleet.push_back({{"--receive-buffer", "4096", "--drop-after", unread}, "failed-during-transfer", IDS_FILE_NOT_SENT,
                     "reset-by-printer"});
    fleet.push_back({{"--receive-buffer", "4096", "--stall-after", unread}, "failed-during-transfer", IDS_FILE_NOT_SENT,
                     "timed-out"});
    // A serial line whose other side stops reading: more than the pseudo-
    // terminal holds is left.
    fleet.push_back({{"--stall-after", unread}, "failed-during-transfer", IDS_FILE_NOT_SENT, "timed-out", true});
    fleet.push_back({{"absent"}, "unreachable", IDS_PORT_NOT_OPENED, "refused"});
    ASSERT_EQ(fleet.size(), 20u);

    TempDir reports;
    const std::string ledger = (reports.Path() / "ledger").string();
    std::vector<std::unique_ptr<SimProcess>> printers;
    std::vector<std::string> args = {"upgrade", "--package", package.Text(), "--jobs", "20", "--json",
                                     "--timeout", "2.5", "--ledger", ledger};
    std::vector<std::string> targets;
    for (size_t i = 0; i < fleet.size(); ++i) {
        const std::string address = LoopbackAddress(static_cast<int>(i) + 1);
        const std::string line = (reports.Path() / ("line" + std::to_string(i))).string();
        targets.push_back(fleet[i].serial ? "serial:" + line + "@19200" : Target(address));
        args.push_back(targets.back());
        printers.push_back(std::make_unique<SimProcess>());
        if (fleet[i].faults == std::vector<std::string>{"absent"})
            continue;
        std::vector<std::string> simArgs = {fleet[i].serial ? "--pty" : "--tcp", fleet[i].serial ? line : address + ":2864",
                                            "--report", (reports.Path() / std::to_string(i)).string()};
        simArgs.insert(simArgs.end(), fleet[i].faults.begin(), fleet[i].faults.end());
        ASSERT_TRUE(printers[i]->Start(simArgs)) << printers[i]->StartLine();
    }

    FlashProcess run;
    ASSERT_EQ(RunFlashProgram(args, run, german), 5) << run.Out() << run.Err();
    EXPECT_TRUE(EveryLineIsJson(run.OutPath())) << run.Out();
    for (size_t i = 0; i < fleet.size(); ++i) {
        SCOPED_TRACE("printer " + std::to_string(i));
        const std::string& target = targets[i];
        const std::string report = (reports.Path() / std::to_string(i)).string();
        const std::string line = run.Event("outcome", target);
        ASSERT_FALSE(line.empty()) << run.Out();
        EXPECT_EQ(JsonField(line, "outcome"), fleet[i].outcome);
        if (fleet[i].message) {
            EXPECT_EQ(JsonField(line, "message"), LoadStringResource(fleet[i].message));
        }
        EXPECT_EQ(JsonField(line, "bytes_total"), std::to_string(total));
        EXPECT_TRUE(fleet[i].reason == "*" || JsonField(line, "reason") == fleet[i].reason) << line;
        // The ledger holds what happened, so that a rerun skips only the
        // printers really upgraded.
        for (const std::string& entry : ReadReport(ledger))
            EXPECT_TRUE(JsonField(entry, "target") != target || JsonField(entry, "outcome") == fleet[i].outcome)
                << entry;
        if (fleet[i].outcome == "upgraded") {
            EXPECT_EQ(JsonField(line, "bytes_sent"), std::to_string(total));
            EXPECT_EQ(JsonField(line, "status"), "0");
            EXPECT_EQ(CompareUpgrade(report, files), "");
        } else if (fleet[i].outcome == "not-ready") {
            // Told to leave its upgrade state, and sent no firmware.
            EXPECT_TRUE(WaitForReport(report, "\"event\":\"cancel\"", 1, kPromptMs));
            EXPECT_EQ(CountReport(report, "\"name\":\"DT\""), 0);
            EXPECT_EQ(JsonField(line, "bytes_sent"), "0");
        } else if (fleet[i].outcome == "failed-during-transfer") {
            EXPECT_LT(std::stoull(JsonField(line, "bytes_sent")), total);
            EXPECT_EQ(CountReport(report, "\"event\":\"upgrade\""), 0);
        } else {
            EXPECT_EQ(JsonField(line, "bytes_sent"), "0");
        }
    }
    const std::string summary = run.Event("summary");
    EXPECT_EQ(JsonField(summary, "printers"), "20");
    EXPECT_EQ(JsonField(summary, "upgraded"), "8");
    EXPECT_EQ(JsonField(summary, "not-ready"), "5");
    EXPECT_EQ(JsonField(summary, "exit_status"), "5");
}

TEST(Fleet, StatusLeavesEachPrinterAsItWasAndReachOnlySendsNothing)
{
    TempDir reports;
    const std::string ready = LoopbackAddress(1), noCard = LoopbackAddress(2), absent = LoopbackAddress(3);
    const std::string readyReport = (reports.Path() / "ready").string();
    const std::string noCardReport = (reports.Path() / "no-card").string();
    SimProcess a, b;
    ASSERT_TRUE(a.Start({"--tcp", ready + ":2864", "--report", readyReport}));
    ASSERT_TRUE(b.Start({"--tcp", noCard + ":2864", "--report", noCardReport, "--status", "1"}));

    FlashProcess status;
    ASSERT_EQ(RunFlashProgram({"status", Target(ready), Target(noCard), Target(absent), "--json", "--timeout", "3"},
                              status),
              4)
        << status.Out() << status.Err();
    EXPECT_EQ(JsonField(status.Event("outcome", Target(ready)), "outcome"), "ready");
    EXPECT_EQ(JsonField(status.Event("outcome", Target(ready)), "message"), LoadStringResource(IDS_STATUS_READY));
    EXPECT_EQ(JsonField(status.Event("outcome", Target(noCard)), "outcome"), "not-ready");
    EXPECT_EQ(JsonField(status.Event("outcome", Target(noCard)), "message"), LoadStringResource(IDS_STATUS_NO_CARD));
    EXPECT_EQ(JsonField(status.Event("outcome", Target(absent)), "outcome"), "unreachable");
    // Each answering printer got KU, SU, then KK, and no firmware.
    for (const std::string& report : {readyReport, noCardReport}) {
        ASSERT_TRUE(WaitForReport(report, "\"event\":\"cancel\"", 1, kPromptMs));
        std::string commands;
        for (const std::string& line : ReadReport(report))
            if (line.find("\"event\":\"command\"") != std::string::npos)
                commands += JsonField(line, "name") + " ";
        EXPECT_EQ(commands, "KU SU KK ");
    }

    FlashProcess reach;
    ASSERT_EQ(RunFlashProgram({"status", "--reach-only", Target(ready), Target(absent), "--timeout", "3"}, reach), 4)
        << reach.Out() << reach.Err();
    EXPECT_NE(reach.Out().find(Target(ready) + "  reachable"), std::string::npos) << reach.Out();
    EXPECT_NE(reach.Out().find(Target(absent) + "  unreachable"), std::string::npos) << reach.Out();
    // The preparation's connection and KK's, the reach, and the settle's own.
    ASSERT_TRUE(SettleTcpPrinter(readyReport, ready));
    EXPECT_EQ(CountReport(readyReport, "\"event\":\"connect\""), 2 + 1 + 1);
    EXPECT_EQ(CountReport(readyReport, "\"event\":\"command\""), 3);
}

TEST(Fleet, OutputNobodyReadsHoldsNoPrinterAndCtrlCStillEnds)
{
    TempDir package, scratch;
    WritePackage(package, 100000);
    // Two readers that do not read: a pipe already full, and a terminal a
    // user paused with Ctrl-S (XOFF).
    const std::string fifo = (scratch.Path() / "fifo").string();
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const int reader = ::open(fifo.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    const int filler = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
    ASSERT_GE(::fcntl(filler, F_SETPIPE_SZ, 4096), 0);
    while (::write(filler, "x", 1) == 1) {
    }
    PtyPair terminal;
    const int slave = ::open(terminal.SlavePath().c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    termios tio{};
    ASSERT_EQ(::tcgetattr(slave, &tio), 0);
    // The pseudo-terminal is raw, with no stop character of its own.
    tio.c_iflag |= IXON;
    tio.c_cc[VSTOP] = '\x13';
    ASSERT_EQ(::tcsetattr(slave, TCSANOW, &tio), 0);
    ASSERT_TRUE(terminal.Send("\x13"));

    for (const std::string& out : {fifo, terminal.SlavePath()}) {
        SCOPED_TRACE(out);
        std::vector<std::unique_ptr<SimProcess>> printers;
        std::vector<std::string> args = {"upgrade", "--package", package.Text(), "--force", "--ledger",
                                         (scratch.Path() / "ledger").string()};
        for (int i = 1; i <= 2; ++i) {
            const std::string address = LoopbackAddress(i);
            printers.push_back(std::make_unique<SimProcess>());
            ASSERT_TRUE(printers.back()->Start(
                {"--tcp", address + ":2864", "--report", (scratch.Path() / ("report" + std::to_string(i))).string()}));
            args.push_back("tcp:" + address);
        }
        if (out == fifo)
            args.push_back("--json");
        FlashProcess run;
        ASSERT_TRUE(run.Start(args, "exec >'" + out + "'"));
        for (int i = 1; i <= 2; ++i)
            EXPECT_TRUE(WaitForReport((scratch.Path() / ("report" + std::to_string(i))).string(),
                                      "\"event\":\"upgrade\"", 1, kPromptMs));
        EXPECT_TRUE(run.Running());
        ASSERT_TRUE(run.Signal(SIGINT));
        EXPECT_EQ(run.Wait(kPromptMs), 0) << run.Err();
    }
    // The paused terminal was never written past its pause.
    EXPECT_EQ(terminal.TakeWaiting(), "");
    ::close(reader);
    ::close(filler);
    ::close(slave);
}

TEST(Fleet, FewOpenFilesAreRaisedOrRunFewerPrintersAtOnce)
{
    TempDir package, scratch;
    WritePackage(package, 20000);
    std::vector<std::unique_ptr<SimProcess>> printers;
    std::vector<std::string> args = {"upgrade", "--package", package.Text(), "--json", "--force",
                                     "--ledger", (scratch.Path() / "ledger").string()};
    for (int i = 1; i <= 8; ++i) {
        printers.push_back(std::make_unique<SimProcess>());
        ASSERT_TRUE(printers.back()->Start({"--tcp", LoopbackAddress(i) + ":2864"}));
        args.push_back("tcp:" + LoopbackAddress(i));
    }
    // Too few open files for eight printers at once: raised when the hard
    // limit lets it; else fewer at once, said before the run.
    for (const std::string limit : {"ulimit -Hn 4096; ulimit -Sn 24", "ulimit -n 40"}) {
        FlashProcess run;
        EXPECT_EQ(RunFlashProgram(args, run, limit), 0) << run.Out() << run.Err();
        EXPECT_EQ(JsonField(run.Event("summary"), "upgraded"), "8") << run.Out();
        EXPECT_EQ(run.Event("warning").empty(), limit != "ulimit -n 40") << run.Out();
    }
}
