// The stored port settings read from Wine's registry, written by Wine's own
// reg.exe as the maker's software would write them.
#include "pages/registry_query.h"
#include "pages/stored_settings.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

namespace {

const std::string kKey = std::string("HKCU\\") + kPortSetupKey;

// Runs reg.exe with the arguments and waits for it; its exit code.
int Reg(const std::string& args)
{
    std::string command = "reg.exe " + args;
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr, &si,
                        &pi)) {
        ADD_FAILURE() << "reg.exe did not start: error " << GetLastError();
        return -1;
    }
    WaitForSingleObject(pi.hProcess, 60000);
    DWORD code = 1;
    GetExitCodeProcess(pi.hProcess, &code);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return static_cast<int>(code);
}

int AddNumber(const char* name, long value)
{
    return Reg("add \"" + kKey + "\" /v \"" + name + "\" /t REG_DWORD /d " + std::to_string(value) + " /f");
}

int AddText(const char* name, const std::string& value)
{
    return Reg("add \"" + kKey + "\" /v \"" + name + "\" /t REG_SZ /d \"" + value + "\" /f");
}

void DeleteKey()
{
    Reg("delete \"" + kKey + "\" /f");
}

} // namespace

// One test, because every case shares the one key of the current user.
TEST(StoredSettings, ComeFromTheCurrentUsersKey)
{
    DeleteKey();
    StoredPortSettings settings;
    settings.m_nSerialPort = 7;
    EXPECT_EQ(LoadStoredPortSettings(settings), 0);
    EXPECT_EQ(settings.m_nSerialPort, 7) << "nothing changes without the key";

    // A key with no values: the unknown-value mappings.
    ASSERT_EQ(Reg("add \"" + kKey + "\" /f"), 0);
    settings = StoredPortSettings{};
    settings.m_nCommMode = TcpIp;
    ASSERT_EQ(LoadStoredPortSettings(settings), 1);
    EXPECT_EQ(settings.m_nCommMode, Lpt);
    EXPECT_EQ(settings.m_nBaudRate, 2);
    EXPECT_EQ(settings.m_strPrinterName, "");

    ASSERT_EQ(AddNumber("Port Type", 51), 0);
    ASSERT_EQ(AddNumber("Baud Rate", 38400), 0);
    ASSERT_EQ(AddNumber("Serial Port Number", 2), 0);
    ASSERT_EQ(AddNumber("Parallel Port Number", 0), 0);
    ASSERT_EQ(AddText("IP Octet1", "10"), 0);
    ASSERT_EQ(AddText("IP Octet2", "300"), 0);
    ASSERT_EQ(AddText("IP Octet3", "-1"), 0);
    ASSERT_EQ(AddText("IP Octet4", " 7x"), 0);
    ASSERT_EQ(AddText("Type String", "Orvi L11 (Front Desk)"), 0);
    ASSERT_EQ(LoadStoredPortSettings(settings), 1);
    EXPECT_EQ(settings.m_nCommMode, TcpIp);
    EXPECT_EQ(settings.m_nBaudRate, 3);
    EXPECT_EQ(settings.m_nSerialPort, 1);
    EXPECT_EQ(settings.m_nParallelPort, -1);
    EXPECT_EQ(settings.m_strPrinterName, "Orvi L11 (Front Desk)");
    EXPECT_EQ(PackIpAddress(settings.m_nIpOctets), 0x0A2CFF07u);

    for (auto [code, mode] : {std::pair{1, Com}, {11, Lpt}, {21, Lpt}, {31, Dual}, {41, Network}}) {
        ASSERT_EQ(AddNumber("Port Type", code), 0);
        ASSERT_EQ(LoadStoredPortSettings(settings), 1);
        EXPECT_EQ(settings.m_nCommMode, mode) << code;
    }

    // 256 characters and their NUL do not fit the 256-byte buffer.
    ASSERT_EQ(AddText("Type String", std::string(256, 'p')), 0);
    ASSERT_EQ(LoadStoredPortSettings(settings), 1);
    EXPECT_EQ(settings.m_strPrinterName, "");
    ASSERT_EQ(AddText("Type String", std::string(255, 'p')), 0);
    ASSERT_EQ(LoadStoredPortSettings(settings), 1);
    EXPECT_EQ(settings.m_strPrinterName, std::string(255, 'p'));

    // The port itself: a value larger than the buffer says how large it is.
    RegistryKeyHandle key = OpenUserRegistryKey(kPortSetupKey);
    ASSERT_NE(key, InvalidRegistryKey);
    char small[16];
    uint32_t size = sizeof small;
    EXPECT_EQ(QueryRegistryValue(key, "Type String", small, &size), 0);
    EXPECT_EQ(size, 256u);
    size = sizeof small;
    EXPECT_EQ(QueryRegistryValue(key, std::string("Port Type\0x", 11), small, &size), 0);
    CloseRegistryKey(key);
    EXPECT_EQ(OpenUserRegistryKey(std::string(kPortSetupKey) + '\0' + "x"), InvalidRegistryKey);

    DeleteKey();
}
