#include "bench/fleet_run.h"

#include "bench/child_process.h"
#include "bench/fleet_addresses.h"

#include <cstdio>
#include <fstream>
#include <vector>

namespace {

// The field after `key` in a JSON line: a number, a string or an object,
// as the text it is.
std::string FieldText(const std::string& line, const std::string& key)
{
    size_t at = line.find("\"" + key + "\":");
    if (at == std::string::npos)
        return std::string();
    at = line.find_first_not_of(' ', at + key.size() + 3);
    if (at == std::string::npos)
        return std::string();
    const char open = line[at];
    const char close = open == '{' ? '}' : open == '"' ? '"' : ',';
    const size_t end = line.find(close, at + 1);
    if (end == std::string::npos)
        return line.substr(at);
    return line.substr(at, end - at + (close == ',' ? 0 : 1));
}

void ReadFlashOutput(const std::string& path, FleetRun& run)
{
    std::ifstream in(path);
    std::string line;
    while (std::getline(in, line)) {
        if (line.find("\"event\":\"summary\"") != std::string::npos)
            run.flashOutcomes = FieldText(line, "outcomes");
        else if (run.flashFirstFailure.empty() && line.find("\"event\":\"outcome\"") != std::string::npos &&
                 FieldText(line, "outcome") != "\"upgraded\"")
            run.flashFirstFailure = FieldText(line, "outcome") + " " + FieldText(line, "message");
    }
}

std::vector<std::string> SenderCommand(const FleetSetup& setup, Sender sender, int printers,
                                       const std::string& ledger)
{
    std::vector<std::string> argv;
    std::string prefix;
    switch (sender) {
    case Sender::OrviFlash:
        argv = {setup.flashProgram, "upgrade", "--package", setup.packageDirectory, "--jobs",
                std::to_string(printers), "--ledger", ledger, "--json"};
        prefix = "tcp:";
        break;
    case Sender::PlainC:
        argv = {ORVI_PLAIN_SENDER, setup.streamFile};
        break;
    case Sender::Shell:
        argv = {"/bin/bash", "-c", "stream=$1; shift; for a; do cat \"$stream\" >/dev/tcp/$a/2864 & done; wait",
                "bash", setup.streamFile};
        break;
    }
    for (int i = 0; i < printers; ++i)
        argv.push_back(prefix + FleetAddress(i));
    return argv;
}

} // namespace

const char* SenderKey(Sender sender)
{
    switch (sender) {
    case Sender::OrviFlash: return "flash";
    case Sender::PlainC: return "plain_c";
    case Sender::Shell: return "shell";
    }
    return "";
}

bool WriteFleetPackage(uint64_t firmwareBytes, FleetSetup& setup, FirmwareSet& set)
{
    setup.streamFile = setup.scratch + "stream.bin";
    if (!WriteFirmwareSet(setup.packageDirectory, firmwareBytes, false, set) ||
        !WriteWireStream(setup.packageDirectory, set, setup.streamFile, setup.streamSha256)) {
        std::fprintf(stderr, "cannot write the package into %s\n", setup.packageDirectory.c_str());
        return false;
    }
    setup.streamBytes = set.wireBytes;
    return true;
}

FleetRun RunFleet(const FleetSetup& setup, Sender sender, int printers, uint64_t flashDescriptorLimit)
{
    FleetRun run;
    static int serial = 0;
    const std::string tag = std::to_string(++serial);
    // Three times what the printers need, and a minute besides; unpaced,
    // as if they read 20 MB a second.
    const uint64_t rate = setup.printerRate ? setup.printerRate : 20'000'000;
    const int64_t allowedS = static_cast<int64_t>(3 * setup.streamBytes / rate) + 60;
    const int64_t deadlineNs = MonotonicNowNs() + allowedS * 1'000'000'000;

    ChildProcess printer;
    ChildOptions printerOptions;
    printerOptions.output = ChildOutput::Pipe;
    std::string line;
    if (!printer.Start({ORVI_FLEET_PRINTER, "--printers", std::to_string(printers), "--rate",
                        std::to_string(setup.printerRate), "--receive-buffer", std::to_string(setup.receiveBuffer),
                        "--expect", setup.streamSha256, "--seconds", std::to_string(allowedS)},
                       printerOptions) ||
        !printer.ReadLine(line, MonotonicNowNs() + 30'000'000'000) || line != "listening") {
        std::fprintf(stderr, "the fleet printer did not start listening\n");
        return run;
    }

    ChildOptions senderOptions;
    senderOptions.output = sender == Sender::OrviFlash ? ChildOutput::File : ChildOutput::Discarded;
    senderOptions.outputFile = setup.scratch + "flash-" + tag + ".jsonl";
    senderOptions.softDescriptorLimit = sender == Sender::OrviFlash ? flashDescriptorLimit : 0;
    ChildProcess sending;
    const int64_t startNs = MonotonicNowNs();
    if (!sending.Start(SenderCommand(setup, sender, printers, setup.scratch + "ledger-" + tag), senderOptions)) {
        std::fprintf(stderr, "%s did not start\n", SenderKey(sender));
        return run;
    }
    const ChildEnd sent = sending.Wait(deadlineNs);
    run.senderExitCode = sent.exitCode;
    run.senderCpuSeconds = sent.cpuSeconds;
    run.senderPeakRssKib = sent.peakRssKib;
    if (sender == Sender::OrviFlash)
        ReadFlashOutput(senderOptions.outputFile, run);

    // The printer ends once every transfer has ended. Once the sender is
    // gone, what it left queued (a send buffer and a receive buffer) is read
    // within seconds; a printer still waiting then waits for transfers that
    // will never come, and is stopped.
    const int64_t drainedNs = MonotonicNowNs() + 10'000'000'000 +
                              static_cast<int64_t>(2 * (65536 + 32768) * 1'000'000'000ull / rate);
    std::string summary;
    if (!printer.ReadLine(summary, drainedNs < deadlineNs ? drainedNs : deadlineNs)) {
        printer.Stop();
        printer.ReadLine(summary, MonotonicNowNs() + 10'000'000'000);
    }
    const ChildEnd served = printer.Wait(MonotonicNowNs() + 10'000'000'000);
    run.printerCpuSeconds = served.cpuSeconds;
    int transfers = 0;
    long long lastEndNs = 0;
    if (std::sscanf(summary.c_str(), "{\"transfers\": %d, \"exact\": %d, \"last_end_ns\": %lld}", &transfers,
                    &run.exactStreams, &lastEndNs) != 3)
        return run;
    run.seconds = static_cast<double>(lastEndNs - startNs) / 1e9;
    run.everyStreamExact = sent.exited && sent.exitCode == 0 && transfers == printers &&
                           run.exactStreams == printers;
    return run;
}
