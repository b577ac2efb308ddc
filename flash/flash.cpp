#include "flash/flash.h"

#include "flash/command_line.h"
#include "flash/fleet.h"
#include "flash/human_text.h"
#include "flash/ledger.h"
#include "flash/package.h"
#include "flash/report.h"
#include "flash/system.h"
#include "flash/target.h"
#include "flash/trace.h"
#include "link/baud_rates.h"
#include "link/socket_port.h"
#include "link/stop_request.h"
#include "upgrade/json_line.h"
#include "upgrade/keep_awake.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#ifndef ORVI_VERSION
#error ORVI_VERSION comes from the build
#endif

namespace {

const double kPlanNetworks[] = {10e6, 100e6};

int Usage(const std::string& error)
{
    std::fprintf(stderr, "orvi-flash: %s\nTry \"orvi-flash --help\".\n", EscapeControlBytes(error).c_str());
    return kExitUsage;
}

int Refused(const std::string& refusal, bool json)
{
    if (json) {
        JsonLine line("refused");
        line.Add("message", refusal).Add("exit_status", kExitPackageRefused);
        std::fputs(line.Text().c_str(), stdout);
    }
    std::fprintf(stderr, "orvi-flash: the package is refused: %s\n", EscapeControlBytes(refusal).c_str());
    return kExitPackageRefused;
}

std::string Duration(double seconds)
{
    char text[32];
    const long s = static_cast<long>(seconds + 0.5);
    if (s >= 3600)
        std::snprintf(text, sizeof text, "%ld h %02ld min", s / 3600, s / 60 % 60);
    else if (s >= 60)
        std::snprintf(text, sizeof text, "%ld min %02ld s", s / 60, s % 60);
    else if (seconds >= 1)
        std::snprintf(text, sizeof text, "%.1f s", seconds);
    else
        std::snprintf(text, sizeof text, "%.0f ms", seconds * 1000);
    return text;
}

// The package, read as page 4 reads it and held to the digest the user
// pinned: every site of a rollout sends the package that was approved, not
// whatever copy it holds. false with the refusal.
bool LoadPinnedPackage(const FlashOptions& options, Package& package, std::string& refusal)
{
    if (!LoadPackage(options.package, package, refusal))
        return false;
    if (options.expectDigest.empty() || package.digest == options.expectDigest)
        return true;
    refusal = "its digest is " + package.digest + ", not the expected " + options.expectDigest;
    return false;
}

int Plan(const FlashOptions& options)
{
    Package package;
    std::string refusal;
    if (!LoadPinnedPackage(options, package, refusal))
        return Refused(refusal, options.json);
    if (options.json) {
        std::vector<JsonLine> files;
        for (const PackageFile& f : package.files) {
            files.emplace_back();
            files.back().Add("name", f.name).Add("size", static_cast<uint64_t>(f.size)).Add("sha256", f.sha256);
        }
        JsonLine seconds;
        for (uint32_t baud : kPrinterBaudRates)
            seconds.Add((std::to_string(baud) + "_baud").c_str(), SecondsAtBaud(package.wireBytes, baud), 1);
        seconds.Add("10_mbit", SecondsAtBitsPerSecond(package.wireBytes, kPlanNetworks[0]), 3);
        seconds.Add("100_mbit", SecondsAtBitsPerSecond(package.wireBytes, kPlanNetworks[1]), 3);
        JsonLine line("plan");
        line.Add("package", package.directory)
            .Add("digest", package.digest)
            .Add("files", files)
            .Add("data_bytes", package.dataBytes)
            .Add("wire_bytes", package.wireBytes)
            .Add("seconds", seconds);
        std::fputs(line.Text().c_str(), stdout);
        return kExitAllDone;
    }
    std::printf("Package %s (digest %s)\n\n", EscapeControlBytes(package.directory).c_str(), package.digest.c_str());
    int n = 0;
    for (const PackageFile& f : package.files)
        std::printf("%3d  %-24s %12d bytes  %s\n", ++n, EscapeControlBytes(f.name).c_str(), f.size, f.sha256.c_str());
    std::printf("\n%d files, %llu bytes of firmware, %llu bytes on the wire with the DT headers and SR\n\n", n,
                static_cast<unsigned long long>(package.dataBytes),
                static_cast<unsigned long long>(package.wireBytes));
    for (uint32_t baud : kPrinterBaudRates)
        std::printf("  %6u baud        %s\n", baud, Duration(SecondsAtBaud(package.wireBytes, baud)).c_str());
    for (double bits : kPlanNetworks)
        std::printf("  %6.0f Mbit/s      %s\n", bits / 1e6,
                    Duration(SecondsAtBitsPerSecond(package.wireBytes, bits)).c_str());
    return kExitAllDone;
}

bool ReadTargets(const FlashOptions& options, std::vector<Target>& targets, std::string& error)
{
    for (const std::string& text : options.targets) {
        Target t;
        if (!ParseTarget(text, t, error))
            return false;
        targets.push_back(t);
    }
    if (!options.targetsFile.empty() && !ReadTargetsFile(options.targetsFile, targets, error))
        return false;
    if (targets.empty()) {
        error = options.targetsFile + " names no target";
        return false;
    }
    return true;
}

// The link's limits, with the user's in place of the waits a printer can
// keep the link in.
LinkLimits Limits(double timeoutSeconds)
{
    return timeoutSeconds > 0 ? UniformLimits(static_cast<uint32_t>(timeoutSeconds * 1000)) : kProgramLimits;
}

// What one printer's run holds open at most (its connection's two handles,
// a firmware file, its trace, its lock, a ledger append), and what the
// program keeps besides.
constexpr uint64_t kFilesPerPrinter = 6;
constexpr uint64_t kFilesOfTheProgram = 64;

// As many printers at once as there are, up to the files the process may
// open; by default at most kDefaultJobs.
size_t JobsThatFit(const FlashOptions& options, size_t targets, uint64_t openFiles, std::string& warning)
{
    const uint64_t fit =
        openFiles > kFilesOfTheProgram + kFilesPerPrinter ? (openFiles - kFilesOfTheProgram) / kFilesPerPrinter : 1;
    uint64_t jobs = options.jobs > 0 ? static_cast<uint64_t>(options.jobs) : kDefaultJobs;
    jobs = std::min<uint64_t>(jobs, targets);
    if (jobs > fit) {
        warning = "--jobs " + std::to_string(jobs) + " would need more open files than this process may have (" +
                  std::to_string(openFiles) + "); " + std::to_string(fit) + " printers run at a time";
        jobs = fit;
    }
    return static_cast<size_t>(std::max<uint64_t>(jobs, 1));
}

std::string FolderOf(const std::string& path)
{
    const size_t end = path.find_last_of("/\\");
    return end == std::string::npos ? "." : path.substr(0, end == 0 ? 1 : end);
}

int Run(const FlashOptions& options)
{
    std::vector<Target> targets;
    std::string error;
    if (!ReadTargets(options, targets, error))
        return Usage(error);

    RunSettings settings;
    settings.command = options.action == FlashAction::Upgrade ? Command::Upgrade
                       : options.reachOnly                    ? Command::ReachOnly
                                                              : Command::Status;
    settings.limits = Limits(options.timeoutSeconds);
    settings.force = options.force;
    settings.dryRun = options.dryRun;

    // Names are looked up once, here, and each printer is known by what it
    // is: two spellings of one printer are refused as one.
    StartSocketLayer();
    IdentifyTargets(targets, settings.limits.tcpConnectMs);
    if (!RefuseDuplicates(targets, error))
        return Usage(error);
    std::vector<std::string> warnings;
    const size_t jobs = JobsThatFit(options, targets.size(), RaiseOpenFileLimit(), error);
    if (!error.empty())
        warnings.push_back(error);

    const std::string ledgerPath = options.ledger.empty() ? DefaultLedgerPath() : options.ledger;
    settings.lockFolder = FolderOf(ledgerPath) + "/locks";
    Package package;
    Ledger ledger;
    if (settings.command == Command::Upgrade) {
        if (!LoadPinnedPackage(options, package, error))
            return Refused(error, options.json);
        settings.package = &package;
        MakeFolder(FolderOf(ledgerPath));
        // A ledger that cannot be read would let every printer be upgraded
        // again; one that cannot be written would forget this run.
        if (ledger.Load(ledgerPath, warnings) == LedgerRead::Unreadable && !options.force)
            return Usage("the ledger " + ledgerPath + " cannot be read, so no printer would be skipped; " +
                         "mend it or give --force to send to every printer");
        if (!settings.dryRun && !ledger.Writable())
            return Usage("the ledger " + ledgerPath + " cannot be written, so a rerun would not know this run; " +
                         "give --ledger FILE in a folder you can write");
        settings.ledger = &ledger;
        if (!options.traceFolder.empty()) {
            std::error_code ignored;
            if (std::filesystem::exists(options.traceFolder, ignored) &&
                !std::filesystem::is_directory(options.traceFolder, ignored))
                return Usage("--trace names " + options.traceFolder + ", which is not a folder");
            if (!MakeFolder(options.traceFolder))
                return Usage("cannot make the trace folder " + options.traceFolder);
            settings.traceFolder = options.traceFolder;
            std::vector<std::string> identities;
            for (const Target& t : targets)
                identities.push_back(t.identity);
            const std::vector<std::string> names = TraceFileNames(identities);
            for (size_t i = 0; i < targets.size(); ++i)
                targets[i].traceFile = names[i];
        }
    }

    SetStopCheck(InterruptRequested);
    CatchInterrupts();
    const ReportStyle style = options.json          ? ReportStyle::Json
                              : OutputIsTerminal() ? ReportStyle::Terminal
                                                   : ReportStyle::Lines;
    std::unique_ptr<Reporter> reporter = MakeReporter(style, targets, settings.command, stdout, stderr);
    for (const std::string& w : warnings)
        reporter->Warning(Reporter::kWholeRun, w);
    std::vector<PrinterResult> results;
    {
        // The computer stays awake while any printer is in an exchange.
        CKeepAwake awake;
        results = RunFleet(targets, settings, jobs, *reporter);
    }
    std::vector<Outcome> outcomes;
    for (const PrinterResult& r : results)
        outcomes.push_back(r.outcome);
    const int status = ExitStatusFor(outcomes, settings.ledger && ledger.WriteFailed());
    reporter->Summary(results, status);
    RunFinished();
    // Output nobody reads holds only its own thread: a stop asked for while
    // it waits ends the program without it.
    if (!reporter->Drain())
        std::_Exit(status);
    return status;
}

} // namespace

int RunFlash(int argc, const char* const* argv)
{
    FlashOptions options;
    std::string error;
    if (!ParseCommandLine(argc, argv, options, error))
        return Usage(error);
    switch (options.action) {
    case FlashAction::Help: std::fputs(FlashHelp().c_str(), stdout); return kExitAllDone;
    case FlashAction::Version: std::printf("orvi-flash %s\n", ORVI_VERSION); return kExitAllDone;
    case FlashAction::Plan: return Plan(options);
    case FlashAction::Status:
    case FlashAction::Upgrade: return Run(options);
    }
    return kExitUsage;
}
