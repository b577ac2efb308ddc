// The port setup that the maker's printer-management software keeps for the
// current user, turned into the values page 2 starts from. Only read: nothing
// here writes the key.
#pragma once

#include "link/comm_mode.h"

#include <cstdint>
#include <string>

// Below the current user's root.
inline constexpr char kPortSetupKey[] = "Software\\Tarnwell Systems\\Color Tarnwell\\Print Manager\\Port Setup";

// Page 2's values. The initial ones are the page's defaults, the one place
// they are given: what the page shows when nothing is stored, and what a
// stored value that is missing or that the page does not know leaves.
struct StoredPortSettings {
    CommMode m_nCommMode = Lpt;
    int32_t m_nSerialPort = 0;   // 0 COM1, 1 COM2; not range-checked
    int32_t m_nBaudRate = 2;     // 0..3: 4800, 9600, 19200, 38400
    int32_t m_nParallelPort = 0; // 0 LPT1, 1 LPT2; not range-checked
    std::string m_strPrinterName;
    uint8_t m_nIpOctets[4] = {192, 168, 255, 1}; // the first, most significant, first
};

// Reads the key once. Returns 1 when it opens, with every field of settings
// written: a value that is missing (absent, or larger than its buffer) gives
// the page's default, as a port type or baud rate the page does not know
// does. Returns 0 when the key does not open, with settings untouched.
int LoadStoredPortSettings(StoredPortSettings& settings);

// The four octets packed for the address control (MakeIpAddress).
uint32_t PackIpAddress(const uint8_t octets[4]);
