#include "link/port_dispatch.h"

#include "link/device_channel.h"
#include "link/spooler_channel.h"
#include "link/tcp_channel.h"

#include <cstdio>

namespace {

ChannelHandle OpenSerial(const IPortSettings& settings, const LinkLimits& limits)
{
    int32_t error = 0;
    return OpenSerialChannel(SerialDeviceName(settings.GetSerialPort()), limits.deviceReadMs, limits.deviceWriteMs,
                             BaudRateFor(settings.GetBaudRate()), 0, 0, &error);
}

ChannelHandle OpenParallel(const IPortSettings& settings, const LinkLimits& limits)
{
    return OpenParallelChannel(ParallelDeviceName(settings.GetParallelPort()), limits.deviceReadMs,
                               limits.deviceWriteMs);
}

} // namespace

const char* SerialDeviceName(int32_t nSerialPort)
{
    return nSerialPort == 0 ? "COM1" : "COM2";
}

const char* ParallelDeviceName(int32_t nParallelPort)
{
    return nParallelPort == 0 ? "LPT1" : "LPT2";
}

uint32_t BaudRateFor(int32_t nBaudRate)
{
    switch (nBaudRate) {
    case 0: return 4800;
    case 1: return 9600;
    case 3: return 38400;
    default: return 19200;
    }
}

std::string FormatIpAddress(const uint8_t octets[4])
{
    char text[16];
    std::snprintf(text, sizeof text, "%d.%d.%d.%d", octets[0], octets[1], octets[2], octets[3]);
    return text;
}

int DispatchOpenPort(const IPortSettings& settings, const LinkLimits& limits, ChannelHandle& hPort,
                     ChannelHandle& hStatusPort)
{
    switch (settings.GetCommMode()) {
    case Com:
        hPort = OpenSerial(settings, limits);
        return hPort != InvalidChannel;
    case Lpt:
        hPort = OpenParallel(settings, limits);
        return hPort != InvalidChannel;
    case Dual:
        hStatusPort = OpenSerial(settings, limits);
        if (hStatusPort == InvalidChannel)
            return 0;
        hPort = OpenParallel(settings, limits);
        if (hPort == InvalidChannel) {
            CloseChannel(hStatusPort);
            return 0;
        }
        return 1;
    case Network:
        hPort = OpenSpoolerChannel(settings.GetPrinterName(), kSpoolerDocumentName);
        return hPort != InvalidChannel;
    case TcpIp: {
        uint8_t octets[4] = {};
        settings.GetIpAddress(octets);
        int32_t error = 0;
        int16_t timedOut = 0;
        hPort = OpenTcpChannel(FormatIpAddress(octets).c_str(), kTcpPrinterPort, limits.tcpConnectMs,
                               limits.tcpSendMs, &error, &timedOut);
        return hPort != InvalidChannel;
    }
    default:
        return 1;
    }
}

int DispatchWritePort(const IPortSettings& settings, ChannelHandle hPort, ChannelHandle hStatusPort,
                      const void* pBuffer, int32_t nLength, bool bStatusPort)
{
    int32_t error = 0;
    switch (settings.GetCommMode()) {
    case Com:
    case Lpt:
        return WriteChannel(hPort, pBuffer, nLength, &error);
    case Dual:
        return WriteChannel(bStatusPort ? hStatusPort : hPort, pBuffer, nLength, &error);
    case Network:
        return WriteSpoolerChannel(hPort, pBuffer, nLength, &error);
    case TcpIp: {
        int16_t timedOut = 0;
        return SendTcpChannel(hPort, pBuffer, nLength, &error, &timedOut) == nLength;
    }
    default:
        return 1;
    }
}

int DispatchReadPort(const IPortSettings& settings, const LinkLimits& limits, ChannelHandle hPort,
                     ChannelHandle hStatusPort, void* pBuffer, int32_t* pnLength)
{
    int32_t error = 0;
    switch (settings.GetCommMode()) {
    case Com:
    case Lpt:
        return ReadChannel(hPort, pBuffer, pnLength, kLineTerminator, &error, limits.lineByteMs);
    case Dual:
        return ReadChannel(hStatusPort, pBuffer, pnLength, kLineTerminator, &error, limits.lineByteMs);
    case Network:
        // A printer queue carries nothing back.
        return 0;
    case TcpIp: {
        int16_t timedOut = 0;
        return ReceiveTcpChannel(hPort, pBuffer, *pnLength, kLineTerminator, &error, &timedOut) != 0;
    }
    default:
        return 1;
    }
}

int DispatchClosePort(const IPortSettings& settings, ChannelHandle hPort, ChannelHandle hStatusPort)
{
    switch (settings.GetCommMode()) {
    case Com:
    case Lpt:
        CloseChannel(hPort);
        break;
    case Dual:
        CloseChannel(hPort);
        CloseChannel(hStatusPort);
        break;
    case Network:
        return CloseSpoolerChannel(hPort);
    case TcpIp:
        CloseTcpChannel(hPort);
        break;
    default:
        break;
    }
    return 1;
}
