// The fault matrix: in each connection mode, each way a printer or cable
// fails. Each case must end in its message, leave no device held, and a
// retry once the fault is gone must deliver every file byte for byte. The
// rows each target runs are in fault_matrix_rows_*.cpp; the printer-queue
// rows are in network_test.cpp.
#include "tests/wizard/fault_matrix.h"

#include "tests/support/elapsed.h"

#include "res/dialogs.h"
#include "res/strings.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

const char* const kFaults[] = {"SilentAfterSu", "DroppedMidFile", "StopsReading", "PortMissing", "PortHeld", "Refused"};

std::string Describe(const ::testing::TestParamInfo<FaultCase>& info)
{
    return std::string(ModeName(info.param.mode)) + "_" + kFaults[static_cast<int>(info.param.fault)];
}

class FaultMatrix : public ::testing::TestWithParam<FaultCase> {
protected:
    // The printer with its fault (or none), wherever this mode reaches it.
    bool StartPrinter(const std::vector<std::string>& fault)
    {
        std::vector<std::string> args;
        const CommMode mode = GetParam().mode;
        if (mode == Com || mode == Lpt)
            args = {"--pty", serial};
        else if (mode == Dual)
            args = {"--dual", serial, parallel};
        else
            args = {"--tcp", address + ":2864", "--receive-buffer", "4096"};
        args.insert(args.end(), fault.begin(), fault.end());
        return env.StartPrinter(args);
    }

    // Nothing of the wizard's holds a device the mode uses: the printer saw
    // every connection end (a TCP printer that stopped reading cannot see
    // the end), and then each device opens at once.
    bool DevicesFree()
    {
        // The printer reports a connection's end once its line is ready
        // again: a line it hung up is remade first.
        const CommMode mode = GetParam().mode;
        const int connects = CountReport(env.reportPath, "\"event\":\"connect\"");
        if (!(mode == TcpIp && GetParam().fault == Fault::StopsReading) &&
            !WaitForReport(env.reportPath, "\"event\":\"disconnect\"", connects, kPromptMs))
            return false;
        return mode == TcpIp || (DeviceOpensAgain(serial) && (mode != Dual || DeviceOpensAgain(parallel)));
    }

    WizardEnvironment env;
    std::string serial = env.HostFile("serial");
    std::string parallel = env.HostFile("parallel");
    std::string address = LoopbackAddress();
};

} // namespace

TEST_P(FaultMatrix, EndsInItsMessageAndARetryCompletes)
{
    const FaultCase c = GetParam();
    // The printer (with a receive buffer as small as a real one's) drops or
    // stops with the last bytes of the set unread: they were written, and
    // only the printer's confirmation can tell that they did not arrive.
    std::vector<FirmwareFile> files = env.WriteFirmware(
        {{"boot.bin", std::string(5000, 'b')}, {"main.bin", std::string(UnreadTail(c.mode) + 300000, 'm')}});
    size_t total = 0;
    for (const FirmwareFile& f : files)
        total += f.bytes.size();
    const std::string unread = std::to_string(total - UnreadTail(c.mode));
    if (c.mode == Dual) {
        env.MapPort("COM1", serial);
        env.MapPort("LPT1", parallel);
    } else if (c.mode != TcpIp) {
        env.MapPort(c.mode == Lpt ? "LPT1" : "COM1", serial);
    }
    std::unique_ptr<MissingPort> missing;
    if (c.fault == Fault::PortMissing)
        missing = std::make_unique<MissingPort>(serial);

    std::vector<std::string> fault;
    int expected = IDS_PORT_NOT_OPENED;
    bool onPage3 = true;
    switch (c.fault) {
    case Fault::SilentAfterSu: fault = {"--status", "none"}; expected = IDS_NO_STATUS; break;
    case Fault::DroppedMidFile: fault = {"--drop-after", unread}; expected = IDS_FILE_NOT_SENT; onPage3 = false; break;
    case Fault::StopsReading: fault = {"--stall-after", unread}; expected = IDS_FILE_NOT_SENT; onPage3 = false; break;
    default: break;
    }
    // A missing port is a device or address where no printer is.
    const bool printerAtFirst = c.fault != Fault::PortMissing && c.fault != Fault::Refused;
    if (printerAtFirst) {
        ASSERT_TRUE(StartPrinter(fault));
    }
    std::unique_ptr<PortHolder> holder;
    if (c.fault == Fault::PortHeld) {
        holder = std::make_unique<PortHolder>(serial);
        ASSERT_TRUE(holder->Held());
    }

    WizardHarness w;
    // The faults that run a limit out run out a short one.
    w.sheet.m_limits = kShortLimits;
    ASSERT_TRUE(w.Press("next"));
    w.ClickRadio(ModeButton(c.mode));
    if (c.mode == TcpIp)
        w.TypeAddress(address);
    w.TakeMessages();
    const auto start = TestClock::now();
    ASSERT_TRUE(w.Press("next"));
    // A silent printer is given up on after its limit, not before.
    if (c.fault == Fault::SilentAfterSu) {
        EXPECT_GE(MsSince(start) + kClockSlackMs, static_cast<long>(kShortLimits.lineByteMs));
    }
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
    missing.reset();
    ASSERT_TRUE(StartPrinter({}));
    w.TakeMessages();
    if (onPage3) {
        ASSERT_TRUE(w.Press("next"));
        ASSERT_EQ(w.Page(), 2) << (w.boxes.empty() ? "" : w.boxes[0].text);
        ASSERT_TRUE(w.Press("next"));
    }
    ASSERT_TRUE(w.Press("finish"));
    ASSERT_TRUE(w.boxes.empty()) << w.boxes[0].text;
    EXPECT_EQ(w.FinishText(), "Done");
    ASSERT_TRUE(WaitForReport(env.reportPath, "\"event\":\"upgrade\"", 1, kPromptMs));
    EXPECT_EQ(CompareUpgrade(env.reportPath, files), "");
    EXPECT_TRUE(DevicesFree());
}

INSTANTIATE_TEST_SUITE_P(Modes, FaultMatrix, ::testing::ValuesIn(FaultRows()), Describe);
