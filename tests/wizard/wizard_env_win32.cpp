// The machine's state for a wizard test on Windows, under Wine: the maker's
// settings live in the registry of the run's prefix, and are cleared for
// each test; a port name is a link in the prefix's dosdevices folder to
// the host's device; no scheduler answers (the test runner points Wine's
// spooler at none).
#include "tests/wizard/wizard_env.h"

#include "tests/support/host_process.h"
#include "upgrade/file_access.h"

#include <windows.h>

namespace {

const char* const kPortSetupKey = "Software\\Tarnwell Systems\\Color Tarnwell\\Print Manager\\Port Setup";

std::string LowerCase(const std::string& name)
{
    std::string lower;
    for (char c : name)
        lower += static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    return lower;
}

} // namespace

void WizardEnvironment::SetUpMachine()
{
    RegDeleteKeyA(HKEY_CURRENT_USER, kPortSetupKey);
}

void WizardEnvironment::RestoreMachine()
{
    RegDeleteKeyA(HKEY_CURRENT_USER, kPortSetupKey);
    for (const std::string& name : m_mapped)
        RunHost({"/bin/rm", "-f", EnvironmentValue("WINEPREFIX") + "/dosdevices/" + LowerCase(name)});
}

void WizardEnvironment::StoreSettings(const std::vector<StoredValue>& values)
{
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, kPortSetupKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr) !=
        ERROR_SUCCESS)
        return;
    for (const StoredValue& v : values) {
        if (v.isNumber) {
            DWORD number = v.number;
            RegSetValueExA(key, v.name.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), sizeof number);
        } else {
            RegSetValueExA(key, v.name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(v.text.c_str()),
                           static_cast<DWORD>(v.text.size() + 1));
        }
    }
    RegCloseKey(key);
}

void WizardEnvironment::LinkProgramFile(const std::string& name, const std::string& hostTarget)
{
    RunHost({"/bin/ln", "-sfn", hostTarget, HostPath(std::filesystem::path(ProgramDirectory()) / name)});
    m_written.push_back(name);
}

void WizardEnvironment::MapPort(const std::string& name, const std::string& hostDevice)
{
    // Made after Wine's mount manager has started, which would otherwise
    // point the link back at /dev/ttyS0.
    RunHost({"/bin/ln", "-sfn", hostDevice, EnvironmentValue("WINEPREFIX") + "/dosdevices/" + LowerCase(name)});
    m_mapped.push_back(name);
}
