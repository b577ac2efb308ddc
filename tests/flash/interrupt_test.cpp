// Ctrl-C in the middle of a fleet: transfers stop and their printers are
// told to leave the upgrade state, printers not yet started are never
// touched (a printer this package already upgraded stays skipped), every
// printer ends "interrupted", and the run exits with status 5. Ctrl-C ends
// any wait of the link at once, and a status line that trickles has a limit
// of its own.
#include "tests/flash/flash_process.h"
#include "tests/support/elapsed.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <fstream>
#include <iterator>
#include <thread>

TEST(Interrupt, CtrlCStopsTheFleetAndEveryPrinterSaysSo)
{
    TempDir package, scratch;
    // Printers that read 20 kB a second, and more firmware than the
    // loopback buffers take in (a few megabytes for so slow a reader): each
    // transfer is in its middle when the signal comes.
    WritePackage(package, 8 << 20);
    std::vector<std::unique_ptr<SimProcess>> printers;
    const std::string ledger = (scratch.Path() / "ledger").string();
    std::vector<std::string> args = {"upgrade", "--package", package.Text(), "--jobs", "2", "--json", "--timeout",
                                     "5", "--ledger", ledger, "--trace", (scratch.Path() / "trace").string()};
    // The last printer got this package before: whatever stops the run, a
    // rerun must still skip it.
    FlashProcess plan;
    ASSERT_EQ(RunFlashProgram({"plan", "--package", package.Text(), "--json"}, plan), 0);
    const std::string last = "tcp:" + LoopbackAddress(4) + ":2864";
    const std::string upgraded = "{\"target\":\"" + last + "\",\"printer\":\"" + last + "\",\"package\":\"" +
                                 JsonField(plan.Event("plan"), "digest") + "\",\"outcome\":\"upgraded\"}\n";
    std::ofstream(ledger) << upgraded;
    for (int i = 0; i < 4; ++i) {
        const std::string address = LoopbackAddress(i + 1);
        printers.push_back(std::make_unique<SimProcess>());
        ASSERT_TRUE(printers.back()->Start({"--tcp", address + ":2864", "--report",
                                            (scratch.Path() / std::to_string(i)).string(), "--rate", "20000"}));
        args.push_back("tcp:" + address);
    }
    FlashProcess run;
    ASSERT_TRUE(run.Start(args));
    // The first two are running (--jobs 2); the others wait their turn.
    for (int i = 0; i < 2; ++i)
        ASSERT_TRUE(WaitForReport((scratch.Path() / std::to_string(i)).string(), "\"name\":\"DT\"", 1, kPromptMs));
    ASSERT_TRUE(run.Signal(SIGINT));
    // The link's limit of the run (5 s) bounds the end, well within this.
    ASSERT_EQ(run.Wait(kPromptMs * 3), 5) << run.Out() << run.Err();

    for (int i = 0; i < 4; ++i) {
        SCOPED_TRACE("printer " + std::to_string(i));
        const std::string address = LoopbackAddress(i + 1);
        const std::string report = (scratch.Path() / std::to_string(i)).string();
        const std::string line = run.Event("outcome", "tcp:" + address + ":2864");
        EXPECT_EQ(JsonField(line, "outcome"), i < 3 ? "interrupted" : "skipped") << run.Out();
        if (i < 2) {
            EXPECT_LT(std::stoull(JsonField(line, "bytes_sent")), std::stoull(JsonField(line, "bytes_total")));
            // KK went out after the transfer stopped. The printer reads it
            // only once it has read what the stopped transfer left in the
            // buffers, at its slow pace: the trace shows it sent.
            const std::string trace = ReadWholeFile(scratch.Path() / "trace" / ("tcp_" + address + "_2864.trace"));
            const size_t stopped = trace.find("failed: Interrupted.");
            ASSERT_NE(stopped, std::string::npos) << trace;
            EXPECT_NE(trace.find("> 01 4B 4B 0D 0A", stopped), std::string::npos) << trace;
            // The printer is still megabytes behind, so its report cannot
            // show an SR yet; the trace shows what went out: no SR at all.
            EXPECT_EQ(trace.find("> 01 53 52 0D 0A"), std::string::npos) << trace;
        } else {
            ASSERT_TRUE(SettleTcpPrinter(report, address));
            EXPECT_EQ(CountReport(report, "\"event\":\"connect\""), 1);
        }
    }
    EXPECT_EQ(JsonField(run.Event("summary"), "exit_status"), "5");
    // Only the printers that got firmware have lines of this run.
    const std::string all = ReadWholeFile(ledger);
    EXPECT_EQ(std::count(all.begin(), all.end(), '\n'), 3) << all;
    EXPECT_EQ(all.rfind(upgraded, 0), 0u) << all;
}

TEST(Interrupt, CtrlCEndsAnyWaitAndATricklingStatusLineHasALimit)
{
    TempDir package, scratch;
    WritePackage(package, 1000);
    const std::string address = LoopbackAddress(1);
    const std::string report = (scratch.Path() / "report").string();
    // A status line of 1024 bytes without its LF, a byte every 100 ms: no
    // byte is late, and the line would take 102 s.
    SimProcess printer;
    ASSERT_TRUE(printer.Start({"--tcp", address + ":2864", "--report", report, "--status", "nolf",
                               "--answer-pace", "100"}));
    auto upgrade = [&](const char* timeout) {
        return std::vector<std::string>{"upgrade", "tcp:" + address, "--package", package.Text(), "--json",
                                        "--timeout", timeout, "--ledger", (scratch.Path() / "ledger").string()};
    };
    {
        // Half a second a byte, three seconds the line.
        FlashProcess run;
        EXPECT_EQ(RunFlashProgram(upgrade("0.5"), run), 4) << run.Out() << run.Err();
        const std::string line = run.Event("outcome", "tcp:" + address + ":2864");
        EXPECT_EQ(JsonField(line, "outcome"), "failed-before-firmware") << run.Out();
        EXPECT_EQ(JsonField(line, "reason"), "timed-out");
        EXPECT_LT(std::stod(JsonField(line, "seconds")), 3 + kHangMarginMs / 1000.0);
    }
    // An hour a byte: Ctrl-C ends the wait, and KK still goes out.
    FlashProcess run;
    ASSERT_TRUE(run.Start(upgrade("3600")));
    ASSERT_TRUE(WaitForReport(report, "\"name\":\"SU\"", 2, kPromptMs));
    ASSERT_TRUE(run.Signal(SIGINT));
    EXPECT_EQ(run.Wait(kPromptMs), 5) << run.Out() << run.Err();
    const std::string line = run.Event("outcome", "tcp:" + address + ":2864");
    EXPECT_EQ(JsonField(line, "outcome"), "interrupted") << run.Out();
    EXPECT_EQ(JsonField(line, "reason"), "stopped");
    EXPECT_NE(run.Err().find("Ctrl-C again"), std::string::npos) << run.Err();
    EXPECT_TRUE(WaitForReport(report, "\"event\":\"cancel\"", 2, kPromptMs));
}

// A printer of the test's own takes the preparation's connection and then
// none: its backlog is full, so the connection for KK is never made, and
// the stopping program waits its few seconds for it, unless Ctrl-C comes
// again. The second ends it at once: no summary is written.
TEST(Interrupt, ASecondCtrlCEndsTheProgramAtOnce)
{
    const std::string address = LoopbackAddress(1);
    LoopbackListener printer(address.c_str(), 2864, 0);
    ASSERT_TRUE(printer.Valid());
    FlashProcess run;
    ASSERT_TRUE(run.Start({"status", "tcp:" + address, "--json", "--timeout", "3600"}));
    LoopbackPeer preparation = printer.Accept(kPromptMs);
    ASSERT_TRUE(preparation.Valid());
    for (int i = 0; i < 4; ++i)
        printer.ConnectIdle();
    ASSERT_EQ(preparation.Receive(10, kPromptMs).size(), 10u) << "KU and SU";
    ASSERT_TRUE(run.Signal(SIGINT));
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kPromptMs);
    while (run.Err().find("Ctrl-C again") == std::string::npos && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ASSERT_NE(run.Err().find("Ctrl-C again"), std::string::npos) << run.Err();
    ASSERT_TRUE(run.Signal(SIGINT));
    EXPECT_EQ(run.Wait(kPromptMs), 5) << run.Out() << run.Err();
    EXPECT_EQ(run.Event("summary"), "") << run.Out();
}
