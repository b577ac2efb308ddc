#include "flash/flash.h"

#include "flash/command_line.h"
#include "flash/fleet.h"
#include "flash/ledger.h"
#include "flash/package.h"
#include "flash/report.h"
#include "flash/system.h"
#include "flash/target.h"
#include "flash/trace.h"
#include "link/socket_port.h"
#include "link/stop_request.h"
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

// A held package takes at most a quarter of the computer's memory.
constexpr uint64_t kHeldShareDivisor = 4;

// The package, read as page 4 reads it and held to the digest the user
// pinned: every site of a rollout sends the package that was approved, not
// whatever copy it holds. false with the refusal.
bool LoadPinnedPackage(const FlashOptions& options, Package& package, std::string& refusal)
{
    const bool sends = options.action == FlashAction::Upgrade && !options.dryRun;
    // Held only where it fits many times over: the system may promise
    // memory it cannot give, and would end the program for taking it.
    const uint64_t holdUpTo = std::min(options.holdPackageUpTo, PhysicalMemoryBytes() / kHeldShareDivisor);
    if (!LoadPackage(options.package, package, refusal, sends ? holdUpTo : 0))
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
        return ReportRefusal(refusal, options.json);
    ReportPlan(package, options.json);
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
        return ReportUsageError(error);

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
        return ReportUsageError(error);
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
            return ReportRefusal(error, options.json);
        settings.package = &package;
        MakeFolder(FolderOf(ledgerPath));
        // A ledger that cannot be read would let every printer be upgraded
        // again; one that cannot be written would forget this run.
        if (ledger.Load(ledgerPath, warnings) == LedgerRead::Unreadable && !options.force)
            return ReportUsageError("the ledger " + ledgerPath + " cannot be read, so no printer would be skipped; " +
                         "mend it or give --force to send to every printer");
        if (!settings.dryRun && !ledger.Writable())
            return ReportUsageError("the ledger " + ledgerPath + " cannot be written, so a rerun would not know this run; " +
                         "give --ledger FILE in a folder you can write");
        settings.ledger = &ledger;
        if (!options.traceFolder.empty()) {
            std::error_code ignored;
            if (std::filesystem::exists(options.traceFolder, ignored) &&
                !std::filesystem::is_directory(options.traceFolder, ignored))
                return ReportUsageError("--trace names " + options.traceFolder + ", which is not a folder");
            if (!MakeFolder(options.traceFolder))
                return ReportUsageError("cannot make the trace folder " + options.traceFolder);
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
        return ReportUsageError(error);
    switch (options.action) {
    case FlashAction::Help: std::fputs(FlashHelp().c_str(), stdout); return kExitAllDone;
    case FlashAction::Version: std::printf("orvi-flash %s\n", ORVI_VERSION); return kExitAllDone;
    case FlashAction::Plan: return Plan(options);
    case FlashAction::Status:
    case FlashAction::Upgrade: return Run(options);
    }
    return kExitUsage;
}
