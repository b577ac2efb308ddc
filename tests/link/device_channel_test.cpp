// The device channel over real pseudo-terminals, which stand in for the
// serial and parallel ports through the device map.
#include "link/device_channel.h"
#include "link/device_map_posix.h"
#include "link/error_codes.h"
#include "link/modem_lines_posix.h"
#include "link/serial_lock_posix.h"

#include "tests/support/host_process.h"
#include "tests/support/pty_pair.h"
#include "tests/support/scoped_env.h"
#include "tests/support/temp_dir.h"

#include "tests/support/elapsed.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <termios.h>
#include <unistd.h>

namespace {

ChannelHandle OpenSerial(const PtyPair& pty, uint32_t readTimeout = 10000, uint32_t writeTimeout = 10000,
                         uint32_t baud = 19200)
{
    int32_t error = 0;
    return OpenSerialChannel(pty.SlavePath().c_str(), readTimeout, writeTimeout, baud, 0, 0, &error);
}

struct Read {
    int ok;
    int32_t length;
    int32_t error = 0;
    std::string bytes;
};

Read ReadLine(ChannelHandle h, int32_t capacity, uint32_t byteLimit = kReadByteLimitMs)
{
    std::string buffer(capacity > 0 ? static_cast<size_t>(capacity) : 1, '\xEE');
    Read r{0, capacity, 0, {}};
    r.ok = ReadChannel(h, buffer.data(), &r.length, '\n', &r.error, byteLimit);
    r.bytes = buffer;
    return r;
}

} // namespace

TEST(DeviceChannel, ReadsOneLineAndNothingAfterIt)
{
    PtyPair pty;
    ChannelHandle h = OpenSerial(pty);
    ASSERT_NE(h, InvalidChannel);

    pty.Send(std::string("0\r\nAB\n"));
    Read status = ReadLine(h, 1024);
    EXPECT_EQ(status.ok, 1);
    EXPECT_EQ(status.length, 2);
    EXPECT_EQ(status.bytes.substr(0, 3), "0\r\n");
    // The bytes after the terminator stay in the device for the next read.
    Read next = ReadLine(h, 1024);
    EXPECT_EQ(next.length, 2);
    EXPECT_EQ(next.bytes.substr(0, 3), "AB\n");

    pty.Send("\n");
    Read bare = ReadLine(h, 1024);
    EXPECT_EQ(bare.ok, 1);
    EXPECT_EQ(bare.length, 0);
    EXPECT_EQ(bare.bytes[0], '\n');

    pty.Send(std::string(1024, 'x') + "\n");
    Read full = ReadLine(h, 1024);
    EXPECT_EQ(full.ok, 1);
    EXPECT_EQ(full.length, 1024);
    // Capacity 0 reads nothing: the LF left over is still there.
    Read none = ReadLine(h, 0);
    EXPECT_EQ(none.ok, 1);
    EXPECT_EQ(none.length, 0);
    Read rest = ReadLine(h, 1024);
    EXPECT_EQ(rest.ok, 1);
    EXPECT_EQ(rest.length, 0);
    EXPECT_EQ(CloseChannel(h), 1);
}

TEST(DeviceChannel, ReadGivesUpWhenBytesStopComing)
{
    PtyPair pty;
    // Short read calls: the per-byte limit decides, counted from the start
    // of the byte's wait, not renewed by each empty call.
    ChannelHandle h = OpenSerial(pty, 50);
    ASSERT_NE(h, InvalidChannel);
    pty.Send("0\r\n");
    std::string three = "abc";
    pty.Send(three);
    Read first = ReadLine(h, 1024, 300);
    ASSERT_EQ(first.ok, 1);
    auto start = TestClock::now();
    Read cut = ReadLine(h, 1024, 300);
    long waited = MsSince(start);
    EXPECT_EQ(cut.ok, 0);
    EXPECT_EQ(cut.length, 3);
    EXPECT_EQ(cut.bytes.substr(0, 3), "abc");
    EXPECT_EQ(cut.error, kErrorByteTimedOut);
    EXPECT_GE(waited + kClockSlackMs, 300);
    EXPECT_LT(waited, 300 + 50 + kHangMarginMs);

    // A read call as long as the limit: it fails after one empty call.
    ChannelHandle slow = OpenSerial(pty, 400);
    ASSERT_EQ(slow, InvalidChannel); // still held by h
    CloseChannel(h);
    slow = OpenSerial(pty, 400);
    ASSERT_NE(slow, InvalidChannel);
    start = TestClock::now();
    Read quiet = ReadLine(slow, 1024, 100);
    waited = MsSince(start);
    EXPECT_EQ(quiet.ok, 0);
    EXPECT_EQ(quiet.length, 0);
    EXPECT_GE(waited + kClockSlackMs, 400);
    EXPECT_LT(waited, 400 + kHangMarginMs);

    // A device that goes away fails the read at once.
    pty.CloseMaster();
    start = TestClock::now();
    Read gone = ReadLine(slow, 1024);
    EXPECT_EQ(gone.ok, 0);
    EXPECT_NE(gone.error, 0);
    EXPECT_LT(MsSince(start), static_cast<long>(kReadByteLimitMs)); // not the byte's limit
    CloseChannel(slow);
}

TEST(DeviceChannel, WritesAllOrFailsWithinTheWriteTimeout)
{
    PtyPair pty;
    ChannelHandle h = OpenSerial(pty, 10000, 300);
    ASSERT_NE(h, InvalidChannel);
    int32_t error = 0;
    EXPECT_EQ(WriteChannel(h, "", 0, &error), 1);

    std::string every;
    for (int b = 0; b < 256; ++b)
        every += static_cast<char>(b);
    ASSERT_EQ(WriteChannel(h, every.data(), static_cast<int32_t>(every.size()), &error), 1);
    EXPECT_EQ(pty.Receive(every.size(), 2000), every);
    // Closing right after a write loses none of it.
    ChannelHandle second = OpenParallelChannel(pty.SlavePath().c_str(), 10, 300);
    EXPECT_EQ(second, InvalidChannel);
    EXPECT_EQ(WriteChannel(h, "\x01SR\r\n", 5, &error), 1);
    EXPECT_EQ(CloseChannel(h), 1);
    EXPECT_EQ(pty.Receive(5, 2000), "\x01SR\r\n");
    h = OpenSerial(pty, 10000, 300);
    ASSERT_NE(h, InvalidChannel);

    // Nothing drains the other side: the write cannot finish in time.
    std::string big(4 << 20, 'z');
    auto start = TestClock::now();
    EXPECT_EQ(WriteChannel(h, big.data(), static_cast<int32_t>(big.size()), &error), 0);
    long waited = MsSince(start);
    EXPECT_EQ(error, kErrorByteTimedOut);
    EXPECT_GE(waited + kClockSlackMs, 300);
    EXPECT_LT(waited, 300 + kHangMarginMs);
    EXPECT_EQ(CloseChannel(h), 1);
}

TEST(DeviceChannel, PortIsHeldExclusivelyUntilClosed)
{
    PtyPair pty;
    ChannelHandle serial = OpenSerial(pty, 10000, 10000, 38400);
    ASSERT_NE(serial, InvalidChannel);

    int32_t error = 0;
    EXPECT_EQ(OpenSerialChannel(pty.SlavePath().c_str(), 10, 10, 19200, 0, 0, &error), InvalidChannel);
    EXPECT_EQ(error, EWOULDBLOCK);
    EXPECT_EQ(OpenParallelChannel(pty.SlavePath().c_str(), 10, 10), InvalidChannel);

    // The line: raw 8 bits at the rate asked for, as the other end sees it.
    termios tio{};
    ASSERT_EQ(::tcgetattr(pty.Master(), &tio), 0);
    EXPECT_EQ(::cfgetospeed(&tio), static_cast<speed_t>(B38400));
    EXPECT_EQ(tio.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
    EXPECT_EQ(tio.c_cflag & (PARENB | CSTOPB | CRTSCTS), 0u);
    EXPECT_EQ(tio.c_lflag & ICANON, 0u);
    EXPECT_EQ(tio.c_oflag & OPOST, 0u);

    EXPECT_EQ(CloseChannel(serial), 1);
    ChannelHandle again = OpenParallelChannel(pty.SlavePath().c_str(), 10, 10);
    EXPECT_NE(again, InvalidChannel);
    EXPECT_EQ(CloseChannel(again), 1);

    error = 0;
    EXPECT_EQ(OpenSerialChannel("/dev/orvi-no-such-port", 10, 10, 19200, 0, 0, &error), InvalidChannel);
    EXPECT_EQ(error, ENOENT);
    EXPECT_EQ(CloseChannel(InvalidChannel), 0);
    EXPECT_EQ(ReadLine(InvalidChannel, 4).ok, 0);
    EXPECT_EQ(WriteChannel(InvalidChannel, "x", 1, &error), 0);
}

TEST(DeviceChannel, WindowsNamesFollowTheDeviceMap)
{
    ScopedEnv com1("ORVI_COM1", nullptr), com2("ORVI_COM2", nullptr), lpt1("ORVI_LPT1", nullptr),
        lpt2("ORVI_LPT2", nullptr);
    EXPECT_EQ(DevicePathFor("COM1"), "/dev/ttyS0");
    EXPECT_EQ(DevicePathFor("COM2"), "/dev/ttyS1");
    EXPECT_EQ(DevicePathFor("LPT1"), "/dev/lp0");
    EXPECT_EQ(DevicePathFor("LPT2"), "/dev/lp1");
    ScopedEnv usbCom1("ORVI_COM1", "/dev/ttyUSB0"), usbLpt2("ORVI_LPT2", "/dev/usb/lp0");
    EXPECT_EQ(DevicePathFor("COM1"), "/dev/ttyUSB0");
    EXPECT_EQ(DevicePathFor("com1"), "/dev/ttyUSB0");
    EXPECT_EQ(DevicePathFor("LPT2"), "/dev/usb/lp0");
    EXPECT_EQ(DevicePathFor("/dev/pts/7"), "/dev/pts/7");
}

namespace {

// No device here has modem lines: a pseudo-terminal reports none, and the
// serial channel would never look at DSR. So the test plays the printer's
// DSR line through the channel's own seam for modem lines, while the bytes
// go through a real pseudo-terminal and are counted at its other end.
struct DsrScript {
    PtyPair* pty = nullptr;
    int assertedFor = 0; // the first this many looks see DSR asserted,
    int droppedFor = 0;  // the next this many (-1: all) see it dropped
    int looks = 0;
    std::string arrived; // at the printer's end, by the last dropped look
};

DsrLine ScriptedDsr(int, void* pContext)
{
    auto* s = static_cast<DsrScript*>(pContext);
    const int look = s->looks++;
    if (look < s->assertedFor || (s->droppedFor >= 0 && look >= s->assertedFor + s->droppedFor))
        return DsrLine::Asserted;
    s->arrived += s->pty->TakeWaiting();
    return DsrLine::Dropped;
}

class ScriptedModemLines {
public:
    explicit ScriptedModemLines(DsrScript& script) { SetModemLineSource(ScriptedDsr, &script); }
    ~ScriptedModemLines() { SetModemLineSource(nullptr, nullptr); }
};

std::string Pattern(size_t n)
{
    std::string bytes;
    for (size_t i = 0; i < n; ++i)
        bytes += static_cast<char>(i * 37 + (i >> 8));
    return bytes;
}

} // namespace

TEST(DeviceChannel, SerialWritesGoOnlyWhileThePrinterAssertsDsr)
{
    PtyPair pty;
    const std::string piece = Pattern(1024);
    // DSR is looked at once by the open and then once before each small
    // piece of a write, which may be 64 bytes at the most.
    constexpr size_t kMostPerLook = 64;
    int32_t error = 0;
    {
        // DSR drops after two pieces for some 40 looks (80 ms), then rises:
        // nothing more leaves while it is low, then the rest goes in order.
        DsrScript script{&pty, 3, 40, 0, {}};
        ScriptedModemLines lines(script);
        ChannelHandle h = OpenSerial(pty, 10000, 10000);
        ASSERT_NE(h, InvalidChannel);
        ASSERT_EQ(WriteChannel(h, piece.data(), 1024, &error), 1);
        EXPECT_EQ(script.looks, 3 + 40 + static_cast<int>((1024 - 2 * kMostPerLook) / kMostPerLook));
        EXPECT_GT(script.arrived.size(), 0u);
        EXPECT_LE(script.arrived.size(), 2 * kMostPerLook);
        std::string rest = pty.Receive(1024 - script.arrived.size(), 2000);
        EXPECT_EQ(script.arrived + rest, piece);
        EXPECT_EQ(CloseChannel(h), 1);
    }
    {
        // DSR drops for good after one piece: the write fails when its
        // timeout has passed, and no more than that piece went out.
        DsrScript script{&pty, 2, -1, 0, {}};
        ScriptedModemLines lines(script);
        ChannelHandle h = OpenSerial(pty, 10000, 300);
        ASSERT_NE(h, InvalidChannel);
        EXPECT_EQ(WriteChannel(h, piece.data(), 1024, &error), 0);
        EXPECT_EQ(error, kErrorByteTimedOut);
        std::string sent = script.arrived + pty.Receive(1024, 200);
        EXPECT_GT(sent.size(), 0u);
        EXPECT_LE(sent.size(), kMostPerLook);
        EXPECT_EQ(sent, piece.substr(0, sent.size()));
        EXPECT_EQ(CloseChannel(h), 1);
    }
}

namespace {

// A process that stays alive until it is ended, as a terminal program
// holding a port would.
class LiveProcess {
public:
    LiveProcess() { m_process.Start({"/bin/sleep", "600"}); }
    pid_t Pid() const { return static_cast<pid_t>(m_process.Pid()); }
    void Kill()
    {
        int code = 0;
        m_process.Signal(SIGKILL);
        m_process.WaitExit(kHostEndMs, code);
    }

private:
    HostProcess m_process;
};

std::string LockFileFor(const PtyPair& pty)
{
    const std::string& path = pty.SlavePath();
    return "/run/lock/LCK.." + path.substr(path.find_last_of('/') + 1);
}


} // namespace

TEST(DeviceChannel, LockFilesNameTheirHolderInTextOrBinary)
{
    auto binary = [](int pid) { return std::string(reinterpret_cast<const char*>(&pid), sizeof pid); };
    EXPECT_EQ(LockHolderFromBytes("      4242\n"), 4242);
    EXPECT_EQ(LockHolderFromBytes("4242"), 4242);
    EXPECT_EQ(LockHolderFromBytes(binary(4242)), 4242);
    // A binary id whose low bytes are digits is not read as the text "51".
    EXPECT_EQ(LockHolderFromBytes(std::string("51\0\0", 4)), 0x3135);
    EXPECT_EQ(LockHolderFromBytes(binary(0x393939)), 0x393939);
    for (const std::string& none : {std::string(), std::string("LCK"), std::string("-7\n"), binary(-7), binary(0)})
        EXPECT_EQ(LockHolderFromBytes(none), 0) << none;
}

TEST(DeviceChannel, SerialPortsHonourTheLockFilesOfOtherPrograms)
{
    ASSERT_TRUE(std::filesystem::is_directory("/run/lock"));
    PtyPair pty;
    const std::string lock = LockFileFor(pty);
    int32_t error = 0;
    {
        // Another live program's lock, in text and in the old binary form.
        LiveProcess other;
        char text[16];
        std::snprintf(text, sizeof text, "%10d\n", static_cast<int>(other.Pid()));
        int binary = other.Pid();
        for (const std::string& held : {std::string(text), std::string(reinterpret_cast<char*>(&binary), 4)}) {
            std::ofstream(lock, std::ios::binary | std::ios::trunc) << held;
            EXPECT_EQ(OpenSerial(pty), InvalidChannel);
            EXPECT_EQ(ReadWholeFile(lock), held);
        }
        // A parallel port takes no serial lock.
        ChannelHandle parallel = OpenParallelChannel(pty.SlavePath().c_str(), 10, 10);
        EXPECT_NE(parallel, InvalidChannel);
        CloseChannel(parallel);
        error = 0;
        EXPECT_EQ(OpenSerialChannel(pty.SlavePath().c_str(), 10, 10, 19200, 0, 0, &error), InvalidChannel);
        EXPECT_EQ(error, EBUSY);
    }
    // The holder is gone: its lock is stale and cleared, and the port's lock
    // is ours while the channel is open.
    ChannelHandle h = OpenSerial(pty);
    ASSERT_NE(h, InvalidChannel);
    EXPECT_EQ(std::atoi(ReadWholeFile(lock).c_str()), static_cast<int>(::getpid()));
    EXPECT_EQ(OpenSerial(pty), InvalidChannel);
    EXPECT_EQ(CloseChannel(h), 1);
    EXPECT_FALSE(std::filesystem::exists(lock));
    // Nothing of ours is left behind by a refused open either.
    LiveProcess other;
    std::ofstream(lock) << other.Pid() << "\n";
    EXPECT_EQ(OpenSerial(pty), InvalidChannel);
    other.Kill();
    h = OpenSerial(pty);
    ASSERT_NE(h, InvalidChannel);
    CloseChannel(h);
    EXPECT_FALSE(std::filesystem::exists(lock));
}
