// What orvi-flash says before it sends anything: bad input is a usage error
// that names what is wrong; a package the wizard would refuse is refused
// with the wizard's message and nothing is sent; the plan shows what an
// upgrade would send.
#include "res/strings.h"
#include "tests/flash/flash_process.h"
#include "upgrade/sha256.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <set>
#include <fstream>

TEST(CommandLine, BadInputIsAUsageErrorThatSaysWhatIsWrong)
{
    TempDir scratch;
    const std::string badFile = scratch.Write("targets", "tcp:10.1.1.1  front desk\n\n  # spare\nserial:\n").string();
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
        {{}, "no command given"},
        {{"frobnicate"}, "unknown command \"frobnicate\""},
        {{"upgrade"}, "needs at least one target"},
        {{"status", "10.1.1.1"}, "it has no kind"},
        {{"status", "usb:lp0"}, "unknown kind \"usb\""},
        {{"status", "tcp:10.1.1.1:99999"}, "the port is not a number"},
        {{"status", "tcp:10.1.1.1:2864:99"}, "not a name or an IPv4 address"},
        {{"status", "serial:/dev/ttyS0@57600"}, "does not take 57600 baud"},
        {{"status", "dual:/dev/ttyS0"}, "SERIAL_DEVICE[@BAUD]+PARALLEL_DEVICE"},
        {{"status", "tcp:10.1.1.1", "tcp:10.1.1.1:2864"}, "is given twice"},
        {{"status", "serial:COM3", "dual:com3@9600+LPT1"}, "name the same device"},
        {{"status", "--targets", (scratch.Path() / "missing").string()}, "cannot read the targets file"},
        {{"status", "--targets", badFile}, "line 4: bad target \"serial:\""},
        {{"plan", "--force"}, "\"--force\" is not an option of plan"},
        {{"plan", "tcp:10.1.1.1"}, "plan takes no target"},
        {{"status", "tcp:10.1.1.1", "--ledger", "x"}, "not an option of status"},
        {{"upgrade", "tcp:10.1.1.1", "--jobs", "0"}, "--jobs takes a number"},
        {{"upgrade", "tcp:10.1.1.1", "--timeout", "soon"}, "--timeout takes seconds"},
        {{"upgrade", "tcp:10.1.1.1", "--package"}, "--package needs a value"},
    };
    for (const auto& [args, message] : cases) {
        FlashProcess run;
        EXPECT_EQ(RunFlashProgram(args, run), 2) << testing::PrintToString(args);
        EXPECT_NE(run.Err().find(message), std::string::npos) << run.Err();
        EXPECT_EQ(run.Out(), "") << testing::PrintToString(args);
    }
}

TEST(CommandLine, APackageTheWizardWouldRefuseIsRefusedBeforeAnythingIsSent)
{
    TempDir scratch;
    const std::string address = LoopbackAddress(1);
    const std::string report = (scratch.Path() / "report").string();
    SimProcess printer;
    ASSERT_TRUE(printer.Start({"--tcp", address + ":2864", "--report", report}));

    TempDir noConfig, corrupt, missing;
    corrupt.Write("l11config.bld", "two\r\n");
    missing.Write("l11config.bld", "1\r\n*boot.bin:*x:\r\n*end:\r\n");
    missing.Write("iosubsys.bin", "io");
    std::string missingText = LoadStringResource(IDS_FILE_MISSING);
    missingText.replace(missingText.find("%s"), 2, "boot.bin");
    const std::vector<std::pair<const TempDir*, std::string>> cases = {
        {&noConfig, LoadStringResource(IDS_CONFIG_NOT_FOUND)},
        {&corrupt, LoadStringResource(IDS_CONFIG_CORRUPT)},
        {&missing, missingText},
    };
    for (const auto& [dir, message] : cases) {
        for (const char* command : {"plan", "upgrade"}) {
            std::vector<std::string> args = {command, "--package", dir->Text(), "--json",
                                             "--ledger", (scratch.Path() / "ledger").string()};
            if (std::string(command) == "plan")
                args.resize(4);
            else
                args.push_back("tcp:" + address);
            FlashProcess run;
            EXPECT_EQ(RunFlashProgram(args, run), 3) << run.Err();
            EXPECT_NE(run.Err().find(message), std::string::npos) << run.Err();
            EXPECT_EQ(JsonField(run.Event("refused"), "message"), message) << run.Out();
        }
    }
    ASSERT_TRUE(SettleTcpPrinter(report, address));
    EXPECT_EQ(CountReport(report, "\"event\":\"connect\""), 1);
}

TEST(CommandLine, ThePlanShowsWhatAnUpgradeWouldSend)
{
    TempDir package;
    const std::vector<FirmwareFile> files = WritePackage(package, 100000);
    FlashProcess json;
    ASSERT_EQ(RunFlashProgram({"plan", "--package", package.Text(), "--json"}, json), 0) << json.Err();
    const std::string plan = json.Event("plan");
    // Each file in sending order, with its size and digest; then the bytes
    // on the wire: each DT header, the data, and SR.
    uint64_t data = 0, wire = 5;
    size_t at = 0;
    for (const FirmwareFile& f : files) {
        const std::string entry = "{\"name\":\"" + f.name + "\",\"size\":" + std::to_string(f.bytes.size()) +
                                  ",\"sha256\":\"" + Sha256Hex(f.bytes) + "\"}";
        const size_t found = plan.find(entry);
        ASSERT_NE(found, std::string::npos) << entry << "\n" << plan;
        EXPECT_GT(found, at) << f.name << " out of order";
        at = found;
        data += f.bytes.size();
        wire += f.bytes.size() + ("\x01" "DT" + std::to_string(f.bytes.size()) + ",R:" + f.name + "\r\n").size();
    }
    EXPECT_EQ(JsonField(plan, "data_bytes"), std::to_string(data));
    EXPECT_EQ(JsonField(plan, "wire_bytes"), std::to_string(wire));
    // Ten bits a byte on the line.
    char seconds[32];
    std::snprintf(seconds, sizeof seconds, "%.1f", static_cast<double>(wire) * 10 / 38400);
    EXPECT_EQ(JsonField(plan, "38400_baud"), seconds);

    FlashProcess text;
    ASSERT_EQ(RunFlashProgram({"plan", "--package", package.Text()}, text), 0) << text.Err();
    for (const FirmwareFile& f : files)
        EXPECT_NE(text.Out().find(Sha256Hex(f.bytes)), std::string::npos) << text.Out();
    EXPECT_NE(text.Out().find(std::to_string(wire) + " bytes on the wire with the DT headers and SR"), std::string::npos) << text.Out();
}

TEST(CommandLine, EachPrinterWritesATraceOfItsOwn)
{
    // Two devices whose names differ only where a file name cannot keep
    // them apart; neither exists, so each printer ends unreachable at once.
    TempDir package, scratch;
    WritePackage(package, 1000);
    const std::string folder = (scratch.Path() / "trace").string();
    FlashProcess run;
    EXPECT_EQ(RunFlashProgram({"upgrade", "parallel:/nonexistent/lp a", "parallel:/nonexistent/lp_a", "--package",
                               package.Text(), "--ledger", (scratch.Path() / "ledger").string(), "--trace", folder},
                              run),
              4)
        << run.Out() << run.Err();
    std::set<std::string> firstLines;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        std::ifstream in(entry.path());
        std::string line;
        std::getline(in, line);
        // After the seconds since the trace began.
        firstLines.insert(line.substr(std::min(line.size(), line.find("trace of"))));
    }
    EXPECT_EQ(firstLines, (std::set<std::string>{"trace of parallel:/nonexistent/lp a",
                                                 "trace of parallel:/nonexistent/lp_a"}));
}
