// Ctrl-C in the middle of a fleet: transfers stop at the next piece and
// their printers are told to leave the upgrade state, printers not yet
// started are never touched, every printer ends "interrupted", and the run
// exits with status 5. A second Ctrl-C ends the program at once.
#include "tests/flash/flash_process.h"

#include <gtest/gtest.h>

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
    std::vector<std::string> args = {"upgrade", "--package", package.Text(), "--jobs", "2", "--json", "--timeout",
                                     "5", "--ledger", (scratch.Path() / "ledger").string(),
                                     "--trace", (scratch.Path() / "trace").string()};
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
        EXPECT_EQ(JsonField(line, "outcome"), "interrupted") << run.Out();
        if (i < 2) {
            EXPECT_LT(std::stoull(JsonField(line, "bytes_sent")), std::stoull(JsonField(line, "bytes_total")));
            // KK went out after the transfer stopped. The printer reads it
            // only once it has read what the stopped transfer left in the
            // buffers, at its slow pace: the trace shows it sent.
            std::ifstream in(scratch.Path() / "trace" / ("tcp_" + address + "_2864.trace"));
            std::string trace((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
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
}

TEST(Interrupt, ASecondCtrlCEndsTheProgramAtOnce)
{
    TempDir package, scratch;
    WritePackage(package, 1000);
    const std::string address = LoopbackAddress(1);
    const std::string report = (scratch.Path() / "report").string();
    // It never answers SU: the run would wait out the hour it was given.
    SimProcess printer;
    ASSERT_TRUE(printer.Start({"--tcp", address + ":2864", "--report", report, "--status", "none"}));
    FlashProcess run;
    ASSERT_TRUE(run.Start({"upgrade", "tcp:" + address, "--package", package.Text(), "--timeout", "3600",
                           "--ledger", (scratch.Path() / "ledger").string()}));
    ASSERT_TRUE(WaitForReport(report, "\"name\":\"SU\"", 1, kPromptMs));
    ASSERT_TRUE(run.Signal(SIGINT));
    // Two signals sent at once may arrive as one: the second goes once the
    // first has been taken.
    const auto said = [&] { return run.Err().find("Ctrl-C again") != std::string::npos; };
    for (int waited = 0; !said() && waited < kPromptMs; waited += 10)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ASSERT_TRUE(said()) << run.Err();
    ASSERT_TRUE(run.Signal(SIGINT));
    EXPECT_EQ(run.Wait(kPromptMs), 5) << run.Out() << run.Err();
}
