// The TCP channel against real loopback sockets.
#include "link/error_codes.h"
#include "link/stop_request.h"
#include "link/tcp_channel.h"
#include "link/wait_hook.h"

#include "tests/support/loopback.h"

#include "tests/support/elapsed.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>

namespace {

struct Open {
    ChannelHandle h;
    int32_t error = 0;
    int16_t timedOut = -1;
    long ms = 0;
};

Open Connect(const char* host, uint32_t port, uint32_t limit = 2000, uint32_t sendLimit = 2000)
{
    Open o{};
    auto start = TestClock::now();
    o.h = OpenTcpChannel(host, port, limit, sendLimit, &o.error, &o.timedOut);
    o.ms = MsSince(start);
    return o;
}

struct Line {
    int32_t result;
    int32_t error = 0;
    int16_t timedOut = -1;
    std::string bytes;
};

Line Receive(ChannelHandle h, int32_t capacity)
{
    std::string buffer(static_cast<size_t>(capacity), '\xEE');
    Line l{};
    l.result = ReceiveTcpChannel(h, buffer.data(), capacity, '\n', &l.error, &l.timedOut);
    l.bytes = buffer;
    return l;
}

} // namespace

TEST(TcpChannel, ConnectFailuresAreReportedAndBounded)
{
    // Nothing listening: refused at once, not timed out.
    uint16_t closedPort;
    {
        LoopbackListener gone;
        closedPort = gone.Port();
    }
    Open refused = Connect("127.0.0.1", closedPort);
    EXPECT_EQ(refused.h, InvalidChannel);
    EXPECT_EQ(refused.timedOut, 0);
    EXPECT_NE(refused.error, 0);
    EXPECT_LT(refused.ms, 2000); // the connect's limit

    // A listener whose backlog is full drops the handshake: the connect
    // runs out of its limit.
    LoopbackListener full("127.0.0.1", 0, 0);
    ASSERT_TRUE(full.Valid());
    for (int i = 0; i < 4; ++i)
        full.ConnectIdle();
    Open silent = Connect("127.0.0.1", full.Port(), 300);
    EXPECT_EQ(silent.h, InvalidChannel);
    EXPECT_EQ(silent.timedOut, 1);
    EXPECT_EQ(silent.error, kErrorSocketTimedOut);
    EXPECT_GE(silent.ms + kClockSlackMs, 300);
    EXPECT_LT(silent.ms, 300 + kHangMarginMs);

    // A stop asked for ends the wait at once; the exchange that must still
    // go out when stopping waits a few seconds more, not its limit of an hour.
    SetStopCheck([] { return true; });
    Open stopped = Connect("127.0.0.1", full.Port(), 3600 * 1000);
    EXPECT_EQ(stopped.error, kErrorStopped);
    EXPECT_LT(stopped.ms, kHangMarginMs);
    {
        StopExemption stillSent;
        Open exempt = Connect("127.0.0.1", full.Port(), 3600 * 1000);
        EXPECT_EQ(exempt.h, InvalidChannel);
        EXPECT_GE(exempt.ms + kClockSlackMs, static_cast<long>(kExemptionGraceMs));
        EXPECT_LT(exempt.ms, static_cast<long>(kExemptionGraceMs) + kHangMarginMs);
    }
    SetStopCheck(nullptr);

    // A name no resolver can hold (it has blanks) is refused without a
    // query, so the result does not hang on a name server.
    Open unknown = Connect("no such host", 2864, 3000);
    EXPECT_EQ(unknown.h, InvalidChannel);
    EXPECT_EQ(unknown.error, kErrorHostUnknown);
    EXPECT_EQ(unknown.timedOut, 0);
    Open badPort = Connect("127.0.0.1", 70000);
    EXPECT_EQ(badPort.h, InvalidChannel);
}

TEST(TcpChannel, ReceivesOneLineByteByByte)
{
    LoopbackListener listener;
    Open o = Connect("127.0.0.1", listener.Port());
    ASSERT_NE(o.h, InvalidChannel);
    LoopbackPeer printer = listener.Accept(2000);
    ASSERT_TRUE(printer.Valid());

    int32_t error = 0;
    int16_t timedOut = 0;
    std::string piece(1024, 'p');
    EXPECT_EQ(SendTcpChannel(o.h, piece.data(), 1024, &error, &timedOut), 1024);
    EXPECT_EQ(SendTcpChannel(o.h, "", 0, &error, &timedOut), 0);
    EXPECT_EQ(printer.Receive(1025, 500), piece);

    printer.Send("0\r\nrest\n");
    Line status = Receive(o.h, 1024);
    EXPECT_EQ(status.result, 2);
    EXPECT_EQ(status.bytes.substr(0, 3), "0\r\n");
    Line rest = Receive(o.h, 1024);
    EXPECT_EQ(rest.result, 4);

    printer.Send("\n");
    EXPECT_EQ(Receive(o.h, 1024).result, 0);

    printer.Send(std::string(1024, 'q') + "\n");
    Line full = Receive(o.h, 1024);
    EXPECT_EQ(full.result, 1024);
    EXPECT_EQ(Receive(o.h, 1).result, 0); // the LF alone
    EXPECT_EQ(Receive(o.h, 0).result, 0);

    // The printer hangs up in the middle of the line: fail at once.
    printer.Send("0\r");
    printer.Close();
    auto start = TestClock::now();
    Line cut = Receive(o.h, 1024);
    EXPECT_EQ(cut.result, 0);
    EXPECT_EQ(cut.timedOut, 0);
    EXPECT_EQ(cut.error, kErrorPeerClosed);
    EXPECT_LT(MsSince(start), 2000); // the byte's limit
    EXPECT_EQ(CloseTcpChannel(o.h), 1);
}

namespace {
int g_hookCalls = 0;
void CountHook(void*) { ++g_hookCalls; }
} // namespace

TEST(TcpChannel, EachByteGetsAFreshLimit)
{
    LoopbackListener listener;
    Open o = Connect("127.0.0.1", listener.Port(), 500);
    ASSERT_NE(o.h, InvalidChannel);
    LoopbackPeer printer = listener.Accept(2000);

    // One byte every 300 ms against a 500 ms limit: the line comes through.
    std::thread slow([&] {
        for (char c : std::string("12\n")) {
            std::this_thread::sleep_for(std::chrono::milliseconds(300));
            printer.Send(std::string(1, c));
        }
    });
    auto start = TestClock::now();
    Line patient = Receive(o.h, 1024);
    slow.join();
    EXPECT_EQ(patient.result, 2);
    EXPECT_GE(MsSince(start), 850);

    // A gap longer than the limit fails, and the wait runs the hook.
    g_hookCalls = 0;
    SetWaitHook(CountHook, nullptr);
    printer.Send("1");
    start = TestClock::now();
    Line stalled = Receive(o.h, 1024);
    long waited = MsSince(start);
    SetWaitHook(nullptr, nullptr);
    EXPECT_EQ(stalled.result, 0);
    EXPECT_EQ(stalled.timedOut, 1);
    EXPECT_EQ(stalled.error, kErrorSocketTimedOut);
    EXPECT_GE(waited + kClockSlackMs, 500);
    EXPECT_LT(waited, 500 + kHangMarginMs);
    EXPECT_GE(g_hookCalls, 4);
    CloseTcpChannel(o.h);
}

TEST(TcpChannel, NoChannelMeansNothingHappens)
{
    int32_t error = 77;
    int16_t timedOut = 77;
    char buffer[4];
    EXPECT_EQ(SendTcpChannel(InvalidChannel, "x", 1, &error, &timedOut), 0);
    EXPECT_EQ(error, 0);
    EXPECT_EQ(timedOut, 0);
    error = timedOut = 77;
    EXPECT_EQ(ReceiveTcpChannel(InvalidChannel, buffer, 4, '\n', &error, &timedOut), 0);
    EXPECT_EQ(error, 0);
    EXPECT_EQ(timedOut, 0);
    EXPECT_EQ(CloseTcpChannel(InvalidChannel), 1);
    EXPECT_EQ(CloseTcpChannel(0), 1);
}

TEST(TcpChannel, NoStepOutlastsItsLimitWhateverThePeerSends)
{
    LoopbackListener listener;
    Open o = Connect("127.0.0.1", listener.Port(), 300, 300);
    ASSERT_NE(o.h, InvalidChannel);
    LoopbackPeer printer = listener.Accept(2000);

    // Urgent data wakes a wait for the socket, yet no receive gives it: the
    // byte step must still end at its limit.
    ASSERT_TRUE(printer.Send("12"));
    ASSERT_TRUE(printer.SendUrgent('!'));
    Line line = Receive(o.h, 1024);
    EXPECT_EQ(line.result, 0);
    EXPECT_EQ(line.timedOut, 1);
    EXPECT_EQ(line.bytes.substr(0, 2), "12");

    // A printer that keeps taking a little: the whole send still has one
    // limit, not one per piece the printer takes, and ends there with most
    // of the buffer unsent.
    std::atomic<bool> stop{false};
    size_t taken = 0;
    std::thread trickle([&] {
        while (!stop) {
            taken += printer.Receive(4096, 10).size();
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    });
    std::string big(64 << 20, 's');
    int32_t error = 0;
    int16_t timedOut = 0;
    auto start = TestClock::now();
    EXPECT_EQ(SendTcpChannel(o.h, big.data(), static_cast<int32_t>(big.size()), &error, &timedOut), 0);
    long waited = MsSince(start);
    stop = true;
    trickle.join();
    EXPECT_EQ(timedOut, 1);
    EXPECT_EQ(error, kErrorSocketTimedOut);
    EXPECT_GE(waited + kClockSlackMs, 300);
    EXPECT_LT(waited, 300 + kHangMarginMs);
    EXPECT_LT(taken, big.size());
    CloseTcpChannel(o.h);
}
