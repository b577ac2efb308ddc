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
#include "link/socket_port.h"
#include "upgrade/json_line.h"
#include "upgrade/keep_awake.h"

#include <cstdio>
#include <string>
#include <vector>

#ifndef ORVI_VERSION
#error ORVI_VERSION comes from the build
#endif

namespace {

const uint32_t kPlanBaudRates[] = {4800, 9600, 19200, 38400};
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
        for (uint32_t baud : kPlanBaudRates)
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
    for (uint32_t baud : kPlanBaudRates)
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
    return RefuseDuplicates(targets, error);
}

// The link's limits, with the user's in place of the waits a printer can
// keep the link in.
LinkLimits Limits(double timeoutSeconds)
{
    LinkLimits limits = kProgramLimits;
    if (timeoutSeconds > 0) {
        const auto ms = static_cast<uint32_t>(timeoutSeconds * 1000);
        limits = LinkLimits{ms, ms, ms, ms, ms};
    }
    return limits;
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

    Package package;
    Ledger ledger;
    if (settings.command == Command::Upgrade) {
        if (!LoadPinnedPackage(options, package, error))
            return Refused(error, options.json);
        settings.package = &package;
        std::vector<std::string> warnings;
        const std::string ledgerPath = options.ledger.empty() ? DefaultLedgerPath() : options.ledger;
        const size_t folderEnd = ledgerPath.find_last_of("/\\");
        if (folderEnd != std::string::npos && folderEnd > 0)
            MakeFolder(ledgerPath.substr(0, folderEnd));
        ledger.Load(ledgerPath, warnings);
        for (const std::string& w : warnings)
            std::fprintf(stderr, "orvi-flash: %s\n", EscapeControlBytes(w).c_str());
        settings.ledger = &ledger;
        if (!options.traceFolder.empty()) {
            if (!MakeFolder(options.traceFolder))
                return Usage("cannot make the trace folder " + options.traceFolder);
            settings.traceFolder = options.traceFolder;
            std::vector<std::string> texts;
            for (const Target& t : targets)
                texts.push_back(t.text);
            const std::vector<std::string> names = TraceFileNames(texts);
            for (size_t i = 0; i < targets.size(); ++i)
                targets[i].traceFile = names[i];
        }
    }

    StartSocketLayer();
    CatchInterrupts();
    const ReportStyle style = options.json          ? ReportStyle::Json
                              : OutputIsTerminal() ? ReportStyle::Terminal
                                                   : ReportStyle::Lines;
    std::unique_ptr<Reporter> reporter = MakeReporter(style, targets, settings.command, stdout);
    std::vector<PrinterResult> results;
    {
        // The computer stays awake while any printer is in an exchange.
        CKeepAwake awake;
        results = RunFleet(targets, settings, options.jobs, *reporter);
    }
    if (settings.ledger && ledger.WriteFailed())
        std::fprintf(stderr, "orvi-flash: the ledger %s could not be written: a rerun will not know these printers\n",
                     EscapeControlBytes(ledger.Path()).c_str());
    std::vector<Outcome> outcomes;
    for (const PrinterResult& r : results)
        outcomes.push_back(r.outcome);
    const int status = ExitStatusFor(outcomes);
    reporter->Summary(results, status);
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
    case FlashAction::Help: std::fputs(kFlashHelp, stdout); return kExitAllDone;
    case FlashAction::Version: std::printf("orvi-flash %s\n", ORVI_VERSION); return kExitAllDone;
    case FlashAction::Plan: return Plan(options);
    case FlashAction::Status:
    case FlashAction::Upgrade: return Run(options);
    }
    return kExitUsage;
}
