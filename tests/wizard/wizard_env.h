// What the wizard finds on the machine during one test: its own Wine
// registry file (or none), no printer scheduler unless the test starts
// one, a firmware set beside the test program, and a simulated printer.
#pragma once

#include "link/link_limits.h"
#include "tests/sim/sim_process.h"
#include "tests/support/temp_dir.h"

#include <string>
#include <vector>

// The link's limits for a test that makes one of them run out: a second
// where the program waits ten.
inline constexpr LinkLimits kShortLimits{1000, 1000, 1000, 1000, 1000};

struct FirmwareFile {
    std::string name;  // as the DT header carries it
    std::string bytes;
};

class WizardEnvironment {
public:
    WizardEnvironment();
    ~WizardEnvironment();

    // The current user's registry as Wine would keep it; "" for no file.
    void SetUserRegistry(const std::string& text);

    // Writes the files and an l11config.bld listing them (then iosubsys.bin)
    // into the program's directory. Returns the files in sending order, the
    // configuration file last.
    std::vector<FirmwareFile> WriteFirmware(const std::vector<FirmwareFile>& listed,
                                            const std::string& ioSubsystem = "IOSUBSYS");
    // Writes raw bytes under the program's directory.
    void WriteProgramFile(const std::string& name, const std::string& bytes);

    // A simulated printer on port 2864 of an address of its own on the
    // loopback network; returns the address ("" when it did not start).
    // With lastOctet, the address ends in it.
    std::string StartTcpPrinter(const std::vector<std::string>& options = {}, int lastOctet = -1);

    // Waits until the TCP printer at address has served every connection
    // made before this call: a connection of the test's own goes last and
    // leaves a mark in the report. A check that nothing happened looks
    // after this, when a wrong connection would have shown.
    bool SettleTcpPrinter(const std::string& address);

    SimProcess printer;
    TempDir scratch;
    std::string reportPath;
    std::string outDir;

private:
    std::vector<std::string> m_written;
};

// Whether the report shows exactly these files received whole, in this
// order, then the upgrade; the failure text says what differed.
std::string CompareUpgrade(const std::string& reportPath, const std::vector<FirmwareFile>& files);

std::string Sha256Hex(const std::string& bytes);
