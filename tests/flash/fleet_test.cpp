// Many printers at once: each simulated printer on port 2864 of a loopback
// address of its own, each ending in the outcome its fault calls for, and
// one printer's failure never keeping another from its upgrade.
#include "res/strings.h"
#include "tests/flash/flash_process.h"
#include "upgrade/commands.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

struct FleetPrinter {
    std::vector<std::string> faults;  // the simulated printer's options; {"absent"}: none there
    std::string outcome;
    int message;                      // the wizard's text, 0 where either of two may come
    bool serial = false;              // on a pseudo-terminal, not on TCP
};

std::string Target(const std::string& address)
{
    return "tcp:" + address + ":2864";
}

} // namespace

TEST(Fleet, TwentyPrintersEachEndInTheirOwnOutcome)
{
    TempDir package;
    const std::vector<FirmwareFile> files = WritePackage(package, 1 << 20);
    uint64_t total = 0;
    for (const FirmwareFile& f : files)
        total += f.bytes.size();

    std::vector<FleetPrinter> fleet;
    for (int i = 0; i < 8; ++i)
        fleet.push_back({{}, "upgraded", 0});
    for (const char* status : {"1", "2", "3", "4", "junk"})
        fleet.push_back({{"--status", status}, "not-ready", StatusStringId(static_cast<unsigned char>(status[0]))});
    fleet.push_back({{"--status", "none"}, "failed-before-firmware", IDS_NO_STATUS});
    fleet.push_back({{"--status", "lf"}, "failed-before-firmware", IDS_NO_STATUS});
    // It takes the connection and hangs up at once: KU or the status read
    // fails, whichever meets the hang-up.
    fleet.push_back({{"--refuse"}, "failed-before-firmware", 0});
    // With the last 64 KiB unread, and a receive buffer as small as a
    // printer's, so that its stack cannot acknowledge them for it: one
    // closes (its program died), one stops reading and holds the
    // connection (it lost power).
    const std::string unread = std::to_string(total - 65536);
    fleet.push_back({{"--receive-buffer", "4096", "--drop-after", unread}, "failed-during-transfer", IDS_FILE_NOT_SENT});
    fleet.push_back({{"--receive-buffer", "4096", "--stall-after", unread}, "failed-during-transfer", IDS_FILE_NOT_SENT});
    // A serial line whose other side stops reading: more than the pseudo-
    // terminal holds is left.
    fleet.push_back({{"--stall-after", unread}, "failed-during-transfer", IDS_FILE_NOT_SENT, true});
    fleet.push_back({{"absent"}, "unreachable", IDS_PORT_NOT_OPENED});
    ASSERT_EQ(fleet.size(), 20u);

    TempDir reports;
    const std::string ledger = (reports.Path() / "ledger").string();
    std::vector<std::unique_ptr<SimProcess>> printers;
    std::vector<std::string> args = {"upgrade", "--package", package.Text(), "--jobs", "20", "--json",
                                     "--timeout", "3", "--ledger", ledger};
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
    ASSERT_EQ(RunFlashProgram(args, run), 5) << run.Out() << run.Err();

    for (const std::string& line : run.OutLines())
        EXPECT_EQ(line.rfind("{\"event\":", 0), 0u) << line;
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
