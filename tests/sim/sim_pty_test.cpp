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

namespace {

std::string Cmd(const unsigned char (&cmd)[kCommandLength])
{
    return std::string(reinterpret_cast<const char*>(cmd), kCommandLength);
}

// Writes the transfer as the wizard does: the header, then pieces of at
// most 1024 bytes.
void SendFile(int fd, const std::string& name, const std::string& data)
{
    ASSERT_TRUE(SendAll(fd, FormatDtHeader(static_cast<int32_t>(data.size()), name)));
    for (size_t at = 0; at < data.size(); at += 1024)
        ASSERT_TRUE(SendAll(fd, data.substr(at, 1024)));
}

std::string LineBytes()
{
    std::string bytes;
    for (int round = 0; round < 8; ++round)
        for (int b = 0; b < 256; ++b)
            bytes += static_cast<char>(b);
    return bytes + std::string("\r\n\r\r\n\n\x01\x00\xff", 9);
}

} // namespace

TEST(SimPty, ExchangesThroughTheLinkPassEveryByteUnchanged)
{
    TempDir dir;
    std::string link = (dir.Path() / "com1").string();
    std::string out = (dir.Path() / "out").string();
    std::string report = (dir.Path() / "report.jsonl").string();
    SimProcess sim;
    ASSERT_TRUE(sim.Start({"--pty", link, "--out", out, "--report", report, "--once", "--status",
                           "text:0\\r\\x00\\xff\\x03\\n,0"}));
    EXPECT_EQ(sim.StartLine().rfind("listening pty " + link + " -> /dev/pts/", 0), 0u) << sim.StartLine();

    // The exclusive open and the lock succeed: the printer holds neither.
    // A status line's bytes arrive untranslated and nothing is echoed.
    for (const std::string& expected : {std::string("0\r\0\xff\x03\n", 6), std::string("0\r\n")}) {
        int fd = -1;
        ASSERT_TRUE(OpenLikeWizard(link, fd));
        ASSERT_TRUE(SendAll(fd, Cmd(kCommandKU)));
        ASSERT_TRUE(SendAll(fd, Cmd(kCommandSU)));
        std::string line;
        ASSERT_TRUE(ReadStatusLine(fd, line, kPromptMs));
        EXPECT_EQ(line, expected);
        close(fd);
    }

    int fd = -1;
    ASSERT_TRUE(OpenLikeWizard(link, fd));
    SendFile(fd, "line.bin", LineBytes());
    SendFile(fd, "empty.bin", "");
    ASSERT_TRUE(SendAll(fd, Cmd(kCommandSR)));
    close(fd);

    int code = -1;
    ASSERT_TRUE(sim.WaitExit(kPromptMs, code));
    EXPECT_EQ(code, 0);
    EXPECT_EQ(FileBytes(out + "/line.bin"), LineBytes());
    EXPECT_TRUE(std::filesystem::is_regular_file(out + "/empty.bin"));
    EXPECT_EQ(CountReport(report, "{\"event\":\"upgrade\",\"files\":[\"line.bin\",\"empty.bin\"],\"channel\":\"pty\"}"), 1);
    EXPECT_EQ(CountReport(report, "protocol-error"), 0);
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(link)));
}

TEST(SimPty, DualTakesStatusOnSerialAndEverythingElseOnParallel)
{
    TempDir dir;
    std::string serial = (dir.Path() / "com1").string();
    std::string parallel = (dir.Path() / "lpt1").string();
    std::string out = (dir.Path() / "out").string();
    std::string report = (dir.Path() / "report.jsonl").string();
    SimProcess sim;
    ASSERT_TRUE(sim.Start({"--dual", serial, parallel, "--out", out, "--report", report, "--once", "--status", "2,0"}));
    EXPECT_EQ(sim.StartLine().rfind("listening dual " + serial + " -> /dev/pts/", 0), 0u) << sim.StartLine();
    EXPECT_NE(sim.StartLine().find(" " + parallel + " -> /dev/pts/"), std::string::npos) << sim.StartLine();

    for (const char* expected : {"2\r\n", "0\r\n"}) {
        int lpt = -1, com = -1;
        ASSERT_TRUE(OpenLikeWizard(serial, com));
        ASSERT_TRUE(OpenLikeWizard(parallel, lpt));
        ASSERT_TRUE(SendAll(lpt, Cmd(kCommandKU)));
        ASSERT_TRUE(SendAll(com, Cmd(kCommandSU)));
        std::string line;
        ASSERT_TRUE(ReadStatusLine(com, line, kPromptMs));
        EXPECT_EQ(line, expected);
        // The answer went to the serial line only.
        pollfd probe = {lpt, POLLIN, 0};
        EXPECT_EQ(poll(&probe, 1, 0), 0);
        close(com);
        close(lpt);
    }
    int lpt = -1, com = -1;
    ASSERT_TRUE(OpenLikeWizard(serial, com));
    ASSERT_TRUE(OpenLikeWizard(parallel, lpt));
    SendFile(lpt, "fw.bin", LineBytes());
    ASSERT_TRUE(SendAll(lpt, Cmd(kCommandSR)));
    close(com);
    close(lpt);

    int code = -1;
    ASSERT_TRUE(sim.WaitExit(kPromptMs, code));
    EXPECT_EQ(code, 0);
    EXPECT_EQ(FileBytes(out + "/fw.bin"), LineBytes());
    EXPECT_EQ(CountReport(report, "{\"event\":\"command\",\"name\":\"SU\",\"channel\":\"serial\"}"), 2);
    EXPECT_EQ(CountReport(report, "{\"event\":\"command\",\"name\":\"KU\",\"channel\":\"parallel\"}"), 2);
    EXPECT_EQ(CountReport(report, "{\"event\":\"command\",\"name\":\"DT\",\"channel\":\"parallel\"}"), 1);
    EXPECT_EQ(CountReport(report, "{\"event\":\"upgrade\",\"files\":[\"fw.bin\"],\"channel\":\"parallel\"}"), 1);
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
