// Which channel to open, and how: the explicit parameters of one printer's
// connection. The wizard's page 2 stands for one set of them; orvi-flash
// reads them from a target.
#pragma once

#include "link/link_limits.h"

#include <cstdint>
#include <string>

inline constexpr uint32_t kTcpPrinterPort = 2864;

enum class ChannelKind {
    // No channel at all: every operation succeeds doing nothing.
    None,
    Serial,
    Parallel,
    // Commands and data on the parallel device, the status request and its
    // answer on the serial one.
    Dual,
    // One raw print job in a printer queue: nothing comes back.
    Queue,
    Tcp,
};

struct ChannelParams {
    ChannelKind kind = ChannelKind::None;
    // Serial, and Dual's status line: "COM1", "COM12", "/dev/ttyUSB0".
    std::string serialDevice;
    uint32_t baud = 19200;
    // Parallel, and Dual's data line: "LPT1", "/dev/usb/lp0".
    std::string parallelDevice;
    // Queue: the printer queue's name.
    std::string queue;
    // Tcp: a dotted address or a name, and the port.
    std::string host;
    uint32_t port = kTcpPrinterPort;
    LinkLimits limits;
};
