// The fault matrix: in each connection mode, each way a printer or cable
// fails. Each case must end in its message, leave no device held, and a
// retry once the fault is gone must deliver every file byte for byte.
#include "link/device_channel.h"
#include "res/dialogs.h"
#include "res/strings.h"
#include "tests/support/private_cupsd.h"
#include "tests/wizard/wizard_env.h"
#include "tests/wizard/wizard_harness.h"

#include <gtest/gtest.h>

#include <csignal>
#include <memory>
#include <cstdlib>
#include <string>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

enum class Fault { SilentAfterSu, DroppedMidFile, StopsReading, PortMissing, PortHeld, Refused };

struct Case {
    CommMode mode;
    Fault fault;
};

std::string Describe(const ::testing::TestParamInfo<Case>& info)
{
    static const char* modes[] = {"Com", "Lpt", "Dual", "Network", "TcpIp"};
    static const char* faults[] = {"SilentAfterSu", "DroppedMidFile", "StopsReading",
                                   "PortMissing",   "PortHeld",       "Refused"};
    return std::string(modes[info.param.mode]) + "_" + faults[static_cast<int>(info.param.fault)];
}

int ModeButton(CommMode mode)
{
    switch (mode) {
    case Com: return IDC_MODE_COM;
    case Lpt: return IDC_MODE_LPT;
    case Dual: return IDC_MODE_DUAL;
    case Network: return IDC_MODE_NETWORK;
    default: return IDC_MODE_TCPIP;
    }
}

// Another process holding a port the way a terminal program does: the
// device open and locked until the process ends.
class OtherHolder {
public:
    explicit OtherHolder(const std::string& path)
    {
        int ready[2];
        if (::pipe(ready) != 0)
            return;
        m_pid = ::fork();
        if (m_pid == 0) {
            ::close(ready[0]);
            int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY);
            char held = (fd >= 0 && ::flock(fd, LOCK_EX | LOCK_NB) == 0) ? 1 : 0;
            (void)!::write(ready[1], &held, 1);
            for (;;)
                ::pause();
        }
        ::close(ready[1]);
        char held = 0;
        m_bHeld = m_pid > 0 && ::read(ready[0], &held, 1) == 1 && held == 1;
        ::close(ready[0]);
    }
    bool Held() const { return m_bHeld; }
    ~OtherHolder() { Release(); }
    void Release()
    {
        if (m_pid > 0) {
            ::kill(m_pid, SIGKILL);
            ::waitpid(m_pid, nullptr, 0);
        }
        m_pid = -1;
    }

private:
    pid_t m_pid = -1;
    bool m_bHeld = false;
};

class FaultMatrix : public ::testing::TestWithParam<Case> {
protected:
    // The printer with its fault (or none), wherever this mode reaches it.
    bool StartPrinter(const std::vector<std::string>& fault)
    {
        std::vector<std::string> args;
        CommMode mode = GetParam().mode;
        if (mode == Com || mode == Lpt)
            args = {"--pty", serial};
        else if (mode == Dual)
            args = {"--dual", serial, parallel};
        else if (mode == TcpIp)
            args = {"--tcp", address + ":2864"};
        else
            args = {"--tcp", "127.0.0.1:" + std::to_string(queuePort)};
        args.insert(args.end(), {"--out", env.outDir, "--report", env.reportPath});
        args.insert(args.end(), fault.begin(), fault.end());
        printer = std::make_unique<SimProcess>();
        return printer->Start(args);
    }

    // Every device this mode uses opens at once: nothing was left held.
    bool DevicesFree()
    {
        for (const std::string& path : {serial, parallel}) {
            if (GetParam().mode == TcpIp || GetParam().mode == Network)
                break;
            ChannelHandle h = OpenParallelChannel(path.c_str(), 10, 10);
            if (h == InvalidChannel)
                return false;
            CloseChannel(h);
            if (GetParam().mode != Dual)
                break;
        }
        return true;
    }

    WizardEnvironment env;
    std::unique_ptr<SimProcess> printer;
    std::string serial = (env.scratch.Path() / "serial").string();
    std::string parallel = (env.scratch.Path() / "parallel").string();
    std::string address = "127.0.0." + std::to_string(2 + ::getpid() % 250);
    int queuePort = 20000 + ::getpid() % 20000;
};

} // namespace

TEST_P(FaultMatrix, EndsInItsMessageAndARetryCompletes)
{
    const Case c = GetParam();
    // The sockets' buffers on loopback take in tens of megabytes that a
    // printer never reads; only a file larger than those shows a printer
    // that stopped reading.
    const size_t mainSize = c.mode == TcpIp && c.fault == Fault::StopsReading ? 96u << 20 : 300000;
    std::vector<FirmwareFile> files =
        env.WriteFirmware({{"boot.bin", std::string(5000, 'b')}, {"main.bin", std::string(mainSize, 'm')}});
    if (c.mode == Dual) {
        ::setenv("ORVI_COM1", serial.c_str(), 1);
        ::setenv("ORVI_LPT1", parallel.c_str(), 1);
    } else {
        ::setenv(c.mode == Lpt ? "ORVI_LPT1" : "ORVI_COM1", serial.c_str(), 1);
    }
    std::unique_ptr<PrivateCupsd> cupsd;
    if (c.mode == Network) {
        cupsd = std::make_unique<PrivateCupsd>();
        ASSERT_TRUE(cupsd->Running());
        ASSERT_TRUE(cupsd->AddRawQueue("Orvi", "socket://127.0.0.1:" + std::to_string(queuePort)));
    }

    std::vector<std::string> fault;
    int expected = 0;
    bool onPage3 = true;
    switch (c.fault) {
    case Fault::SilentAfterSu: fault = {"--status", "none"}; expected = IDS_NO_STATUS; break;
    case Fault::DroppedMidFile: fault = {"--drop-after", "100000"}; expected = IDS_FILE_NOT_SENT; onPage3 = false; break;
    case Fault::StopsReading: fault = {"--stall-after", "100000"}; expected = IDS_FILE_NOT_SENT; onPage3 = false; break;
    case Fault::PortMissing: expected = IDS_PORT_NOT_OPENED; break;
    case Fault::PortHeld: expected = IDS_PORT_NOT_OPENED; break;
    case Fault::Refused: expected = IDS_PORT_NOT_OPENED; break;
    }
    // A missing port is a device or address where no printer is; a missing
    // queue is one deleted after page 2 listed it.
    // A refused queue is a scheduler that went away after page 2 listed it.
    const bool printerAtFirst = c.mode == Network || (c.fault != Fault::PortMissing && c.fault != Fault::Refused);
    if (printerAtFirst) {
        ASSERT_TRUE(StartPrinter(fault));
    }
    std::unique_ptr<OtherHolder> holder;
    if (c.fault == Fault::PortHeld)
        holder = std::make_unique<OtherHolder>(serial);
    if (holder) {
        ASSERT_TRUE(holder->Held());
    }

    WizardHarness w;
    // The faults that run a limit out run out a short one.
    w.sheet.m_limits = kShortLimits;
    ASSERT_TRUE(w.Press("next"));
    w.ClickRadio(ModeButton(c.mode));
    if (c.mode == TcpIp)
        w.TypeAddress(QString::fromStdString(address));
    w.TakeMessages();
    if (c.mode == Network && c.fault == Fault::PortMissing) {
        ASSERT_TRUE(cupsd->RemoveQueue("Orvi"));
    }
    if (c.mode == Network && c.fault == Fault::Refused)
        cupsd->Stop();
    ASSERT_TRUE(w.Press("next"));
    if (!onPage3) {
        ASSERT_EQ(w.Page(), 2) << (w.boxes.empty() ? "" : w.boxes[0].text);
        ASSERT_TRUE(w.Press("next"));
        ASSERT_TRUE(w.Press("finish"));
        ASSERT_FALSE(w.boxes.empty());
        EXPECT_EQ(w.boxes[0].text, LoadStringResource(expected));
        EXPECT_EQ(w.FinishText(), "Finish");
    } else {
        EXPECT_EQ(w.Page(), 1);
        ASSERT_FALSE(w.boxes.empty());
        EXPECT_EQ(w.boxes[0].text, LoadStringResource(expected));
    }
    holder.reset();
    if (printerAtFirst) {
        EXPECT_TRUE(DevicesFree());
    }

    // The fault gone, the retry goes through to the end, with the program's
    // own limits.
    w.sheet.m_limits = kProgramLimits;
    ASSERT_TRUE(StartPrinter({}));
    if (c.mode == Network && c.fault == Fault::PortMissing) {
        ASSERT_TRUE(cupsd->AddRawQueue("Orvi", "socket://127.0.0.1:" + std::to_string(queuePort)));
    }
    if (c.mode == Network && c.fault == Fault::Refused) {
        ASSERT_TRUE(cupsd->Restart());
    }
    w.TakeMessages();
    if (onPage3) {
        if (c.mode == Network) {
            ASSERT_TRUE(w.Press("back") && w.Press("next")); // page 2 lists the queue anew
        }
        ASSERT_TRUE(w.Press("next"));
        ASSERT_EQ(w.Page(), 2) << (w.boxes.empty() ? "" : w.boxes[0].text);
        ASSERT_TRUE(w.Press("next"));
    }
    ASSERT_TRUE(w.Press("finish"));
    ASSERT_TRUE(w.boxes.empty()) << w.boxes[0].text;
    EXPECT_EQ(w.FinishText(), "Done");
    ASSERT_TRUE(WaitForReport(env.reportPath, "\"event\":\"upgrade\"", 1, c.mode == Network ? 60000 : kPromptMs));
    EXPECT_EQ(CompareUpgrade(env.reportPath, files), "");
    EXPECT_TRUE(DevicesFree());
}

INSTANTIATE_TEST_SUITE_P(
    Devices, FaultMatrix,
    ::testing::Values(Case{Com, Fault::SilentAfterSu}, Case{Com, Fault::DroppedMidFile},
                      Case{Com, Fault::StopsReading}, Case{Com, Fault::PortMissing}, Case{Com, Fault::PortHeld},
                      Case{Lpt, Fault::SilentAfterSu}, Case{Lpt, Fault::DroppedMidFile},
                      Case{Lpt, Fault::StopsReading}, Case{Lpt, Fault::PortMissing}, Case{Lpt, Fault::PortHeld},
                      Case{Dual, Fault::SilentAfterSu}, Case{Dual, Fault::DroppedMidFile},
                      Case{Dual, Fault::StopsReading}, Case{Dual, Fault::PortMissing},
                      Case{Dual, Fault::PortHeld}),
    Describe);

INSTANTIATE_TEST_SUITE_P(Network, FaultMatrix,
                         ::testing::Values(Case{TcpIp, Fault::SilentAfterSu}, Case{TcpIp, Fault::DroppedMidFile},
                                           Case{TcpIp, Fault::StopsReading}, Case{TcpIp, Fault::Refused},
                                           Case{Network, Fault::PortMissing}, Case{Network, Fault::Refused}),
                         Describe);
