#include "link/channel_table.h"

#include "link/device_channel.h"
#include "link/spooler_channel.h"
#include "link/tcp_channel.h"

namespace {

LinkStatus From(bool done)
{
    return done ? LinkStatus::Done : LinkStatus::Failed;
}

// No channel: every operation succeeds doing nothing.
LinkStatus OpenNone(const ChannelParams&, ChannelHandle&, ChannelHandle&, int32_t&)
{
    return LinkStatus::Done;
}
LinkStatus WriteNone(ChannelHandle, ChannelHandle, const void*, int32_t, bool)
{
    return LinkStatus::Done;
}
LinkStatus ReadNone(const LinkLimits&, ChannelHandle, ChannelHandle, void*, int32_t*)
{
    return LinkStatus::Done;
}
Delivery ConfirmNone(const LinkLimits&, ChannelHandle, ChannelHandle)
{
    return Delivery::Confirmed;
}
LinkStatus CloseNone(ChannelHandle, ChannelHandle)
{
    return LinkStatus::Done;
}
uint64_t NothingUnconfirmed(ChannelHandle)
{
    return 0;
}

Delivery DeliveryOf(bool finished)
{
    return finished ? Delivery::Confirmed : Delivery::Failed;
}

ChannelHandle OpenSerial(const ChannelParams& p, int32_t& nError)
{
    return OpenSerialChannel(p.serialDevice.c_str(), p.limits.deviceReadMs, p.limits.deviceWriteMs, p.baud, 0, 0,
                             &nError);
}

ChannelHandle OpenParallel(const ChannelParams& p, int32_t& nError)
{
    return OpenParallelChannel(p.parallelDevice.c_str(), p.limits.deviceReadMs, p.limits.deviceWriteMs, &nError);
}

LinkStatus OpenSerialKind(const ChannelParams& p, ChannelHandle& hPort, ChannelHandle&, int32_t& nError)
{
    hPort = OpenSerial(p, nError);
    return From(hPort != InvalidChannel);
}
LinkStatus OpenParallelKind(const ChannelParams& p, ChannelHandle& hPort, ChannelHandle&, int32_t& nError)
{
    hPort = OpenParallel(p, nError);
    return From(hPort != InvalidChannel);
}
LinkStatus WriteDevice(ChannelHandle hPort, ChannelHandle, const void* pBuffer, int32_t nLength, bool)
{
    int32_t error = 0;
    return From(WriteChannel(hPort, pBuffer, nLength, &error));
}
LinkStatus ReadDevice(const LinkLimits& limits, ChannelHandle hPort, ChannelHandle, void* pBuffer, int32_t* pnLength)
{
    int32_t error = 0;
    return From(ReadChannel(hPort, pBuffer, pnLength, kLineTerminator, &error, limits.lineByteMs));
}
Delivery ConfirmDevice(const LinkLimits& limits, ChannelHandle hPort, ChannelHandle)
{
    int32_t error = 0;
    return DeliveryOf(FinishChannel(hPort, limits.deviceWriteMs, &error));
}
LinkStatus CloseDevice(ChannelHandle hPort, ChannelHandle)
{
    CloseChannel(hPort);
    return LinkStatus::Done;
}

// Dual: the serial status line first; without it the parallel port is not
// tried, and a parallel port that does not open lets the serial one go.
LinkStatus OpenDual(const ChannelParams& p, ChannelHandle& hPort, ChannelHandle& hStatusPort, int32_t& nError)
{
    hStatusPort = OpenSerial(p, nError);
    if (hStatusPort == InvalidChannel)
        return LinkStatus::Failed;
    hPort = OpenParallel(p, nError);
    if (hPort == InvalidChannel) {
        CloseChannel(hStatusPort);
        return LinkStatus::Failed;
    }
    return LinkStatus::Done;
}
LinkStatus WriteDual(ChannelHandle hPort, ChannelHandle hStatusPort, const void* pBuffer, int32_t nLength,
                     bool bStatusLine)
{
    int32_t error = 0;
    return From(WriteChannel(bStatusLine ? hStatusPort : hPort, pBuffer, nLength, &error));
}
LinkStatus ReadDual(const LinkLimits& limits, ChannelHandle, ChannelHandle hStatusPort, void* pBuffer,
                    int32_t* pnLength)
{
    int32_t error = 0;
    return From(ReadChannel(hStatusPort, pBuffer, pnLength, kLineTerminator, &error, limits.lineByteMs));
}
Delivery ConfirmDual(const LinkLimits& limits, ChannelHandle hPort, ChannelHandle hStatusPort)
{
    int32_t error = 0;
    return DeliveryOf(FinishChannel(hPort, limits.deviceWriteMs, &error) &&
                      FinishChannel(hStatusPort, limits.deviceWriteMs, &error));
}
LinkStatus CloseDual(ChannelHandle hPort, ChannelHandle hStatusPort)
{
    CloseChannel(hPort);
    CloseChannel(hStatusPort);
    return LinkStatus::Done;
}

LinkStatus OpenQueue(const ChannelParams& p, ChannelHandle& hPort, ChannelHandle&, int32_t&)
{
    hPort = OpenSpoolerChannel(p.queue, kSpoolerDocumentName);
    return From(hPort != InvalidChannel);
}
LinkStatus WriteQueue(ChannelHandle hPort, ChannelHandle, const void* pBuffer, int32_t nLength, bool)
{
    int32_t error = 0;
    return From(WriteSpoolerChannel(hPort, pBuffer, nLength, &error));
}
// A printer queue carries nothing back.
LinkStatus ReadQueue(const LinkLimits&, ChannelHandle, ChannelHandle, void*, int32_t*)
{
    return LinkStatus::Failed;
}
// The scheduler takes the job at close; what the printer does with it
// nobody can tell.
Delivery ConfirmQueue(const LinkLimits&, ChannelHandle, ChannelHandle)
{
    return Delivery::Unconfirmable;
}
LinkStatus CloseQueue(ChannelHandle hPort, ChannelHandle)
{
    return From(CloseSpoolerChannel(hPort));
}

LinkStatus OpenTcp(const ChannelParams& p, ChannelHandle& hPort, ChannelHandle&, int32_t& nError)
{
    int16_t timedOut = 0;
    hPort = OpenTcpChannel(p.host.c_str(), p.port, p.limits.tcpConnectMs, p.limits.tcpSendMs, &nError, &timedOut);
    return From(hPort != InvalidChannel);
}
LinkStatus WriteTcp(ChannelHandle hPort, ChannelHandle, const void* pBuffer, int32_t nLength, bool)
{
    int32_t error = 0;
    int16_t timedOut = 0;
    return From(SendTcpChannel(hPort, pBuffer, nLength, &error, &timedOut) == nLength);
}
// The length is left as it was; a line whose first byte is LF counts as no
// line.
LinkStatus ReadTcp(const LinkLimits&, ChannelHandle hPort, ChannelHandle, void* pBuffer, int32_t* pnLength)
{
    int32_t error = 0;
    int16_t timedOut = 0;
    return From(ReceiveTcpChannel(hPort, pBuffer, *pnLength, kLineTerminator, &error, &timedOut) != 0);
}
Delivery ConfirmTcp(const LinkLimits&, ChannelHandle hPort, ChannelHandle)
{
    int32_t error = 0;
    int16_t timedOut = 0;
    return ConfirmTcpChannel(hPort, &error, &timedOut);
}
LinkStatus CloseTcp(ChannelHandle hPort, ChannelHandle)
{
    CloseTcpChannel(hPort);
    return LinkStatus::Done;
}

struct KindRow {
    ChannelKind kind;
    LinkStatus (*open)(const ChannelParams&, ChannelHandle&, ChannelHandle&, int32_t&);
    LinkStatus (*write)(ChannelHandle, ChannelHandle, const void*, int32_t, bool);
    LinkStatus (*read)(const LinkLimits&, ChannelHandle, ChannelHandle, void*, int32_t*);
    Delivery (*confirm)(const LinkLimits&, ChannelHandle, ChannelHandle);
    uint64_t (*unconfirmed)(ChannelHandle);
    LinkStatus (*close)(ChannelHandle, ChannelHandle);
};

// A device's writes are done only once its output queue has drained, so
// nothing written to one is left unconfirmed between writes.
const KindRow kKinds[] = {
    {ChannelKind::None, OpenNone, WriteNone, ReadNone, ConfirmNone, NothingUnconfirmed, CloseNone},
    {ChannelKind::Serial, OpenSerialKind, WriteDevice, ReadDevice, ConfirmDevice, NothingUnconfirmed, CloseDevice},
    {ChannelKind::Parallel, OpenParallelKind, WriteDevice, ReadDevice, ConfirmDevice, NothingUnconfirmed,
     CloseDevice},
    {ChannelKind::Dual, OpenDual, WriteDual, ReadDual, ConfirmDual, NothingUnconfirmed, CloseDual},
    {ChannelKind::Queue, OpenQueue, WriteQueue, ReadQueue, ConfirmQueue, NothingUnconfirmed, CloseQueue},
    {ChannelKind::Tcp, OpenTcp, WriteTcp, ReadTcp, ConfirmTcp, UnconfirmedTcpBytes, CloseTcp},
};

const KindRow& Row(ChannelKind kind)
{
    for (const KindRow& row : kKinds)
        if (row.kind == kind)
            return row;
    return kKinds[0];
}

} // namespace

LinkStatus OpenChannels(const ChannelParams& params, ChannelHandle& hPort, ChannelHandle& hStatusPort,
                        int32_t& nError)
{
    nError = 0;
    return Row(params.kind).open(params, hPort, hStatusPort, nError);
}

LinkStatus WriteChannels(ChannelKind kind, ChannelHandle hPort, ChannelHandle hStatusPort, const void* pBuffer,
                         int32_t nLength, bool bStatusLine)
{
    return Row(kind).write(hPort, hStatusPort, pBuffer, nLength, bStatusLine);
}

LinkStatus ReadChannelLine(ChannelKind kind, const LinkLimits& limits, ChannelHandle hPort,
                           ChannelHandle hStatusPort, void* pBuffer, int32_t* pnLength)
{
    return Row(kind).read(limits, hPort, hStatusPort, pBuffer, pnLength);
}

Delivery ConfirmChannels(ChannelKind kind, const LinkLimits& limits, ChannelHandle hPort, ChannelHandle hStatusPort)
{
    return Row(kind).confirm(limits, hPort, hStatusPort);
}

uint64_t UnconfirmedBytes(ChannelKind kind, ChannelHandle hPort)
{
    return Row(kind).unconfirmed(hPort);
}

LinkStatus CloseChannels(ChannelKind kind, ChannelHandle hPort, ChannelHandle hStatusPort)
{
    return Row(kind).close(hPort, hStatusPort);
}
