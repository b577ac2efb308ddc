#include "flash/command_line.h"

#include "link/baud_rates.h"
#include "upgrade/number_text.h"

#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>

namespace {

const char* const kHelpText =
    "Usage:\n"
    "  orvi-flash plan    [--package DIR] [--expect-digest SHA256] [--json]\n"
    "  orvi-flash status  TARGET... [--targets FILE] [--jobs N] [--json] [--reach-only] [--timeout SECONDS]\n"
    "  orvi-flash upgrade TARGET... [--targets FILE] [--package DIR] [--expect-digest SHA256]\n"
    "                     [--jobs N] [--json] [--trace DIR] [--ledger FILE] [--force] [--dry-run]\n"
    "                     [--timeout SECONDS] [--package-memory MIB]\n"
    "  orvi-flash --help | --version\n"
    "\n"
    "Upgrades the operating firmware of Orvi label printers, as the orvi-upgrade\n"
    "wizard does, for one printer or many at once.\n"
    "\n"
    "  plan     shows what upgrade would send (files, sizes, SHA-256, time at each\n"
    "           line rate) and sends nothing\n"
    "  status   asks each printer whether it is ready (then tells it to leave its\n"
    "           upgrade state); --reach-only opens and closes each connection and\n"
    "           sends nothing\n"
    "  upgrade  prepares each printer, sends the firmware to the ready ones, and\n"
    "           tells the others to leave their upgrade state; --dry-run only opens\n"
    "           and closes the connection of each printer the ledger does not skip,\n"
    "           sends nothing and records nothing\n"
    "\n"
    "TARGET:\n"
    "  tcp:HOST[:PORT]                    the printer's network interface (port 2864)\n"
    "  serial:DEVICE[@BAUD]               COM7, /dev/ttyUSB0; @BAUD_RATES@\n"
    "  parallel:DEVICE                    LPT1, /dev/usb/lp0\n"
    "  dual:SERIAL[@BAUD]+PARALLEL        the status on the serial line, all else on the parallel one\n"
    "  queue:NAME                         one raw print job through a printer queue\n"
    "\n"
    "Options:\n"
    "  --targets FILE    one target a line, optionally followed by a name; # comments\n"
    "  --package DIR     the folder with l11config.bld and the firmware (default: .)\n"
    "  --expect-digest SHA256\n"
    "                    refuse the package unless its digest (as plan shows it)\n"
    "                    is this one\n"
    "  --jobs N          printers at once (default: all of them, up to 64; fewer if\n"
    "                    this process may not open enough files for them)\n"
    "  --json            JSON lines on standard output\n"
    "  --trace DIR       one file per printer with every byte exchanged\n"
    "  --ledger FILE     where finished printers are recorded (default: the user's\n"
    "                    state folder); upgrade skips a printer the ledger shows\n"
    "                    upgraded with this package\n"
    "  --force           send to such printers anyway\n"
    "  --timeout SECONDS how long a printer may keep the link waiting (default 10;\n"
    "                    at least 0.001)\n"
    "  --package-memory MIB\n"
    "                    hold a package of at most MIB (default @HELD_MIB@; 0 to\n"
    "                    @MOST_HELD_MIB@, and no more than a quarter of this computer's\n"
    "                    memory) in memory, read and hashed once, and send every\n"
    "                    printer those bytes; a larger one each printer reads again\n"
    "                    and checks as sent\n"
    "\n"
    "A printer is upgraded only once its side has confirmed every byte: over TCP\n"
    "its stack acknowledged them all (Linux; Windows 10 version 1703 and later),\n"
    "over a serial line the output queue emptied, to a USB printer the last\n"
    "transfer completed. Where nothing can tell (a printer queue; TCP on older\n"
    "Windows and under Wine) it is sent-unconfirmed, and a rerun sends it again.\n"
    "\n"
    "Exit status:\n"
    "  0  every printer upgraded (or skipped; status: ready, or reached)\n"
    "  2  usage error\n"
    "  3  package refused: nothing was sent anywhere\n"
    "  4  some printer not-ready, unreachable or failed-before-firmware, none worse\n"
    "  5  some printer failed-during-transfer or interrupted\n"
    "  6  only sent-unconfirmed besides successes\n"
    "  7  as 0 or 6, but a printer's line could not be written to the ledger\n";

} // namespace

std::string FlashHelp()
{
    // The rates from the printer's one table, the default marked.
    std::string rates;
    for (size_t i = 0; i < std::size(kPrinterBaudRates); ++i)
        rates += (i ? ", " : "") + std::to_string(kPrinterBaudRates[i]) +
                 (static_cast<int32_t>(i) == kDefaultBaudIndex ? " (default)" : "");
    std::string help = kHelpText;
    auto put = [&help](const std::string& mark, const std::string& text) {
        help.replace(help.find(mark), mark.size(), text);
    };
    put("@BAUD_RATES@", rates);
    put("@HELD_MIB@", std::to_string(kDefaultHeldPackageMiB));
    put("@MOST_HELD_MIB@", std::to_string(kMostHeldPackageMiB));
    return help;
}

namespace {

bool PositiveInt(const char* text, int& value)
{
    char* end = nullptr;
    const long n = std::strtol(text, &end, 10);
    if (end == text || *end != '\0' || n < 1 || n > kMostJobs)
        return false;
    value = static_cast<int>(n);
    return true;
}

// A whole number of MiB, 0 to kMostHeldPackageMiB, as bytes.
bool MebiBytes(const char* text, uint64_t& bytes)
{
    char* end = nullptr;
    const unsigned long long n = std::strtoull(text, &end, 10);
    if (end == text || *end != '\0' || *text < '0' || *text > '9' || n > kMostHeldPackageMiB)
        return false;
    bytes = static_cast<uint64_t>(n) << 20;
    return true;
}

// 64 hexadecimal digits, in either case; value gets them in lower case.
bool Digest(const std::string& text, std::string& value)
{
    if (text.size() != 64)
        return false;
    value.clear();
    for (char c : text) {
        if (HexDigit(c) < 0)
            return false;
        value += "0123456789abcdef"[HexDigit(c)];
    }
    return true;
}

// At least a millisecond: the link keeps whole milliseconds, and a limit of
// none would be no limit at all. Read the same in every locale.
bool Seconds(const char* text, double& value)
{
    const std::optional<double> s = ParseDecimal(text);
    if (!s || !(*s >= 0.001) || *s > 3600)
        return false;
    value = *s;
    return true;
}

} // namespace

bool ParseCommandLine(int argc, const char* const* argv, FlashOptions& options, std::string& error)
{
    options = FlashOptions{};
    if (argc < 2) {
        error = "no command given";
        return false;
    }
    const std::string command = argv[1];
    if (command == "--help" || command == "-h" || command == "help") {
        options.action = FlashAction::Help;
        return true;
    }
    if (command == "--version") {
        options.action = FlashAction::Version;
        return true;
    }
    if (command == "plan")
        options.action = FlashAction::Plan;
    else if (command == "status")
        options.action = FlashAction::Status;
    else if (command == "upgrade")
        options.action = FlashAction::Upgrade;
    else {
        error = "unknown command \"" + command + "\"";
        return false;
    }
    const bool plan = options.action == FlashAction::Plan;
    const bool upgrade = options.action == FlashAction::Upgrade;
    for (int i = 2; i < argc; ++i) {
        const std::string arg = argv[i];
        // An option that takes a value, where this command knows it.
        auto value = [&](bool known, std::string& into) {
            if (!known) {
                error = "\"" + arg + "\" is not an option of " + command;
                return false;
            }
            if (i + 1 >= argc) {
                error = arg + " needs a value";
                return false;
            }
            into = argv[++i];
            return true;
        };
        std::string text;
        if (arg == "--json") {
            options.json = true;
        } else if (arg == "--package") {
            if (!value(plan || upgrade, options.package))
                return false;
        } else if (arg == "--expect-digest") {
            if (!value(plan || upgrade, text))
                return false;
            if (!Digest(text, options.expectDigest)) {
                error = "--expect-digest takes a SHA-256 digest: 64 hexadecimal digits";
                return false;
            }
        } else if (arg == "--targets") {
            if (!value(!plan, options.targetsFile))
                return false;
        } else if (arg == "--jobs") {
            if (!value(!plan, text))
                return false;
            if (!PositiveInt(text.c_str(), options.jobs)) {
                error = "--jobs takes a number from 1 to " + std::to_string(kMostJobs);
                return false;
            }
        } else if (arg == "--timeout") {
            if (!value(!plan, text))
                return false;
            if (!Seconds(text.c_str(), options.timeoutSeconds)) {
                error = "--timeout takes seconds, from 0.001 to 3600, written with a point";
                return false;
            }
        } else if (arg == "--package-memory") {
            if (!value(upgrade, text))
                return false;
            if (!MebiBytes(text.c_str(), options.holdPackageUpTo)) {
                error = "--package-memory takes a whole number of MiB, from 0 to " +
                        std::to_string(kMostHeldPackageMiB);
                return false;
            }
        } else if (arg == "--trace") {
            if (!value(upgrade, options.traceFolder))
                return false;
        } else if (arg == "--ledger") {
            if (!value(upgrade, options.ledger))
                return false;
        } else if (arg == "--force" && upgrade) {
            options.force = true;
        } else if (arg == "--reach-only" && options.action == FlashAction::Status) {
            options.reachOnly = true;
        } else if (arg == "--dry-run" && upgrade) {
            options.dryRun = true;
        } else if (arg.rfind("-", 0) == 0) {
            error = "\"" + arg + "\" is not an option of " + command;
            return false;
        } else if (plan) {
            error = "plan takes no target";
            return false;
        } else {
            options.targets.push_back(arg);
        }
    }
    if (!plan && options.targets.empty() && options.targetsFile.empty()) {
        error = command + " needs at least one target";
        return false;
    }
    return true;
}
