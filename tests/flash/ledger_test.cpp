// The ledger makes a rerun safe: a printer this package already reached is
// skipped without a byte sent, --force sends again, another package is sent,
// a dry run changes nothing, and a damaged line costs a warning, never the
// run.
#include "tests/flash/flash_process.h"

#include <gtest/gtest.h>

#include <fstream>

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
    const std::vector<std::string> upgrade = {"upgrade", "tcp:" + address, "--package", package.Text(), "--ledger",
                                              ledger, "--json"};

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
        FlashProcess again;
        ASSERT_EQ(RunFlashProgram(upgrade, again), 0) << again.Out() << again.Err();
        EXPECT_EQ(JsonField(again.Event("outcome", target), "outcome"), "skipped");
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
        EXPECT_NE(damaged.Err().find("damaged line 2"), std::string::npos) << damaged.Err();
        EXPECT_NE(damaged.Err().find("damaged line 3"), std::string::npos) << damaged.Err();
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

TEST(Ledger, AFileChangedOnDiskDuringTheRunIsNeverRecordedAsThePackage)
{
    TempDir package, scratch;
    std::vector<FirmwareFile> files = WritePackage(package, 50000);
    const std::string address = LoopbackAddress(2);
    const std::string report = (scratch.Path() / "report").string();
    const std::string ledger = (scratch.Path() / "ledger.jsonl").string();
    // The status line waits long enough for the test to change a file
    // between the package's reading and its sending; a test too slow for
    // that sees the run end "upgraded" and fails, never passes.
    SimProcess printer;
    ASSERT_TRUE(printer.Start({"--tcp", address + ":2864", "--report", report, "--answer-delay", "4000"}));
    FlashProcess run;
    ASSERT_TRUE(run.Start({"upgrade", "tcp:" + address, "--package", package.Text(), "--ledger", ledger, "--json"}));
    ASSERT_TRUE(WaitForReport(report, "\"name\":\"SU\"", 1, kPromptMs));
    files[1].bytes[files[1].bytes.size() - 1] ^= 1;
    package.Write(files[1].name, files[1].bytes);

    ASSERT_EQ(run.Wait(kPromptMs * 2), 5) << run.Out() << run.Err();
    const std::string outcome = run.Event("outcome", "tcp:" + address + ":2864");
    EXPECT_EQ(JsonField(outcome, "outcome"), "failed-during-transfer") << run.Out();
    EXPECT_EQ(JsonField(outcome, "firmware_sent"), "true");
    ASSERT_TRUE(SettleTcpPrinter(report, address));
    EXPECT_EQ(CountReport(report, "\"name\":\"SR\""), 0);
    std::ifstream in(ledger);
    std::string line;
    ASSERT_TRUE(std::getline(in, line));
    EXPECT_EQ(JsonField(line, "outcome"), "failed-during-transfer");
}
