// The port operations in every mode, over pseudo-terminals reached through
// the device map and loopback sockets on the printer's TCP port.
#include "link/device_channel.h"
#include "link/port_dispatch.h"

#include "tests/support/loopback.h"
#include "tests/support/pty_pair.h"
#include "tests/support/scoped_env.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <dirent.h>
#include <set>
#include <string>
#include <utility>
#include <termios.h>
#include <unistd.h>

namespace {

struct Settings : IPortSettings {
    CommMode mode = Com;
    int32_t serial = 0, baud = 2, parallel = 0;
    uint8_t ip[4] = {127, 0, 0, 1};
    CommMode GetCommMode() const override { return mode; }
    int32_t GetSerialPort() const override { return serial; }
    int32_t GetBaudRate() const override { return baud; }
    int32_t GetParallelPort() const override { return parallel; }
    std::string GetPrinterName() const override { return ""; }
    void GetIpAddress(uint8_t octets[4]) const override
    {
        for (int i = 0; i < 4; ++i)
            octets[i] = ip[i];
    }
};

// Ports COM1/COM2/LPT1/LPT2 as pseudo-terminals, for the length of a test.
class PortDispatchTest : public ::testing::Test {
protected:
    int Open() { return DispatchOpenPort(settings, kProgramLimits, hPort, hStatusPort); }
    int Write(const std::string& s, bool status = false)
    {
        return DispatchWritePort(settings, hPort, hStatusPort, s.data(), static_cast<int32_t>(s.size()), status);
    }
    int ReadLine(std::string& line)
    {
        char buffer[1024];
        int32_t length = sizeof buffer;
        int ok = DispatchReadPort(settings, kProgramLimits, hPort, hStatusPort, buffer, &length);
        line.assign(buffer, length > 0 && length <= 1024 ? static_cast<size_t>(length) : 0);
        return ok;
    }
    int Close() { return DispatchClosePort(settings, hPort, hStatusPort); }

    // Whether a port is free: it opens now.
    static bool Free(const PtyPair& pty)
    {
        ChannelHandle h = OpenParallelChannel(pty.SlavePath().c_str(), 10, 10);
        if (h == InvalidChannel)
            return false;
        CloseChannel(h);
        return true;
    }

    PtyPair com1, com2, lpt1, lpt2;
    ScopedEnv mapCom1{"ORVI_COM1", com1.SlavePath().c_str()}, mapCom2{"ORVI_COM2", com2.SlavePath().c_str()};
    ScopedEnv mapLpt1{"ORVI_LPT1", lpt1.SlavePath().c_str()}, mapLpt2{"ORVI_LPT2", lpt2.SlavePath().c_str()};
    Settings settings;
    ChannelHandle hPort = 0;
    ChannelHandle hStatusPort = 0;
};

// Each open descriptor with what it leads to.
std::set<std::pair<int, std::string>> OpenDescriptors()
{
    std::set<std::pair<int, std::string>> fds;
    if (DIR* d = ::opendir("/proc/self/fd")) {
        while (dirent* e = ::readdir(d)) {
            char target[4096] = {};
            std::string link = std::string("/proc/self/fd/") + e->d_name;
            if (e->d_name[0] != '.' && ::readlink(link.c_str(), target, sizeof target - 1) > 0)
                fds.insert({std::stoi(e->d_name), target});
        }
        ::closedir(d);
    }
    return fds;
}

} // namespace

TEST_F(PortDispatchTest, NoModeMeansNothingIsTouched)
{
    for (CommMode mode : {-1, 5}) {
        settings.mode = mode;
        EXPECT_EQ(Open(), 1);
        EXPECT_TRUE(Free(com1) && Free(lpt1));
        EXPECT_EQ(Write("\x01KU\r\n", true), 1);
        char buffer[8] = "unread";
        int32_t length = 8;
        EXPECT_EQ(DispatchReadPort(settings, kProgramLimits, hPort, hStatusPort, buffer, &length), 1);
        EXPECT_STREQ(buffer, "unread");
        EXPECT_EQ(length, 8);
        EXPECT_EQ(Close(), 1);
    }
    EXPECT_EQ(com1.TakeWaiting() + lpt1.TakeWaiting(), "");
}

TEST_F(PortDispatchTest, SerialAndParallelModesUseTheChosenPort)
{
    // The line the printer's end sees for each baud-rate entry: any but the
    // three others is 19200.
    settings.mode = Com;
    settings.serial = 0;
    const std::pair<int32_t, speed_t> rates[] = {{0, B4800}, {1, B9600}, {3, B38400}, {2, B19200}, {4, B19200}};
    for (auto [index, speed] : rates) {
        settings.baud = index;
        ASSERT_EQ(Open(), 1);
        termios line{};
        ASSERT_EQ(::tcgetattr(com1.Master(), &line), 0);
        EXPECT_EQ(::cfgetospeed(&line), speed) << index;
        EXPECT_EQ(Close(), 1);
    }

    // Nothing selected (-1) means COM2 at 19200 baud.
    settings.serial = -1;
    settings.baud = -1;
    ASSERT_EQ(Open(), 1);
    termios tio{};
    ASSERT_EQ(::tcgetattr(com2.Master(), &tio), 0);
    EXPECT_EQ(::cfgetospeed(&tio), static_cast<speed_t>(B19200));
    EXPECT_EQ(Write("ku", true), 1); // the status flag means nothing here
    EXPECT_EQ(com2.Receive(2, 1000), "ku");
    com2.Send("0\r\n");
    std::string line;
    EXPECT_EQ(ReadLine(line), 1);
    EXPECT_EQ(line, "0\r");
    EXPECT_EQ(Write(""), 1);
    EXPECT_EQ(Close(), 1);
    EXPECT_TRUE(Free(com2));

    settings.mode = Lpt;
    settings.parallel = 0;
    ASSERT_EQ(Open(), 1);
    EXPECT_FALSE(Free(lpt1));
    EXPECT_EQ(Write("data", true), 1);
    EXPECT_EQ(lpt1.Receive(4, 1000), "data");
    EXPECT_EQ(Write(""), 1);
    EXPECT_EQ(Close(), 1);
    EXPECT_TRUE(Free(lpt1));
}

TEST_F(PortDispatchTest, DualSendsStatusOnSerialAndDataOnParallel)
{
    settings.mode = Dual;
    settings.serial = 1;
    settings.parallel = 1;
    ASSERT_EQ(Open(), 1);
    EXPECT_EQ(Write("\x01SU\r\n", true), 1);
    EXPECT_EQ(Write("\x01KU\r\n", false), 1);
    EXPECT_EQ(Write("", true), 1);
    EXPECT_EQ(Write("", false), 1);
    EXPECT_EQ(com2.Receive(5, 1000), "\x01SU\r\n");
    EXPECT_EQ(lpt2.Receive(5, 1000), "\x01KU\r\n");
    lpt2.Send("9\n"); // never read: reads come from the serial side
    com2.Send("3\n");
    std::string line;
    EXPECT_EQ(ReadLine(line), 1);
    EXPECT_EQ(line, "3");
    EXPECT_EQ(Close(), 1);
    EXPECT_TRUE(Free(com2) && Free(lpt2));
}

TEST_F(PortDispatchTest, DualOpensBothOrHoldsNeither)
{
    settings.mode = Dual;
    // Serial side missing: the parallel port is never tried.
    ::setenv("ORVI_COM1", "/dev/orvi-missing-com", 1);
    hPort = 4321;
    EXPECT_EQ(Open(), 0);
    EXPECT_EQ(hStatusPort, InvalidChannel);
    EXPECT_EQ(hPort, 4321);

    // Parallel side missing: the serial port is let go again.
    ::setenv("ORVI_COM1", com1.SlavePath().c_str(), 1);
    ::setenv("ORVI_LPT1", "/dev/orvi-missing-lpt", 1);
    EXPECT_EQ(Open(), 0);
    EXPECT_EQ(hPort, InvalidChannel);
    EXPECT_TRUE(Free(com1));
}

TEST_F(PortDispatchTest, CloseSucceedsEvenWhenTheSystemRefuses)
{
    settings.mode = Com;
    auto before = OpenDescriptors();
    ASSERT_EQ(Open(), 1);
    int closedBehind = 0;
    for (const auto& fd : OpenDescriptors())
        if (!before.count(fd) && fd.second == com1.SlavePath() && ::close(fd.first) == 0)
            ++closedBehind;
    ASSERT_GE(closedBehind, 1);
    EXPECT_EQ(Close(), 1);
}

TEST_F(PortDispatchTest, PrinterQueueWithoutANameDoesNotOpen)
{
    settings.mode = Network;
    EXPECT_EQ(Open(), 0);
    EXPECT_EQ(hPort, InvalidChannel);
    std::string line;
    EXPECT_EQ(ReadLine(line), 0);
}

TEST_F(PortDispatchTest, TcpModeTalksToPort2864AtTheAddressShown)
{
    // An address of its own on the loopback network, so that nothing else
    // on this machine needs port 2864 to be free.
    const std::string address = LoopbackAddress();
    LoopbackListener printer(address.c_str(), 2864);
    ASSERT_TRUE(printer.Valid()) << address;
    settings.mode = TcpIp;
    std::sscanf(address.c_str(), "%hhu.%hhu.%hhu.%hhu", &settings.ip[0], &settings.ip[1], &settings.ip[2],
                &settings.ip[3]);
    ASSERT_EQ(Open(), 1);
    LoopbackPeer peer = printer.Accept(2000);
    ASSERT_TRUE(peer.Valid());
    EXPECT_EQ(Write(""), 1);
    EXPECT_EQ(Write("\x01KU\r\n", true), 1);
    EXPECT_EQ(peer.Receive(5, 1000), "\x01KU\r\n");

    peer.Send("0\r\n\n");
    char buffer[1024];
    int32_t length = sizeof buffer;
    EXPECT_EQ(DispatchReadPort(settings, kProgramLimits, hPort, hStatusPort, buffer, &length), 1);
    EXPECT_EQ(length, 1024); // left as it was
    EXPECT_EQ(buffer[0], '0');
    // A line that starts with LF fails in this mode.
    EXPECT_EQ(DispatchReadPort(settings, kProgramLimits, hPort, hStatusPort, buffer, &length), 0);
    EXPECT_EQ(Close(), 1);
}
