// What the wizard finds on the machine during one test: stored port
// settings of its own (or none), no printer scheduler unless the test
// starts one, a firmware set beside the test program, its ports mapped to
// the simulated printer's lines, and the simulated printer itself.
#pragma once

#include "link/link_limits.h"
#include "tests/sim/sim_process.h"
#include "tests/support/loopback.h"
#include "tests/support/temp_dir.h"

#include <cstdint>
#include <string>
#include <vector>

// The link's limits for a test that makes one of them run out: a second
// where the program waits ten.
inline constexpr LinkLimits kShortLimits = UniformLimits(1000);

// A value of the maker's stored port setup: a number, or a text.
struct StoredValue {
    std::string name;
    bool isNumber;
    uint32_t number;
    std::string text;
};
StoredValue Number(const std::string& name, uint32_t value);
StoredValue Text(const std::string& name, const std::string& value);

class WizardEnvironment {
public:
    WizardEnvironment();
    ~WizardEnvironment();

    // The maker's port setup, stored for the current user as the maker's
    // software stores it (Wine's registry file on Linux, the registry on
    // Windows). A fresh environment has none.
    void StoreSettings(const std::vector<StoredValue>& values);
    // Stored settings for TcpIp to a dotted IPv4 address.
    void StoreTcpSettings(const std::string& address);

    // Writes the files and an l11config.bld listing them (then iosubsys.bin)
    // into the program's directory. Returns the files in sending order, the
    // configuration file last.
    std::vector<FirmwareFile> WriteFirmware(const std::vector<FirmwareFile>& listed,
                                            const std::string& ioSubsystem = "IOSUBSYS");
    // Writes raw bytes under the program's directory.
    void WriteProgramFile(const std::string& name, const std::string& bytes);
    // A symbolic link in the program's directory to a host file.
    void LinkProgramFile(const std::string& name, const std::string& hostTarget);

    // The host's path of a file in the scratch folder, for the printer. Not
    // a name Windows keeps for a device ("com1", "lpt1", "nul"), which
    // names that device in any folder.
    std::string HostFile(const std::string& name) const;
    // Makes a Windows port name ("COM1", "LPT1") lead to the host device.
    void MapPort(const std::string& name, const std::string& hostDevice);

    // The simulated printer with these arguments, storing what it receives
    // and reporting to reportPath.
    bool StartPrinter(const std::vector<std::string>& args);
    // A simulated printer on port 2864 of an address of its own on the
    // loopback network; returns the address ("" when it did not start).
    // With lastOctet, the address ends in it.
    std::string StartTcpPrinter(const std::vector<std::string>& options = {}, int lastOctet = -1);

    // SettleTcpPrinter (tests/sim/sim_process.h) on this printer's report.
    bool SettleTcpPrinter(const std::string& address);

    // The printer goes before its folder: a printer on a pseudo-terminal
    // keeps its line's link there until it ends.
    TempDir scratch;
    SimProcess printer;
    std::string reportPath;
    std::string outDir;

private:
    // What each platform keeps of the machine's state for a test.
    void SetUpMachine();
    void RestoreMachine();

    std::vector<std::string> m_written;
    std::vector<std::string> m_mapped;
};
