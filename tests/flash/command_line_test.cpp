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
#include <sys/resource.h>
#include <sys/stat.h>

TEST(CommandLine, BadInputIsAUsageErrorThatSaysWhatIsWrong)
{
    TempDir scratch;
    const std::string badFile = scratch.Write("targets", "tcp:10.1.1.1  front desk\n\n  # spare\nserial:\n").string();
    const std::string utf16 = scratch.Write("utf16", std::string("\xff\xfet\0c\0p\0", 8)).string();
    const std::string unquoted = scratch.Write("unquoted", "queue:\"Shipping L11\n").string();
    std::filesystem::create_symlink("/dev/null", scratch.Path() / "null");
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
        {{}, "no command given"},
        {{"frobnicate"}, "unknown command \"frobnicate\""},
        {{"upgrade"}, "needs at least one target"},
        {{"status", "10.1.1.1"}, "it has no kind"},
        {{"status", "usb:lp0"}, "unknown kind \"usb\""},
        {{"status", "tcp:10.1.1.1:99999"}, "the port is not a number"},
        {{"status", "tcp:10.1.1.1:2864:99"}, "not a name or an IPv4 address"},
        // Never octal, hexadecimal or short: other programs would reach 127.0.0.8, 8.16.0.25, 127.0.0.1.
        {{"status", "tcp:127.0.0.010"}, "without leading zeros"},
        {{"status", "tcp:010.020.000.031"}, "without leading zeros"},
        {{"status", "tcp:0x7f.1"}, "without leading zeros"},
        {{"status", "usb:\x1b]0;owned\x07\x1b[2J"}, "bad target \"usb:\\x1B]0;owned\\x07\\x1B[2J\""},
        {{"status", "serial:/dev/ttyS0@57600"}, "does not take 57600 baud"},
        {{"status", "dual:/dev/ttyS0"}, "SERIAL_DEVICE[@BAUD]+PARALLEL_DEVICE"},
        {{"status", "tcp:10.1.1.1", "tcp:10.1.1.1:2864"}, "is given twice"},
        {{"status", "serial:COM1", "dual:com1@9600+LPT1"}, "are the same printer"},
        {{"status", "tcp:localhost", "tcp:127.0.0.1"}, "are the same printer"},
        {{"status", "serial:/dev/null", "serial:" + scratch.Path().string() + "/null"}, "are the same printer"},
        {{"status", "--targets", (scratch.Path() / "missing").string()}, "cannot read the targets file"},
        {{"status", "--targets", badFile}, "line 4: bad target \"serial:\""},
        {{"status", "--targets", utf16}, "is UTF-16 text"},
        {{"status", "--targets", unquoted}, "line 1: a quote is not closed"},
        {{"plan", "--expect-digest", "c0ffee"}, "--expect-digest takes a SHA-256 digest"},
        {{"plan", "--force"}, "\"--force\" is not an option of plan"},
        {{"plan", "tcp:10.1.1.1"}, "plan takes no target"},
        {{"status", "tcp:10.1.1.1", "--ledger", "x"}, "not an option of status"},
        {{"upgrade", "tcp:10.1.1.1", "--jobs", "0"}, "--jobs takes a number"},
        {{"upgrade", "tcp:10.1.1.1", "--timeout", "soon"}, "--timeout takes seconds"},
        {{"upgrade", "tcp:10.1.1.1", "--timeout", "0.0001"}, "--timeout takes seconds"},
        {{"upgrade", "tcp:10.1.1.1", "--package-memory", "-1"}, "--package-memory takes a whole number"},
        {{"upgrade", "tcp:10.1.1.1", "--package-memory", "4097"}, "--package-memory takes a whole number"},
        {{"upgrade", "tcp:10.1.1.1", "--package"}, "--package needs a value"},
    };
    for (const auto& [args, message] : cases) {
        FlashProcess run;
        EXPECT_EQ(RunFlashProgram(args, run), 2) << testing::PrintToString(args);
        EXPECT_NE(run.Err().find(message), std::string::npos) << run.Err();
        EXPECT_EQ(run.Out(), "") << testing::PrintToString(args);
        // Escape bytes reach the terminal escaped, never as they stand.
        EXPECT_EQ(run.Err().find('\x1b'), std::string::npos) << run.Err();
    }
}

TEST(CommandLine, APackageTheWizardWouldRefuseIsRefusedBeforeAnythingIsSent)
{
    TempDir scratch;
    const std::string address = LoopbackAddress(1);
    const std::string report = (scratch.Path() / "report").string();
    SimProcess printer;
    ASSERT_TRUE(printer.Start({"--tcp", address + ":2864", "--report", report}));

    struct Refused {
        std::unique_ptr<TempDir> dir = std::make_unique<TempDir>();
        std::string message;
        std::vector<std::string> args;
    };
    std::vector<Refused> cases;
    // A package listing one name, and the message its refusal gives.
    auto listing = [&](const std::string& name, int messageId) -> const TempDir& {
        cases.emplace_back();
        cases.back().dir->Write("iosubsys.bin", "io");
        cases.back().dir->Write("l11config.bld", "1\r\n*" + name + ":*x:\r\n*end:\r\n");
        cases.back().message = LoadStringResource(messageId);
        const size_t at = cases.back().message.find("%s");
        if (at != std::string::npos)
            cases.back().message.replace(at, 2, name);
        return *cases.back().dir;
    };
    std::filesystem::remove(listing("none", IDS_CONFIG_NOT_FOUND).Path() / "l11config.bld");
    listing("boot.bin", IDS_FILE_MISSING);
    listing("", IDS_CONFIG_CORRUPT).Write("l11config.bld", "two\r\n");
    // What leads out of the folder, or is no file: a file it does not hold.
    listing("..\\..\\..\\..\\..\\..\\..\\..\\etc\\passwd", IDS_FILE_MISSING);
    listing("/etc/passwd", IDS_FILE_MISSING);
    std::filesystem::create_symlink("/etc/passwd", listing("pw.bin", IDS_FILE_MISSING).Path() / "pw.bin");
    std::filesystem::create_directory_symlink("/etc", listing("etc\\passwd", IDS_FILE_MISSING).Path() / "etc");
    std::filesystem::create_symlink("/dev/zero", listing("zero.bin", IDS_FILE_MISSING).Path() / "zero.bin");
    ASSERT_EQ(::mkfifo((listing("fifo.bin", IDS_FILE_MISSING).Path() / "fifo.bin").c_str(), 0600), 0);
    // A name that would change the DT header; a list too large to be one.
    listing("boot.bin\r\n\x01KK", IDS_CONFIG_CORRUPT);
    std::filesystem::resize_file(listing("big", IDS_CONFIG_CORRUPT).Write("l11config.bld", ""), 1ull << 30);
    const std::filesystem::path endless = listing("endless", IDS_CONFIG_NOT_FOUND).Path() / "l11config.bld";
    std::filesystem::remove(endless);
    std::filesystem::create_symlink("/dev/zero", endless);
    // A sound package pinned to another digest.
    cases.emplace_back();
    WritePackage(*cases.back().dir, 1000);
    const std::string other(64, '0');
    cases.back().args = {"--expect-digest", other};
    cases.back().message = "not the expected " + other;

    for (const Refused& c : cases) {
        for (const char* command : {"plan", "upgrade"}) {
            std::vector<std::string> args = {command, "--package", c.dir->Text(), "--json"};
            args.insert(args.end(), c.args.begin(), c.args.end());
            if (std::string(command) == "upgrade")
                args.insert(args.end(), {"--ledger", (scratch.Path() / "ledger").string(), "tcp:" + address});
            FlashProcess run;
            ASSERT_TRUE(run.Start(args));
            // Refused at once: nothing waits on a FIFO or reads on without end.
            EXPECT_EQ(run.Wait(kPromptMs), 3) << c.message << run.Err();
            EXPECT_NE(run.Err().find(c.message), std::string::npos) << run.Err();
            EXPECT_NE(JsonField(run.Event("refused"), "message").find(c.message), std::string::npos) << run.Out();
        }
    }
    // Nor reads a gigabyte into memory: the largest any run held.
    rusage children{};
    ::getrusage(RUSAGE_CHILDREN, &children);
    EXPECT_LT(children.ru_maxrss, 256 * 1024) << "KiB";
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
    std::string digest = JsonField(plan, "digest");
    std::transform(digest.begin(), digest.end(), digest.begin(), ::toupper);
    ASSERT_EQ(RunFlashProgram({"plan", "--package", package.Text(), "--expect-digest", digest}, text), 0)
        << text.Err();
    for (const FirmwareFile& f : files)
        EXPECT_NE(text.Out().find(Sha256Hex(f.bytes)), std::string::npos) << text.Out();
    EXPECT_NE(text.Out().find(std::to_string(wire) + " bytes on the wire with the DT headers and SR"), std::string::npos) << text.Out();
}

TEST(CommandLine, EachPrinterWritesATraceOfItsOwn)
{
    // Two devices whose names differ only where a file name cannot keep
    // them apart; neither exists, so each printer ends unreachable at once.
    // A regular file named as a port is no port: nothing is written to it.
    // The first comes from a targets file with a byte-order mark, quoted,
    // with a name whose escape bytes reach the output escaped.
    TempDir package, scratch;
    WritePackage(package, 1000);
    const std::string notes = scratch.Write("notes.txt", "notes").string();
    const std::string targets =
        scratch.Write("targets", "\xEF\xBB\xBFparallel:\"/nonexistent/lp a\"  \"desk\x1b]0;x\x07 3\" # q\n").string();
    const std::string folder = (scratch.Path() / "trace").string();
    FlashProcess run;
    EXPECT_EQ(RunFlashProgram({"upgrade", "--targets", targets, "parallel:/nonexistent/lp_a",
                               "serial:" + notes, "--package", package.Text(), "--ledger",
                               (scratch.Path() / "ledger").string(), "--trace", folder},
                              run),
              4)
        << run.Out() << run.Err();
    EXPECT_NE(run.Out().find("unreachable  no-such-device  " + std::string(LoadStringResource(IDS_PORT_NOT_OPENED)) +
                             " (the device named is not a serial or parallel port; nothing was written to it)"),
              std::string::npos)
        << run.Out();
    EXPECT_NE(run.Out().find("desk\\x1B]0;x\\x07 3  unreachable"), std::string::npos) << run.Out();
    EXPECT_EQ(run.Out().find('\x1b'), std::string::npos) << run.Out();
    EXPECT_EQ(ReadWholeFile(notes), "notes");
    // Each trace begins with its run's header: the command, the target as
    // given and the printer it is.
    auto headers = [&] {
        std::multiset<std::string> found;
        for (const auto& entry : std::filesystem::directory_iterator(folder)) {
            std::ifstream in(entry.path());
            for (std::string line; std::getline(in, line);)
                if (line.find("upgrade of ") != std::string::npos)
                    found.insert(line.substr(line.find("upgrade of "), line.find(", 20") - line.find("upgrade of ")));
        }
        return found;
    };
    const std::multiset<std::string> once = {"upgrade of parallel:/nonexistent/lp a (device:/nonexistent/lp a)",
                                             "upgrade of parallel:/nonexistent/lp_a (device:/nonexistent/lp_a)",
                                             "upgrade of serial:" + notes + "@19200 (device:" + notes + ")"};
    EXPECT_EQ(headers(), once);

    // A rerun adds its part to each trace; a link at a trace's place is not
    // followed; --trace naming a file is refused.
    std::filesystem::create_symlink(notes, std::filesystem::path(folder) / "device__nonexistent_lp_b.trace");
    FlashProcess again, notAFolder;
    std::vector<std::string> rerun = {"upgrade", "--targets", targets, "parallel:/nonexistent/lp_a",
                                      "parallel:/nonexistent/lp_b", "serial:" + notes, "--package", package.Text(),
                                      "--ledger", (scratch.Path() / "ledger").string(), "--trace", folder};
    EXPECT_EQ(RunFlashProgram(rerun, again), 4) << again.Out() << again.Err();
    std::multiset<std::string> twice = once;
    twice.insert(once.begin(), once.end());
    EXPECT_EQ(headers(), twice);
    EXPECT_NE(again.Err().find("cannot write the trace"), std::string::npos) << again.Err();
    EXPECT_EQ(ReadWholeFile(notes), "notes");
    rerun.back() = notes;
    EXPECT_EQ(RunFlashProgram(rerun, notAFolder), 2);
    EXPECT_NE(notAFolder.Err().find("which is not a folder"), std::string::npos) << notAFolder.Err();
}
