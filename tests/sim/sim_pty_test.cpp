// The simulator behind pseudo-terminals, opened and closed per exchange
// through their links as the wizard opens COM and LPT ports.
#include "sim_client.h"
#include "sim_process.h"
#include "tests/support/temp_dir.h"
#include "upgrade/commands.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <filesystem>
#include <poll.h>
#include <unistd.h>

TEST(SimPty, DualAnswersOnTheSerialLineOnlyWithItsBytesUntranslated)
{
    // Whole upgrades over the lines are the wizard's tests; here what they
    // do not look at: the answer's raw bytes, and on which line it comes.
    TempDir dir;
    std::string serial = (dir.Path() / "com1").string();
    std::string parallel = (dir.Path() / "lpt1").string();
    SimProcess sim;
    ASSERT_TRUE(sim.Start({"--dual", serial, parallel, "--once", "--status", "text:0\\r\\x00\\xff\\x03\\n"}));
    EXPECT_EQ(sim.StartLine().rfind("listening dual " + serial + " -> /dev/pts/", 0), 0u) << sim.StartLine();
    EXPECT_NE(sim.StartLine().find(" " + parallel + " -> /dev/pts/"), std::string::npos) << sim.StartLine();

    // The exclusive open and the lock succeed: the printer holds neither.
    int lpt = -1, com = -1;
    ASSERT_TRUE(OpenLikeWizard(serial, com));
    ASSERT_TRUE(OpenLikeWizard(parallel, lpt));
    ASSERT_TRUE(SendAll(lpt, Cmd(kCommandKU)));
    ASSERT_TRUE(SendAll(com, Cmd(kCommandSU)));
    std::string line;
    ASSERT_TRUE(ReadStatusLine(com, line, kPromptMs));
    EXPECT_EQ(line, std::string("0\r\0\xff\x03\n", 6));
    pollfd probe = {lpt, POLLIN, 0};
    EXPECT_EQ(poll(&probe, 1, 0), 0);
    ASSERT_TRUE(SendAll(lpt, Cmd(kCommandSR)));
    close(com);
    close(lpt);

    // --once: it ends after SR, and its lines' links go with it.
    int code = -1;
    ASSERT_TRUE(sim.WaitExit(kPromptMs, code));
    EXPECT_EQ(code, 0);
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(serial)));
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(parallel)));
}

TEST(SimPty, NothingLeftOverReachesTheNextClientAndFaultsHangUp)
{
    TempDir dir;
    std::string link = (dir.Path() / "com1").string();
    std::string su = Cmd(kCommandSU);
    std::string line;
    int fd = -1;

    {   // An answer its client never read, and data a stall left unread,
        // are gone when the next client opens the line.
        std::string report = (dir.Path() / "leftovers.jsonl").string();
        SimProcess sim;
        ASSERT_TRUE(sim.Start({"--pty", link, "--report", report, "--status", "1,2,0", "--stall-after", "10"}));
        ASSERT_TRUE(OpenLikeWizard(link, fd));
        ASSERT_TRUE(SendAll(fd, su));
        close(fd);
        ASSERT_TRUE(WaitForReport(report, "\"event\":\"disconnect\"", 1, kPromptMs));
        ASSERT_TRUE(OpenLikeWizard(link, fd));
        ASSERT_TRUE(SendAll(fd, su));
        ASSERT_TRUE(ReadStatusLine(fd, line, kPromptMs));
        EXPECT_EQ(line, "2\r\n");
        close(fd);
        ASSERT_TRUE(WaitForReport(report, "\"event\":\"disconnect\"", 2, kPromptMs));

        ASSERT_TRUE(OpenLikeWizard(link, fd));
        ASSERT_TRUE(SendAll(fd, FormatDtHeader(100, "stalled.bin") + std::string(100, 's') + su));
        ASSERT_TRUE(WaitForReport(report, "\"name\":\"DT\"", 1, kPromptMs));
        close(fd);
        ASSERT_TRUE(WaitForReport(report, "\"event\":\"disconnect\"", 3, kPromptMs));
        EXPECT_EQ(CountReport(report, "\"announced\":100,\"received\":10,"), 1);
        ASSERT_TRUE(OpenLikeWizard(link, fd));
        ASSERT_TRUE(SendAll(fd, su));
        ASSERT_TRUE(ReadStatusLine(fd, line, kPromptMs));
        EXPECT_EQ(line, "0\r\n");
        close(fd);
        EXPECT_EQ(CountReport(report, "protocol-error"), 0);

        ASSERT_TRUE(sim.Signal(SIGTERM));
        int code = -1;
        ASSERT_TRUE(sim.WaitExit(kPromptMs, code));
        EXPECT_EQ(code, 0);
        EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(link)));
    }
    {   // A client gone before the answer's delay is over never gets it.
        std::string report = (dir.Path() / "delay.jsonl").string();
        SimProcess sim;
        ASSERT_TRUE(sim.Start({"--pty", link, "--report", report, "--status", "1,2", "--answer-delay", "30"}));
        ASSERT_TRUE(OpenLikeWizard(link, fd));
        ASSERT_TRUE(SendAll(fd, su));
        close(fd);
        ASSERT_TRUE(WaitForReport(report, "\"event\":\"disconnect\"", 1, kPromptMs));
        ASSERT_TRUE(OpenLikeWizard(link, fd));
        ASSERT_TRUE(SendAll(fd, su));
        ASSERT_TRUE(ReadStatusLine(fd, line, kPromptMs));
        EXPECT_EQ(line, "2\r\n");
        close(fd);
    }
    {   // --drop-after and --refuse hang the line up under the client; the
        // link then leads to a fresh line.
        for (const char* fault : {"--drop-after", "--refuse"}) {
            std::string report = (dir.Path() / (std::string(fault + 2) + ".jsonl")).string();
            std::vector<std::string> args = {"--pty", link, "--report", report, fault};
            if (std::string(fault) == "--drop-after")
                args.push_back("10");
            SimProcess sim;
            ASSERT_TRUE(sim.Start(args));
            ASSERT_TRUE(OpenLikeWizard(link, fd));
            SendAll(fd, FormatDtHeader(100, "dropped.bin") + std::string(100, 'd'));
            std::string back;
            EXPECT_TRUE(ReadToEnd(fd, back, kPromptMs)) << fault;
            EXPECT_EQ(back, "");
            close(fd);
            ASSERT_TRUE(WaitForReport(report, "\"event\":\"disconnect\"", 1, kPromptMs));
            if (std::string(fault) == "--refuse")
                continue;
            EXPECT_EQ(CountReport(report, "\"announced\":100,\"received\":10,"), 1);
            ASSERT_TRUE(OpenLikeWizard(link, fd));
            ASSERT_TRUE(SendAll(fd, su));
            ASSERT_TRUE(ReadStatusLine(fd, line, kPromptMs));
            EXPECT_EQ(line, "0\r\n");
            close(fd);
        }
    }
}
