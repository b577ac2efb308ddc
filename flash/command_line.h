// orvi-flash's command line.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

enum class FlashAction { Help, Version, Plan, Status, Upgrade };

// Printers at once when --jobs is not given. A transfer is paced by its
// printer, not by this computer, so printers run side by side; past this
// many an operator says how many with --jobs.
inline constexpr int kDefaultJobs = 64;
// Past this, --jobs is a typing error.
inline constexpr int kMostJobs = 100000;

inline constexpr uint64_t kDefaultHeldPackageMiB = 512;
inline constexpr uint64_t kMostHeldPackageMiB = 4096;

struct FlashOptions {
    FlashAction action = FlashAction::Help;
    std::vector<std::string> targets;
    std::string targetsFile;
    std::string package;
    // The digest the package must have (plan's "digest", lower case), or
    // "" for any.
    std::string expectDigest;
    // 0: every target at once, up to kDefaultJobs.
    int jobs = 0;
    bool json = false;
    std::string traceFolder;
    std::string ledger;
    bool force = false;
    bool reachOnly = false;
    bool dryRun = false;
    // How long a printer may keep the link waiting; 0 for the link's own
    // limits (the wizard's ten seconds).
    double timeoutSeconds = 0;
    // upgrade holds a package of at most this many bytes in memory: read
    // and hashed once for the whole run, and every printer sent those bytes,
    // instead of each printer reading the folder again and hashing what it
    // sent. A firmware package is a few MB; the cost is its size, once.
    uint64_t holdPackageUpTo = kDefaultHeldPackageMiB << 20;
};

// false with a message that says what is wrong.
bool ParseCommandLine(int argc, const char* const* argv, FlashOptions& options, std::string& error);

// The --help text.
std::string FlashHelp();
