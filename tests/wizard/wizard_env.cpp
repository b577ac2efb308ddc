#include "tests/wizard/wizard_env.h"

#include "upgrade/file_access.h"

#include <filesystem>
#include <fstream>
#include <sstream>

StoredValue Number(const std::string& name, uint32_t value)
{
    return {name, true, value, {}};
}

StoredValue Text(const std::string& name, const std::string& value)
{
    return {name, false, 0, value};
}

WizardEnvironment::WizardEnvironment()
{
    reportPath = (scratch.Path() / "report.jsonl").string();
    outDir = (scratch.Path() / "received").string();
    std::filesystem::create_directories(outDir);
    SetUpMachine();
}

WizardEnvironment::~WizardEnvironment()
{
    std::error_code ec;
    for (const std::string& name : m_written)
        std::filesystem::remove_all(std::filesystem::path(ProgramDirectory()) / name, ec);
    RestoreMachine();
}

std::string WizardEnvironment::HostFile(const std::string& name) const
{
    return HostPath(scratch.Path() / name);
}

bool WizardEnvironment::StartPrinter(const std::vector<std::string>& args)
{
    std::vector<std::string> all = args;
    all.insert(all.end(), {"--out", HostPath(outDir), "--report", HostPath(reportPath)});
    return printer.Start(all);
}

void WizardEnvironment::WriteProgramFile(const std::string& name, const std::string& bytes)
{
    std::filesystem::path p = std::filesystem::path(ProgramDirectory()) / name;
    std::filesystem::create_directories(p.parent_path());
    std::ofstream(p, std::ios::binary | std::ios::trunc).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    std::string top = name.substr(0, name.find('/'));
    m_written.push_back(top);
}

std::vector<FirmwareFile> WizardEnvironment::WriteFirmware(const std::vector<FirmwareFile>& listed,
                                                           const std::string& ioSubsystem)
{
    std::string config = std::to_string(listed.size()) + "\r\n";
    std::vector<FirmwareFile> sent;
    for (const FirmwareFile& f : listed) {
        WriteProgramFile(f.name, f.bytes);
        config += "*" + f.name + ":*x:\r\n";
        sent.push_back(f);
    }
    config += "*end:\r\n";
    WriteProgramFile("iosubsys.bin", ioSubsystem);
    WriteProgramFile("l11config.bld", config);
    sent.push_back({"iosubsys.bin", ioSubsystem});
    sent.push_back({"l11config.bld", config});
    return sent;
}

void WizardEnvironment::StoreTcpSettings(const std::string& address)
{
    std::string octets[4];
    std::istringstream dotted(address);
    for (std::string& octet : octets)
        std::getline(dotted, octet, '.');
    StoreSettings({Text("IP Octet1", octets[0]), Text("IP Octet2", octets[1]), Text("IP Octet3", octets[2]),
                   Text("IP Octet4", octets[3]), Number("Port Type", 51)});
}

std::string WizardEnvironment::StartTcpPrinter(const std::vector<std::string>& options, int lastOctet)
{
    const std::string address = LoopbackAddress(lastOctet);
    std::vector<std::string> args = {"--tcp", address + ":2864"};
    args.insert(args.end(), options.begin(), options.end());
    return StartPrinter(args) ? address : std::string();
}

bool WizardEnvironment::SettleTcpPrinter(const std::string& address)
{
    return ::SettleTcpPrinter(reportPath, address);
}
