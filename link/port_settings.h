// The communication choices as the port operations read them, at the moment
// of each call. Page 2 holds them; it answers through this interface.
#pragma once

#include "link/comm_mode.h"

#include <cstdint>
#include <string>

class IPortSettings {
public:
    virtual ~IPortSettings() = default;
    virtual CommMode GetCommMode() const = 0;
    // Each -1 when its control had nothing selected.
    virtual int32_t GetSerialPort() const = 0;   // 0 COM1, otherwise COM2
    virtual int32_t GetBaudRate() const = 0;     // 0..3: 4800, 9600, 19200, 38400
    virtual int32_t GetParallelPort() const = 0; // 0 LPT1, otherwise LPT2
    virtual std::string GetPrinterName() const = 0;
    // The four fields of the address control, first field first.
    virtual void GetIpAddress(uint8_t octets[4]) const = 0;
};
