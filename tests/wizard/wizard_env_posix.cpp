// The machine's state for a wizard test on Linux: the maker's settings live
// in Wine's registry file of the test's own, the ports are named through
// the device map, and no scheduler answers unless the test starts one.
#include "tests/wizard/wizard_env.h"

#include "upgrade/file_access.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>

void WizardEnvironment::SetUpMachine()
{
    ::setenv("WINEPREFIX", (scratch.Path() / "wine").c_str(), 1);
    ::setenv("CUPS_SERVER", (scratch.Path() / "no-cups.sock").c_str(), 1);
}

void WizardEnvironment::RestoreMachine()
{
    for (const char* v : {"WINEPREFIX", "CUPS_SERVER", "ORVI_COM1", "ORVI_COM2", "ORVI_LPT1", "ORVI_LPT2"})
        ::unsetenv(v);
}

void WizardEnvironment::StoreSettings(const std::vector<StoredValue>& values)
{
    // As Wine writes it: backslashes doubled in the key, numbers as dword.
    std::string text = "WINE REGISTRY Version 2\n;; All keys relative to \\\\User\\\\S-1-5-21-0-0-0-1000\n\n"
                       "#arch=win64\n\n"
                       "[Software\\\\Tarnwell Systems\\\\Color Tarnwell\\\\Print Manager\\\\Port Setup] 1700000000\n"
                       "#time=1d9a1b2c3d4e5f6\n";
    for (const StoredValue& v : values) {
        char number[16];
        std::snprintf(number, sizeof number, "%08x", v.number);
        text += "\"" + v.name + "\"=" + (v.isNumber ? "dword:" + std::string(number) : "\"" + v.text + "\"") + "\n";
    }
    scratch.Write("wine/user.reg", text + "\n");
}

void WizardEnvironment::LinkProgramFile(const std::string& name, const std::string& hostTarget)
{
    std::filesystem::create_symlink(hostTarget, std::filesystem::path(ProgramDirectory()) / name);
    m_written.push_back(name);
}

void WizardEnvironment::MapPort(const std::string& name, const std::string& hostDevice)
{
    ::setenv(("ORVI_" + name).c_str(), hostDevice.c_str(), 1);
}
