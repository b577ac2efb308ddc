#include "tools/printer-sim/options.h"

#include <cerrno>
#include <cstdlib>

const char kSimUsage[] =
    "usage: orvi-printer-sim [--tcp HOST:PORT] [--pty LINK] [--dual SERIAL_LINK PARALLEL_LINK]\n"
    "                        [--status LIST] [--out DIR] [--report FILE] [--once]\n"
    "                        [--rate BYTES_PER_S] [--drop-after BYTES] [--stall-after BYTES]\n"
    "                        [--answer-delay MS] [--answer-pace MS] [--refuse] [--receive-buffer BYTES]\n";

namespace {

int ParseCount(const std::string& text, uint64_t& value)
{
    if (text.empty() || text[0] < '0' || text[0] > '9')
        return 0;
    char* end = nullptr;
    errno = 0;
    unsigned long long parsed = std::strtoull(text.c_str(), &end, 10);
    if (errno != 0 || *end != '\0')
        return 0;
    value = parsed;
    return 1;
}

class Arguments {
public:
    Arguments(int argc, char** argv) : m_argc(argc), m_argv(argv) {}
    int More() const { return m_next < m_argc; }
    std::string Take() { return m_argv[m_next++]; }
    int TakeValue(const std::string& option, std::string& value, std::string& error)
    {
        if (!More()) {
            error = option + " needs a value";
            return 0;
        }
        value = Take();
        return 1;
    }

private:
    int m_argc;
    char** m_argv;
    int m_next = 1;
};

int ChooseTransport(SimOptions& options, Transport transport, int& chosen, std::string& error)
{
    if (chosen) {
        error = "give only one of --tcp, --pty and --dual";
        return 0;
    }
    chosen = 1;
    options.transport = transport;
    return 1;
}

} // namespace

int ParseSimOptions(int argc, char** argv, SimOptions& options, std::string& error)
{
    options = SimOptions();
    std::string statusList = "0";
    int transportChosen = 0;
    Arguments args(argc, argv);
    while (args.More()) {
        std::string option = args.Take();
        std::string value;
        uint64_t count = 0;
        if (option == "--help" || option == "-h") {
            options.help = 1;
        } else if (option == "--tcp") {
            if (!ChooseTransport(options, Transport::kTcp, transportChosen, error) ||
                !args.TakeValue(option, options.tcpAddress, error))
                return 0;
        } else if (option == "--pty") {
            if (!ChooseTransport(options, Transport::kPty, transportChosen, error) ||
                !args.TakeValue(option, options.ptyLink, error))
                return 0;
        } else if (option == "--dual") {
            if (!ChooseTransport(options, Transport::kDual, transportChosen, error) ||
                !args.TakeValue(option, options.serialLink, error) ||
                !args.TakeValue(option, options.parallelLink, error))
                return 0;
        } else if (option == "--status") {
            if (!args.TakeValue(option, statusList, error))
                return 0;
        } else if (option == "--out") {
            if (!args.TakeValue(option, options.outDir, error))
                return 0;
        } else if (option == "--report") {
            if (!args.TakeValue(option, options.reportFile, error))
                return 0;
        } else if (option == "--once") {
            options.serve.once = 1;
        } else if (option == "--refuse") {
            options.serve.refuse = 1;
        } else if (option == "--rate" || option == "--drop-after" || option == "--stall-after" ||
                   option == "--answer-delay" || option == "--answer-pace" || option == "--receive-buffer") {
            if (!args.TakeValue(option, value, error))
                return 0;
            if (!ParseCount(value, count) || (option == "--rate" && count == 0) ||
                ((option == "--answer-delay" || option == "--answer-pace") && count > 86'400'000) ||
                (option == "--receive-buffer" && (count == 0 || count > (1u << 30)))) {
                error = option + ": \"" + value + "\" is not a usable number";
                return 0;
            }
            if (option == "--rate")
                options.serve.rate = count;
            else if (option == "--drop-after")
                options.serve.limits.dropAfter = count;
            else if (option == "--stall-after")
                options.serve.limits.stallAfter = count;
            else if (option == "--receive-buffer")
                options.receiveBuffer = static_cast<int>(count);
            else if (option == "--answer-pace")
                options.serve.answerPaceMs = static_cast<int64_t>(count);
            else
                options.serve.answerDelayMs = static_cast<int64_t>(count);
        } else {
            error = "unknown argument \"" + option + "\"";
            return 0;
        }
    }
    if (!ParseStatusList(statusList, options.statuses, error)) {
        error = "--status: " + error;
        return 0;
    }
    return 1;
}
