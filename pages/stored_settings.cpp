// The values are read the way the maker's software leaves them: numbers into
// 4-byte buffers, text into 256-byte buffers, whatever type the registry
// records for them. A value whose data does not fit counts as missing.
#include "pages/stored_settings.h"

#include "link/baud_rates.h"
#include "pages/registry_query.h"
#include "ui/ip_address_ctrl.h"

#include <cstring>

namespace {

constexpr uint32_t kNumberSize = 4;
constexpr uint32_t kTextSize = 256;

constexpr const char* kOctetNames[4] = {"IP Octet1", "IP Octet2", "IP Octet3", "IP Octet4"};

bool ReadNumber(RegistryKeyHandle hKey, const char* pszName, int32_t& nValue)
{
    // Zeroed, so that shorter data reads as the number its bytes spell.
    uint8_t buffer[kNumberSize] = {};
    uint32_t nSize = sizeof buffer;
    if (!QueryRegistryValue(hKey, pszName, buffer, &nSize))
        return false;
    nValue = static_cast<int32_t>(buffer[0] | buffer[1] << 8 | buffer[2] << 16 | static_cast<uint32_t>(buffer[3]) << 24);
    return true;
}

bool ReadText(RegistryKeyHandle hKey, const char* pszName, std::string& strText)
{
    char buffer[kTextSize];
    uint32_t nSize = sizeof buffer;
    if (!QueryRegistryValue(hKey, pszName, buffer, &nSize))
        return false;
    // Nothing promises a NUL (a number read as text, text stored without
    // one), so the text ends inside the buffer or not at all: 256 bytes
    // without a NUL are text too long for it.
    const void* nul = std::memchr(buffer, 0, nSize);
    if (!nul && nSize == kTextSize)
        return false;
    strText.assign(buffer, nul ? static_cast<size_t>(static_cast<const char*>(nul) - buffer) : nSize);
    return true;
}

// Decimal text as atoi reads it: white space, a sign, then digits up to the
// first non-digit. Numbers beyond 32 bits stay at the end of the range, as
// the Windows C library's atoi leaves them.
int32_t DecimalValue(const std::string& str)
{
    constexpr int64_t kLimit = int64_t{1} << 31;
    size_t i = 0;
    while (i < str.size() && (str[i] == ' ' || (str[i] >= '\t' && str[i] <= '\r')))
        ++i;
    bool bNegative = false;
    if (i < str.size() && (str[i] == '+' || str[i] == '-'))
        bNegative = str[i++] == '-';
    int64_t n = 0;
    for (; i < str.size() && str[i] >= '0' && str[i] <= '9'; ++i)
        if ((n = n * 10 + (str[i] - '0')) > kLimit)
            n = kLimit;
    if (bNegative)
        return static_cast<int32_t>(-n);
    return static_cast<int32_t>(n < kLimit ? n : kLimit - 1);
}

// Port numbers are counted from 1 in the registry and from 0 on the page.
// Wrapping, as 32-bit arithmetic does, rather than overflowing.
int32_t IndexOf(int32_t nNumber)
{
    return static_cast<int32_t>(static_cast<uint32_t>(nNumber) - 1u);
}

// The mode a stored port type names; false for a type the page does not
// know.
bool CommModeFor(int32_t nPortType, CommMode& mode)
{
    switch (nPortType) {
    case 1: mode = Com; return true;
    case 11: mode = Lpt; return true;
    case 31: mode = Dual; return true;
    case 41: mode = Network; return true;
    case 51: mode = TcpIp; return true;
    default: return false;
    }
}

} // namespace

int LoadStoredPortSettings(StoredPortSettings& settings)
{
    RegistryKeyHandle hKey = OpenUserRegistryKey(kPortSetupKey);
    if (hKey == InvalidRegistryKey)
        return 0;

    StoredPortSettings read;
    int32_t nBaud = 0, nParallel = 0, nPortType = 0, nSerial = 0;
    std::string strOctet;
    const bool bBaud = ReadNumber(hKey, "Baud Rate", nBaud);
    for (int i = 0; i < 4; ++i)
        if (ReadText(hKey, kOctetNames[i], strOctet))
            read.m_nIpOctets[i] = static_cast<uint8_t>(static_cast<uint32_t>(DecimalValue(strOctet)) & 0xFF);
    if (ReadNumber(hKey, "Parallel Port Number", nParallel))
        read.m_nParallelPort = IndexOf(nParallel);
    const bool bPortType = ReadNumber(hKey, "Port Type", nPortType);
    if (ReadNumber(hKey, "Serial Port Number", nSerial))
        read.m_nSerialPort = IndexOf(nSerial);
    ReadText(hKey, "Type String", read.m_strPrinterName);
    CloseRegistryKey(hKey);

    // A missing number leaves the default, as one the tables do not know.
    if (bPortType)
        CommModeFor(nPortType, read.m_nCommMode);
    if (const int32_t index = bBaud ? BaudIndexOf(static_cast<uint32_t>(nBaud)) : -1; index >= 0)
        read.m_nBaudRate = index;
    settings = read;
    return 1;
}

uint32_t PackIpAddress(const uint8_t octets[4])
{
    return MakeIpAddress(octets[0], octets[1], octets[2], octets[3]);
}
