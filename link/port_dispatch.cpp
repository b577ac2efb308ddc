#include "link/port_dispatch.h"

#include "link/baud_rates.h"
#include "link/channel_table.h"

#include <cstdio>

const char* SerialDeviceName(int32_t nSerialPort)
{
    return nSerialPort == 0 ? "COM1" : "COM2";
}

const char* ParallelDeviceName(int32_t nParallelPort)
{
    return nParallelPort == 0 ? "LPT1" : "LPT2";
}

std::string FormatIpAddress(const uint8_t octets[4])
{
    char text[16];
    std::snprintf(text, sizeof text, "%d.%d.%d.%d", octets[0], octets[1], octets[2], octets[3]);
    return text;
}

ChannelKind KindForMode(CommMode mode)
{
    switch (mode) {
    case Com: return ChannelKind::Serial;
    case Lpt: return ChannelKind::Parallel;
    case Dual: return ChannelKind::Dual;
    case Network: return ChannelKind::Queue;
    case TcpIp: return ChannelKind::Tcp;
    default: return ChannelKind::None;
    }
}

ChannelParams ParamsFromSettings(const IPortSettings& settings, const LinkLimits& limits)
{
    ChannelParams p;
    p.kind = KindForMode(settings.GetCommMode());
    p.limits = limits;
    p.serialDevice = SerialDeviceName(settings.GetSerialPort());
    p.baud = BaudRateAt(settings.GetBaudRate());
    p.parallelDevice = ParallelDeviceName(settings.GetParallelPort());
    if (p.kind == ChannelKind::Queue)
        p.queue = settings.GetPrinterName();
    if (p.kind == ChannelKind::Tcp) {
        // The address control is read only when a TCP connection opens.
        uint8_t octets[4] = {};
        settings.GetIpAddress(octets);
        p.host = FormatIpAddress(octets);
    }
    return p;
}

int DispatchOpenPort(const IPortSettings& settings, const LinkLimits& limits, ChannelHandle& hPort,
                     ChannelHandle& hStatusPort)
{
    return OpenChannels(ParamsFromSettings(settings, limits), hPort, hStatusPort).Done();
}

int DispatchWritePort(const IPortSettings& settings, ChannelHandle hPort, ChannelHandle hStatusPort,
                      const void* pBuffer, int32_t nLength, bool bStatusPort)
{
    return WriteChannels(KindForMode(settings.GetCommMode()), hPort, hStatusPort, pBuffer, nLength, bStatusPort)
        .Done();
}

int DispatchReadPort(const IPortSettings& settings, const LinkLimits& limits, ChannelHandle hPort,
                     ChannelHandle hStatusPort, void* pBuffer, int32_t* pnLength)
{
    return ReadChannelLine(KindForMode(settings.GetCommMode()), limits, hPort, hStatusPort, pBuffer, pnLength)
        .Done();
}

Delivery DispatchConfirmPort(const IPortSettings& settings, const LinkLimits& limits, ChannelHandle hPort,
                             ChannelHandle hStatusPort)
{
    return ConfirmChannels(KindForMode(settings.GetCommMode()), limits, hPort, hStatusPort).delivery;
}

int DispatchClosePort(const IPortSettings& settings, ChannelHandle hPort, ChannelHandle hStatusPort)
{
    return CloseChannels(KindForMode(settings.GetCommMode()), hPort, hStatusPort).Done();
}

void DispatchAbandonPort(const IPortSettings& settings, ChannelHandle hPort, ChannelHandle hStatusPort)
{
    AbandonChannels(KindForMode(settings.GetCommMode()), hPort, hStatusPort);
}
