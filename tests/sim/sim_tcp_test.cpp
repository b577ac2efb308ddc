// The simulator as the wizard meets it over TCP: a real process on a
// loopback port, one connection per exchange.
#include "sim_client.h"
#include "sim_process.h"
#include "tests/support/temp_dir.h"
#include "upgrade/sha256.h"
#include "upgrade/commands.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <iterator>
#include <sys/socket.h>
#include <unistd.h>

namespace {

std::string EveryByte(size_t times)
{
    std::string bytes;
    for (size_t i = 0; i < 256 * times; ++i)
        bytes += static_cast<char>(i & 0xFF);
    return bytes;
}

// One connection: send `bytes`, close our side, take all that comes back.
// A send may fail when the printer drops the line; what comes back tells.
std::string Exchange(int port, const std::string& bytes)
{
    int fd = -1;
    std::string back;
    EXPECT_TRUE(ConnectTcp(port, fd));
    SendAll(fd, bytes);
    shutdown(fd, SHUT_WR);
    EXPECT_TRUE(ReadToEnd(fd, back, kPromptMs));
    close(fd);
    return back;
}

} // namespace

TEST(SimTcp, UpgradeIsTakenByteForByteAndReported)
{
    TempDir dir;
    std::string out = (dir.Path() / "out").string();
    std::string report = (dir.Path() / "report.jsonl").string();
    SimProcess sim;
    ASSERT_TRUE(sim.Start({"--tcp", "127.0.0.1:0", "--out", out, "--report", report, "--once"}));
    ASSERT_EQ(sim.StartLine().rfind("listening tcp 127.0.0.1:", 0), 0u) << sim.StartLine();

    // Preparation: KU and SU in one write; the answer is "0" CR LF.
    int fd = -1;
    ASSERT_TRUE(ConnectTcp(sim.TcpPort(), fd));
    ASSERT_TRUE(SendAll(fd, Cmd(kCommandKU) + Cmd(kCommandSU)));
    std::string line;
    ASSERT_TRUE(ReadStatusLine(fd, line, kPromptMs));
    EXPECT_EQ(line, "0\r\n");
    close(fd);

    // Transfer, cut into pieces that split headers and commands.
    std::string boot = EveryByte(5) + "\x01SR\r\n\x01" "DT3,R:x\r\n";
    std::string config = "2\r*boot.bin:*x:\r\n";
    std::string stream = FormatDtHeader(static_cast<int32_t>(boot.size()), "boot.bin") + boot +
                         FormatDtHeader(0, "empty.bin") +
                         FormatDtHeader(static_cast<int32_t>(config.size()), "l11config.bld") + config +
                         Cmd(kCommandSR);
    ASSERT_TRUE(ConnectTcp(sim.TcpPort(), fd));
    for (size_t at = 0, piece = 1; at < stream.size(); at += piece, piece = piece * 3 % 1031 + 1)
        ASSERT_TRUE(SendAll(fd, stream.substr(at, piece)));
    close(fd);

    int code = -1;
    ASSERT_TRUE(sim.WaitExit(kPromptMs, code));
    EXPECT_EQ(code, 0);
    EXPECT_EQ(ReadWholeFile(out + "/boot.bin"), boot);
    EXPECT_TRUE(std::filesystem::is_regular_file(out + "/empty.bin"));
    EXPECT_EQ(ReadWholeFile(out + "/empty.bin"), "");
    EXPECT_EQ(ReadWholeFile(out + "/l11config.bld"), config);

    std::vector<std::string> expected = {
        "{\"event\":\"connect\",\"channel\":\"tcp\"}",
        "{\"event\":\"command\",\"name\":\"KU\",\"channel\":\"tcp\"}",
        "{\"event\":\"command\",\"name\":\"SU\",\"channel\":\"tcp\"}",
        "{\"event\":\"disconnect\",\"channel\":\"tcp\"}",
        "{\"event\":\"connect\",\"channel\":\"tcp\"}",
        "{\"event\":\"command\",\"name\":\"DT\",\"channel\":\"tcp\"}",
        "{\"event\":\"file\",\"name\":\"boot.bin\",\"announced\":" + std::to_string(boot.size()) +
            ",\"received\":" + std::to_string(boot.size()) + ",\"sha256\":\"" + Sha256Hex(boot) +
            "\",\"stored\":true,\"channel\":\"tcp\"}",
        "{\"event\":\"command\",\"name\":\"DT\",\"channel\":\"tcp\"}",
        "{\"event\":\"file\",\"name\":\"empty.bin\",\"announced\":0,\"received\":0,\"sha256\":\"" + Sha256Hex("") +
            "\",\"stored\":true,\"channel\":\"tcp\"}",
        "{\"event\":\"command\",\"name\":\"DT\",\"channel\":\"tcp\"}",
        "{\"event\":\"file\",\"name\":\"l11config.bld\",\"announced\":" + std::to_string(config.size()) +
            ",\"received\":" + std::to_string(config.size()) + ",\"sha256\":\"" + Sha256Hex(config) +
            "\",\"stored\":true,\"channel\":\"tcp\"}",
        "{\"event\":\"command\",\"name\":\"SR\",\"channel\":\"tcp\"}",
        "{\"event\":\"upgrade\",\"files\":[\"boot.bin\",\"empty.bin\",\"l11config.bld\"],\"channel\":\"tcp\"}",
        "{\"event\":\"disconnect\",\"channel\":\"tcp\"}",
    };
    EXPECT_EQ(ReadReport(report), expected);
}

TEST(SimTcp, StatusFormsAnswerInTurnTheLastRepeating)
{
    TempDir dir;
    std::string report = (dir.Path() / "report.jsonl").string();
    SimProcess sim;
    ASSERT_TRUE(sim.Start({"--tcp", "127.0.0.1:0", "--report", report, "--once", "--status",
                           "1,2,3,4,junk,lf,nolf,none,text:5\\x00\\xff\\x2c\\r\\n,0"}));
    std::string su = Cmd(kCommandSU);
    for (const char* expected : {"1\r\n", "2\r\n", "3\r\n", "4\r\n", "junk\r\n", "\n"})
        EXPECT_EQ(Exchange(sim.TcpPort(), su), expected);
    EXPECT_EQ(Exchange(sim.TcpPort(), su), std::string(1024, '0'));
    EXPECT_EQ(Exchange(sim.TcpPort(), su), "");
    EXPECT_EQ(Exchange(sim.TcpPort(), su), std::string("5\0\xff,\r\n", 6));
    // Only SU is answered; two in one connection get two answers.
    EXPECT_EQ(Exchange(sim.TcpPort(), Cmd(kCommandKU) + su + su), "0\r\n0\r\n");

    // KK ends a --once run.
    EXPECT_EQ(Exchange(sim.TcpPort(), Cmd(kCommandKK)), "");
    int code = -1;
    ASSERT_TRUE(sim.WaitExit(kPromptMs, code));
    EXPECT_EQ(code, 0);
    EXPECT_EQ(CountReport(report, "{\"event\":\"cancel\",\"channel\":\"tcp\"}"), 1);
}

TEST(SimTcp, NamesThatLeaveTheDirectoryAreNeverWritten)
{
    TempDir dir;
    std::string out = (dir.Path() / "out").string();
    std::string outside = (dir.Path() / "outside").string();
    std::string report = (dir.Path() / "report.jsonl").string();
    std::filesystem::create_directories(out);
    std::filesystem::create_directories(outside);
    std::filesystem::create_directory_symlink(outside, out + "/link");
    SimProcess sim;
    ASSERT_TRUE(sim.Start({"--tcp", "127.0.0.1:0", "--out", out, "--report", report, "--once"}));

    std::string stream;
    const char* bad[] = {"..\\up.bin", "../up.bin", "sub\\..\\..\\up.bin", "/abs.bin", "\\abs.bin",
                         "C:\\drive.bin", "link\\through.bin", "", "."};
    for (const char* name : bad)
        stream += FormatDtHeader(4, name) + "data";
    stream += FormatDtHeader(2, "fw\\ok.bin") + "ok" + Cmd(kCommandSR);
    Exchange(sim.TcpPort(), stream);
    int code = -1;
    ASSERT_TRUE(sim.WaitExit(kPromptMs, code));
    EXPECT_EQ(code, 0);

    EXPECT_EQ(CountReport(report, "\"event\":\"protocol-error\""), static_cast<int>(std::size(bad)));
    EXPECT_EQ(CountReport(report, "\"received\":4,"), static_cast<int>(std::size(bad)));
    EXPECT_EQ(CountReport(report, "{\"event\":\"upgrade\",\"files\":[\"fw\\\\ok.bin\"]"), 1);
    EXPECT_EQ(ReadWholeFile(out + "/fw/ok.bin"), "ok");
    EXPECT_TRUE(std::filesystem::is_empty(outside));
    int entries = 0;
    for (auto& entry : std::filesystem::recursive_directory_iterator(dir.Path()))
        entries += entry.path().filename() != "report.jsonl";
    // out, outside, out/link, out/fw, out/fw/ok.bin and nothing else.
    EXPECT_EQ(entries, 5);
}

TEST(SimTcp, BadStreamsAreReportedAndServingGoesOn)
{
    TempDir dir;
    std::string report = (dir.Path() / "report.jsonl").string();
    SimProcess sim;
    ASSERT_TRUE(sim.Start({"--tcp", "127.0.0.1:0", "--report", report}));

    EXPECT_EQ(Exchange(sim.TcpPort(), "hello\r\n\x01XY\r\n\x01" "DT01,R:a\r\n" + Cmd(kCommandKU) +
                                          std::string("\x01SU\n\0\xff", 6) + FormatDtHeader(10, "cut.bin") + "abcd"),
              "");
    EXPECT_TRUE(WaitForReport(report, "\"event\":\"disconnect\"", 1, kPromptMs));
    EXPECT_EQ(CountReport(report, "\"event\":\"protocol-error\""), 5);
    EXPECT_EQ(CountReport(report, "\"name\":\"KU\""), 1);
    EXPECT_EQ(CountReport(report, "\"name\":\"SU\""), 0);
    EXPECT_EQ(CountReport(report, "\"name\":\"cut.bin\",\"announced\":10,\"received\":4,"), 1);

    // A stream of every byte value, then a healthy exchange.
    Exchange(sim.TcpPort(), EveryByte(64));
    EXPECT_EQ(Exchange(sim.TcpPort(), Cmd(kCommandSU)), "0\r\n");
    EXPECT_TRUE(sim.Running());
    ASSERT_TRUE(sim.Signal(SIGINT));
    int code = -1;
    ASSERT_TRUE(sim.WaitExit(kPromptMs, code));
    EXPECT_EQ(code, 0);
}

TEST(SimTcp, FaultsDoWhatTheySay)
{
    TempDir dir;
    std::string transfer = FormatDtHeader(5000, "big.bin") + std::string(5000, 'x') + Cmd(kCommandSR);

    {   // --drop-after: exactly that many data bytes, then the connection closes, every time.
        std::string report = (dir.Path() / "drop.jsonl").string();
        SimProcess sim;
        ASSERT_TRUE(sim.Start({"--tcp", "127.0.0.1:0", "--report", report, "--drop-after", "1000"}));
        for (int round = 1; round <= 2; ++round) {
            Exchange(sim.TcpPort(), transfer);
            EXPECT_TRUE(WaitForReport(report, "\"event\":\"disconnect\"", round, kPromptMs));
        }
        EXPECT_EQ(CountReport(report, "\"announced\":5000,\"received\":1000,"), 2);
        EXPECT_EQ(CountReport(report, "\"name\":\"SR\""), 0);
        EXPECT_EQ(CountReport(report, "protocol-error"), 0);
        EXPECT_EQ(Exchange(sim.TcpPort(), Cmd(kCommandSU)), "0\r\n");
    }
    {   // --stall-after: the rest stays unread until the client gives up.
        std::string report = (dir.Path() / "stall.jsonl").string();
        SimProcess sim;
        ASSERT_TRUE(sim.Start({"--tcp", "127.0.0.1:0", "--report", report, "--stall-after", "1000"}));
        int fd = -1;
        ASSERT_TRUE(ConnectTcp(sim.TcpPort(), fd));
        // The SU behind the stalled data is never read, so never answered.
        ASSERT_TRUE(SendAll(fd, transfer + Cmd(kCommandSU)));
        EXPECT_TRUE(WaitForReport(report, "\"name\":\"DT\"", 1, kPromptMs));
        close(fd);
        EXPECT_TRUE(WaitForReport(report, "\"event\":\"disconnect\"", 1, kPromptMs));
        EXPECT_EQ(CountReport(report, "\"announced\":5000,\"received\":1000,"), 1);
        EXPECT_EQ(CountReport(report, "\"name\":\"SU\""), 0);
        EXPECT_EQ(Exchange(sim.TcpPort(), Cmd(kCommandSU)), "0\r\n");
    }
    {   // --refuse: every connection closes at once, unread.
        std::string report = (dir.Path() / "refuse.jsonl").string();
        SimProcess sim;
        ASSERT_TRUE(sim.Start({"--tcp", "127.0.0.1:0", "--report", report, "--refuse"}));
        for (int round = 1; round <= 2; ++round) {
            int fd = -1;
            std::string back;
            ASSERT_TRUE(ConnectTcp(sim.TcpPort(), fd));
            EXPECT_TRUE(ReadToEnd(fd, back, kPromptMs));
            EXPECT_EQ(back, "");
            close(fd);
        }
        EXPECT_TRUE(WaitForReport(report, "\"event\":\"disconnect\"", 2, kPromptMs));
        EXPECT_EQ(CountReport(report, "\"event\":\"command\""), 0);
    }
    {   // --answer-delay and --rate change when bytes move, never which.
        std::string out = (dir.Path() / "paced").string();
        SimProcess sim;
        ASSERT_TRUE(sim.Start({"--tcp", "127.0.0.1:0", "--out", out, "--answer-delay", "20", "--rate", "400000",
                               "--status", "3"}));
        EXPECT_EQ(Exchange(sim.TcpPort(), Cmd(kCommandSU) + Cmd(kCommandSU)), "3\r\n3\r\n");
        std::string data = EveryByte(200);
        Exchange(sim.TcpPort(), FormatDtHeader(static_cast<int32_t>(data.size()), "paced.bin") + data);
        EXPECT_EQ(ReadWholeFile(out + "/paced.bin"), data);
    }
}
