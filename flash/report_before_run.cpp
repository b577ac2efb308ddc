// What orvi-flash says before a run, or in place of one: a usage error, a
// package's refusal, the plan.
#include "flash/human_text.h"
#include "flash/outcome.h"
#include "flash/report.h"
#include "link/baud_rates.h"
#include "upgrade/json_line.h"
#include "upgrade/number_text.h"

#include <cstdio>

namespace {

const double kPlanNetworks[] = {10e6, 100e6};

std::string Duration(double seconds)
{
    const long s = static_cast<long>(seconds + 0.5);
    const auto twoDigits = [](long n) { return (n < 10 ? "0" : "") + std::to_string(n); };
    if (s >= 3600)
        return std::to_string(s / 3600) + " h " + twoDigits(s / 60 % 60) + " min";
    if (s >= 60)
        return std::to_string(s / 60) + " min " + twoDigits(s % 60) + " s";
    if (seconds >= 1)
        return FormatDecimal(seconds, 1) + " s";
    return FormatDecimal(seconds * 1000, 0) + " ms";
}

// text, right-aligned in width columns.
std::string Right(const std::string& text, size_t width)
{
    return text.size() < width ? std::string(width - text.size(), ' ') + text : text;
}

} // namespace

int ReportUsageError(const std::string& error)
{
    std::fprintf(stderr, "orvi-flash: %s\nTry \"orvi-flash --help\".\n", EscapeControlBytes(error).c_str());
    return kExitUsage;
}

int ReportRefusal(const std::string& refusal, bool json)
{
    if (json) {
        JsonLine line("refused");
        line.Add("message", refusal).Add("exit_status", kExitPackageRefused);
        std::fputs(line.Text().c_str(), stdout);
    }
    std::fprintf(stderr, "orvi-flash: the package is refused: %s\n", EscapeControlBytes(refusal).c_str());
    return kExitPackageRefused;
}

void ReportPlan(const Package& package, bool json)
{
    if (json) {
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
        return;
    }
    std::string text = "Package " + EscapeControlBytes(package.directory) + " (digest " + package.digest + ")\n\n";
    int n = 0;
    for (const PackageFile& f : package.files) {
        std::string name = EscapeControlBytes(f.name);
        name.resize(std::max<size_t>(name.size(), 24), ' ');
        text += Right(std::to_string(++n), 3) + "  " + name + " " + Right(std::to_string(f.size), 12) + " bytes  " +
                f.sha256 + "\n";
    }
    text += "\n" + std::to_string(n) + " files, " + std::to_string(package.dataBytes) + " bytes of firmware, " +
            std::to_string(package.wireBytes) + " bytes on the wire with the DT headers and SR\n\n";
    for (uint32_t baud : kPrinterBaudRates)
        text += "  " + Right(std::to_string(baud), 6) + " baud        " +
                Duration(SecondsAtBaud(package.wireBytes, baud)) + "\n";
    for (double bits : kPlanNetworks)
        text += "  " + Right(FormatDecimal(bits / 1e6, 0), 6) + " Mbit/s      " +
                Duration(SecondsAtBitsPerSecond(package.wireBytes, bits)) + "\n";
    std::fputs(text.c_str(), stdout);
}
