// The ledger makes a rerun safe: a printer this package already reached is
// skipped without a byte sent, --force sends again, another package is sent,
// a dry run changes nothing, and a damaged line costs a warning, never the
// run. A ledger that cannot be read or written is said before anything is
// sent, a line that cannot be written after, and a printer another run is
// working with is not touched.
#include "tests/flash/flash_process.h"
#include "upgrade/sha256.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

TEST(Ledger, ARerunSkipsWhatThisPackageReachedAndForceSendsAgain)
{
    TempDir package, scratch;
    std::vector<FirmwareFile> files = WritePackage(package, 50000);
    const std::string address = LoopbackAddress(1);
    const std::string target = "tcp:" + address + ":2864";
    const std::string report = (scratch.Path() / "report").string();
    const std::string ledger = (scratch.Path() / "state" / "ledger.jsonl").string();
    SimProcess printer;
    ASSERT_TRUE(printer.Start({"--tcp", address + ":2864", "--report", report}));
    const std::string trace = (scratch.Path() / "trace" / ("tcp_" + address + "_2864.trace")).string();
    const std::vector<std::string> upgrade = {"upgrade", "tcp:" + address, "--package", package.Text(), "--ledger",
                                              ledger, "--json", "--trace", (scratch.Path() / "trace").string()};

    FlashProcess plan;
    ASSERT_EQ(RunFlashProgram({"plan", "--package", package.Text(), "--json"}, plan), 0) << plan.Err();
    const std::string digest = JsonField(plan.Event("plan"), "digest");
    ASSERT_EQ(digest.size(), 64u);

    {
        // The ledger's folder does not exist yet.
        FlashProcess first;
        ASSERT_EQ(RunFlashProgram(upgrade, first), 0) << first.Out() << first.Err();
        EXPECT_EQ(JsonField(first.Event("outcome", target), "outcome"), "upgraded");
        ASSERT_TRUE(WaitForReport(report, "\"event\":\"upgrade\"", 1, kPromptMs));
        std::ifstream in(ledger);
        std::string line;
        ASSERT_TRUE(std::getline(in, line));
        EXPECT_EQ(JsonField(line, "target"), target);
        EXPECT_EQ(JsonField(line, "package"), digest);
        EXPECT_EQ(JsonField(line, "outcome"), "upgraded");
        EXPECT_FALSE(JsonField(line, "time").empty());
    }
    {
        // The skipped printer keeps the trace of its upgrade as it was.
        const std::string upgradeTrace = ReadWholeFile(trace);
        EXPECT_NE(upgradeTrace.find("> 01 53 52 0D 0A"), std::string::npos) << upgradeTrace;
        FlashProcess again;
        ASSERT_EQ(RunFlashProgram(upgrade, again), 0) << again.Out() << again.Err();
        EXPECT_EQ(JsonField(again.Event("outcome", target), "outcome"), "skipped");
        EXPECT_EQ(ReadWholeFile(trace), upgradeTrace);
        ASSERT_TRUE(SettleTcpPrinter(report, address));
        EXPECT_EQ(CountReport(report, "\"event\":\"connect\""), 2 + 1);
    }
    {
        // A dry run keeps the ledger's skip; with --force it opens and closes
        // the connection, sends nothing, and records nothing.
        std::vector<std::string> dry = upgrade;
        dry.push_back("--dry-run");
        FlashProcess skipped;
        ASSERT_EQ(RunFlashProgram(dry, skipped), 0) << skipped.Out() << skipped.Err();
        EXPECT_EQ(JsonField(skipped.Event("outcome", target), "outcome"), "skipped");
        dry.push_back("--force");
        FlashProcess reached;
        ASSERT_EQ(RunFlashProgram(dry, reached), 0) << reached.Out() << reached.Err();
        EXPECT_EQ(JsonField(reached.Event("outcome", target), "outcome"), "reachable");
        ASSERT_TRUE(SettleTcpPrinter(report, address));
        EXPECT_EQ(CountReport(report, "\"event\":\"connect\""), 2 + 1 + 1 + 1);
        // The first upgrade's KU, SU, four DT and SR, and no more.
        EXPECT_EQ(CountReport(report, "\"event\":\"command\""), 7);
        std::ifstream in(ledger);
        int lines = 0;
        for (std::string line; std::getline(in, line);)
            ++lines;
        EXPECT_EQ(lines, 1);
    }
    {
        // A line cut short, as a full disk leaves it, and a line that is no
        // ledger line: each is passed over with a warning; the good line
        // before them still counts.
        std::ofstream(ledger, std::ios::app) << "{\"target\":\"tcp:10.0.0.1:2864\",\"pack\n"
                                             << "not json at all";
        FlashProcess damaged;
        ASSERT_EQ(RunFlashProgram(upgrade, damaged), 0) << damaged.Out() << damaged.Err();
        EXPECT_EQ(JsonField(damaged.Event("outcome", target), "outcome"), "skipped");
        EXPECT_NE(damaged.Out().find("damaged line 2"), std::string::npos) << damaged.Out();
        EXPECT_NE(damaged.Out().find("damaged line 3"), std::string::npos) << damaged.Out();
        EXPECT_FALSE(damaged.Event("warning").empty()) << damaged.Out();
    }
    {
        std::vector<std::string> force = upgrade;
        force.push_back("--force");
        FlashProcess forced;
        ASSERT_EQ(RunFlashProgram(force, forced), 0) << forced.Out() << forced.Err();
        EXPECT_EQ(JsonField(forced.Event("outcome", target), "outcome"), "upgraded");
        ASSERT_TRUE(WaitForReport(report, "\"event\":\"upgrade\"", 2, kPromptMs));
        // The line written after the unfinished one stands on its own.
        std::ifstream in(ledger);
        std::string line, last;
        while (std::getline(in, line))
            last = line;
        EXPECT_EQ(JsonField(last, "outcome"), "upgraded");
        EXPECT_EQ(last.rfind("{\"target\":", 0), 0u) << last;
    }
    {
        // Another package is not the one the ledger shows.
        files[1].bytes[0] ^= 1;
        package.Write(files[1].name, files[1].bytes);
        const std::string fresh = (scratch.Path() / "report-2").string();
        ASSERT_TRUE(printer.Start({"--tcp", address + ":2864", "--report", fresh}));
        FlashProcess changed;
        ASSERT_EQ(RunFlashProgram(upgrade, changed), 0) << changed.Out() << changed.Err();
        EXPECT_EQ(JsonField(changed.Event("outcome", target), "outcome"), "upgraded");
        ASSERT_TRUE(WaitForReport(fresh, "\"event\":\"upgrade\"", 1, kPromptMs));
        EXPECT_EQ(CompareUpgrade(fresh, files), "");
    }
}

// A package held in memory is sent as it was read, whatever the folder
// holds by then; one read again for each printer (--package-memory 0) is
// checked as sent, and a file that changed fails the printer.
class ChangedOnDisk : public ::testing::TestWithParam<bool> {};

TEST_P(ChangedOnDisk, IsNeverRecordedAsThePackage)
{
    const bool held = GetParam();
    TempDir package, scratch;
    std::vector<FirmwareFile> files = WritePackage(package, 50000);
    const std::string original = Sha256Hex(files[1].bytes);
    const std::string address = LoopbackAddress(2);
    const std::string report = (scratch.Path() / "report").string();
    const std::string ledger = (scratch.Path() / "ledger.jsonl").string();
    // The status line waits long enough for the test to change a file
    // between the package's reading and its sending; a test too slow for
    // that sees the file unchanged and fails, never passes.
    SimProcess printer;
    ASSERT_TRUE(printer.Start({"--tcp", address + ":2864", "--report", report, "--answer-delay", "4000"}));
    std::vector<std::string> args = {"upgrade", "tcp:" + address, "--package", package.Text(), "--ledger", ledger,
                                     "--json"};
    if (!held)
        args.insert(args.end(), {"--package-memory", "0"});
    FlashProcess run;
    ASSERT_TRUE(run.Start(args));
    ASSERT_TRUE(WaitForReport(report, "\"name\":\"SU\"", 1, kPromptMs));
    files[1].bytes[files[1].bytes.size() - 1] ^= 1;
    package.Write(files[1].name, files[1].bytes);

    ASSERT_EQ(run.Wait(kPromptMs * 2), held ? 0 : 5) << run.Out() << run.Err();
    const std::string outcome = run.Event("outcome", "tcp:" + address + ":2864");
    EXPECT_EQ(JsonField(outcome, "outcome"), held ? "upgraded" : "failed-during-transfer") << run.Out();
    EXPECT_EQ(JsonField(outcome, "firmware_sent"), "true");
    ASSERT_TRUE(SettleTcpPrinter(report, address));
    EXPECT_EQ(CountReport(report, "\"name\":\"SR\""), held ? 1 : 0);
    if (held) {
        EXPECT_EQ(CountReport(report, "\"sha256\":\"" + original + "\""), 1) << "the bytes that were read";
    }
    std::ifstream in(ledger);
    std::string line;
    ASSERT_TRUE(std::getline(in, line));
    EXPECT_EQ(JsonField(line, "outcome"), held ? "upgraded" : "failed-during-transfer");
}

INSTANTIATE_TEST_SUITE_P(Ledger, ChangedOnDisk, ::testing::Values(true, false),
                         [](const ::testing::TestParamInfo<bool>& info) {
                             return info.param ? "Held" : "ReadAgain";
                         });

TEST(Ledger, ABusyPrinterAnUnreadableLedgerAndALostLineAreSaid)
{
    TempDir package, scratch;
    WritePackage(package, 150000);
    const std::string address = LoopbackAddress(3);
    const std::string target = "tcp:" + address + ":2864";
    const std::string report = (scratch.Path() / "report").string();
    const std::string ledger = (scratch.Path() / "ledger.jsonl").string();
    auto upgrade = [&](const std::string& ledgerPath) {
        return std::vector<std::string>{"upgrade", "tcp:" + address, "--package", package.Text(), "--ledger",
                                        ledgerPath, "--json", "--timeout", "3"};
    };
    {
        // A folder where the ledger should be: neither read nor written.
        FlashProcess unreadable, forced;
        EXPECT_EQ(RunFlashProgram(upgrade(scratch.Text()), unreadable), 2);
        EXPECT_NE(unreadable.Err().find("cannot be read"), std::string::npos) << unreadable.Err();
        std::vector<std::string> force = upgrade(scratch.Text());
        force.push_back("--force");
        EXPECT_EQ(RunFlashProgram(force, forced), 2);
        EXPECT_NE(forced.Err().find("cannot be written"), std::string::npos) << forced.Err();
    }
    SimProcess printer;
    ASSERT_TRUE(printer.Start({"--tcp", address + ":2864", "--report", report, "--rate", "50000"}));
    {
        // While one run sends to the printer, another run leaves it alone.
        FlashProcess first;
        ASSERT_TRUE(first.Start(upgrade(ledger)));
        ASSERT_TRUE(WaitForReport(report, "\"name\":\"DT\"", 1, kPromptMs));
        FlashProcess second;
        EXPECT_EQ(RunFlashProgram(upgrade(ledger), second), 4) << second.Out() << second.Err();
        const std::string busy = second.Event("outcome", target);
        EXPECT_EQ(JsonField(busy, "outcome"), "busy") << second.Out();
        EXPECT_EQ(JsonField(busy, "reason"), "device-busy");
        EXPECT_EQ(first.Wait(kPromptMs * 3), 0) << first.Out() << first.Err();
        ASSERT_TRUE(SettleTcpPrinter(report, address));
        EXPECT_EQ(CountReport(report, "\"event\":\"connect\""), 2 + 1);
    }
    {
        // A ledger at the size this run may write no further: the line is
        // lost, and the run says so (exit status 7 where it would be 0).
        std::string full;
        while (full.size() < 4096)
            full += "{\"target\":\"tcp:10.0.0.9:2864\",\"package\":\"x\",\"outcome\":\"upgraded\",\"time\":\"t\"}\n";
        std::ofstream(ledger, std::ios::trunc) << full;
        FlashProcess lost;
        EXPECT_EQ(RunFlashProgram(upgrade(ledger), lost, "trap '' XFSZ; ulimit -f 2"), 7) << lost.Out() << lost.Err();
        EXPECT_EQ(JsonField(lost.Event("outcome", target), "outcome"), "upgraded");
        // The limit holds the output's file too: its first lines are there.
        EXPECT_NE(JsonField(lost.Event("warning", target), "message").find("could not be written"), std::string::npos)
            << lost.Out();
    }
}
