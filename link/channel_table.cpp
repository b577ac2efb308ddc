#include "link/channel_table.h"

#include "link/device_channel.h"
#include "link/error_codes.h"
#include "link/spooler_channel.h"
#include "link/tcp_channel.h"

namespace {

LinkResult Result(bool done, int32_t error)
{
    return done ? LinkResult{} : LinkResult::Failed(FailureOf(error));
}

DeliveryResult DeliveryOf(bool finished, int32_t error)
{
    return finished ? DeliveryResult{} : DeliveryResult{Delivery::Failed, FailureOf(error)};
}

// No channel: every operation succeeds doing nothing.
LinkResult OpenNone(const ChannelParams&, ChannelHandle&, ChannelHandle&)
{
    return {};
}
LinkResult WriteNone(ChannelHandle, ChannelHandle, const void*, int32_t, bool)
{
    return {};
}
LinkResult ReadNone(const LinkLimits&, ChannelHandle, ChannelHandle, void*, int32_t*)
{
    return {};
}
DeliveryResult ConfirmNone(const LinkLimits&, ChannelHandle, ChannelHandle)
{
    return {};
}
uint64_t NothingUnconfirmed(ChannelHandle)
{
    return 0;
}
LinkResult CloseNone(ChannelHandle, ChannelHandle)
{
    return {};
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

LinkResult OpenSerialKind(const ChannelParams& p, ChannelHandle& hPort, ChannelHandle&)
{
    int32_t error = 0;
    hPort = OpenSerial(p, error);
    return Result(hPort != InvalidChannel, error);
}
LinkResult OpenParallelKind(const ChannelParams& p, ChannelHandle& hPort, ChannelHandle&)
{
    int32_t error = 0;
    hPort = OpenParallel(p, error);
    return Result(hPort != InvalidChannel, error);
}
// Each call runs before its error is read: the two never share one
// expression, whose arguments C++ may take in any order.
LinkResult WriteDevice(ChannelHandle hPort, ChannelHandle, const void* pBuffer, int32_t nLength, bool)
{
    int32_t error = 0;
    const bool written = WriteChannel(hPort, pBuffer, nLength, &error);
    return Result(written, error);
}
LinkResult ReadDevice(const LinkLimits& limits, ChannelHandle hPort, ChannelHandle, void* pBuffer, int32_t* pnLength)
{
    int32_t error = 0;
    const bool read = ReadChannel(hPort, pBuffer, pnLength, kLineTerminator, &error, limits.lineByteMs, limits.lineMs);
    return Result(read, error);
}
DeliveryResult ConfirmDevice(const LinkLimits& limits, ChannelHandle hPort, ChannelHandle)
{
    int32_t error = 0;
    const bool finished = FinishChannel(hPort, limits.deviceWriteMs, &error);
    return DeliveryOf(finished, error);
}
LinkResult CloseDevice(ChannelHandle hPort, ChannelHandle)
{
    CloseChannel(hPort);
    return {};
}

// Dual: the serial status line first; without it the parallel port is not
// tried, and a parallel port that does not open lets the serial one go.
LinkResult OpenDual(const ChannelParams& p, ChannelHandle& hPort, ChannelHandle& hStatusPort)
{
    int32_t error = 0;
    hStatusPort = OpenSerial(p, error);
    if (hStatusPort == InvalidChannel)
        return Result(false, error);
    hPort = OpenParallel(p, error);
    if (hPort == InvalidChannel) {
        CloseChannel(hStatusPort);
        return Result(false, error);
    }
    return {};
}
LinkResult WriteDual(ChannelHandle hPort, ChannelHandle hStatusPort, const void* pBuffer, int32_t nLength,
                     bool bStatusLine)
{
    return WriteDevice(bStatusLine ? hStatusPort : hPort, 0, pBuffer, nLength, false);
}
LinkResult ReadDual(const LinkLimits& limits, ChannelHandle, ChannelHandle hStatusPort, void* pBuffer,
                    int32_t* pnLength)
{
    return ReadDevice(limits, hStatusPort, 0, pBuffer, pnLength);
}
DeliveryResult ConfirmDual(const LinkLimits& limits, ChannelHandle hPort, ChannelHandle hStatusPort)
{
    const DeliveryResult data = ConfirmDevice(limits, hPort, 0);
    return data.delivery == Delivery::Failed ? data : ConfirmDevice(limits, hStatusPort, 0);
}
LinkResult CloseDual(ChannelHandle hPort, ChannelHandle hStatusPort)
{
    CloseChannel(hPort);
    CloseChannel(hStatusPort);
    return {};
}

// The spooler says nothing of why a queue did not open, or why it refused
// a job at its end.
LinkResult OpenQueue(const ChannelParams& p, ChannelHandle& hPort, ChannelHandle&)
{
    hPort = OpenSpoolerChannel(p.queue, kSpoolerDocumentName);
    return Result(hPort != InvalidChannel, 0);
}
LinkResult WriteQueue(ChannelHandle hPort, ChannelHandle, const void* pBuffer, int32_t nLength, bool)
{
    int32_t error = 0;
    const bool written = WriteSpoolerChannel(hPort, pBuffer, nLength, &error);
    return Result(written, error);
}
// A printer queue carries nothing back.
LinkResult ReadQueue(const LinkLimits&, ChannelHandle, ChannelHandle, void*, int32_t*)
{
    return LinkResult::Failed({LinkReason::Other, 0});
}
// The scheduler takes the job at close; what the printer does with it
// nobody can tell.
DeliveryResult ConfirmQueue(const LinkLimits&, ChannelHandle, ChannelHandle)
{
    return {Delivery::Unconfirmable, {}};
}
LinkResult CloseQueue(ChannelHandle hPort, ChannelHandle)
{
    return Result(CloseSpoolerChannel(hPort), 0);
}
void AbandonQueue(ChannelHandle hPort, ChannelHandle)
{
    WithdrawSpoolerChannel(hPort);
}

LinkResult OpenTcp(const ChannelParams& p, ChannelHandle& hPort, ChannelHandle&)
{
    int32_t error = 0;
    int16_t timedOut = 0;
    hPort = OpenTcpChannel(p.host.c_str(), p.port, p.limits.tcpConnectMs, p.limits.tcpSendMs, &error, &timedOut);
    LinkResult result = Result(hPort != InvalidChannel, error);
    // Only here does the generic code mean that no host has that name.
    if (!result.Done() && error == kErrorHostUnknown)
        result.failure.reason = LinkReason::HostNotFound;
    return result;
}
LinkResult WriteTcp(ChannelHandle hPort, ChannelHandle, const void* pBuffer, int32_t nLength, bool)
{
    int32_t error = 0;
    int16_t timedOut = 0;
    const bool sent = SendTcpChannel(hPort, pBuffer, nLength, &error, &timedOut) == nLength;
    return Result(sent, error);
}
// The length is left as it was; a line whose first byte is LF counts as no
// line.
LinkResult ReadTcp(const LinkLimits& limits, ChannelHandle hPort, ChannelHandle, void* pBuffer, int32_t* pnLength)
{
    int32_t error = 0;
    int16_t timedOut = 0;
    const int32_t got = ReceiveTcpChannel(hPort, pBuffer, *pnLength, kLineTerminator, &error, &timedOut,
                                          limits.lineMs);
    // An LF at once fails with no error: the line came, and it is empty.
    return got != 0 ? LinkResult{} : LinkResult::Failed(error != 0 ? FailureOf(error) : LinkFailure{LinkReason::Other, 0});
}
DeliveryResult ConfirmTcp(const LinkLimits&, ChannelHandle hPort, ChannelHandle)
{
    int32_t error = 0;
    int16_t timedOut = 0;
    const Delivery delivery = ConfirmTcpChannel(hPort, &error, &timedOut);
    return {delivery, delivery == Delivery::Failed ? FailureOf(error) : LinkFailure{}};
}
LinkResult CloseTcp(ChannelHandle hPort, ChannelHandle)
{
    CloseTcpChannel(hPort);
    return {};
}

// What an abandoned exchange does where nothing written can be held back.
template <LinkResult (*Close)(ChannelHandle, ChannelHandle)>
void CloseAnyway(ChannelHandle hPort, ChannelHandle hStatusPort)
{
    Close(hPort, hStatusPort);
}

struct KindRow {
    ChannelKind kind;
    LinkResult (*open)(const ChannelParams&, ChannelHandle&, ChannelHandle&);
    LinkResult (*write)(ChannelHandle, ChannelHandle, const void*, int32_t, bool);
    LinkResult (*read)(const LinkLimits&, ChannelHandle, ChannelHandle, void*, int32_t*);
    DeliveryResult (*confirm)(const LinkLimits&, ChannelHandle, ChannelHandle);
    uint64_t (*unconfirmed)(ChannelHandle);
    LinkResult (*close)(ChannelHandle, ChannelHandle);
    void (*abandon)(ChannelHandle, ChannelHandle);
};

// A device's writes are done only once its output queue has drained, so
// nothing written to one is left unconfirmed between writes.
const KindRow kKinds[] = {
    {ChannelKind::None, OpenNone, WriteNone, ReadNone, ConfirmNone, NothingUnconfirmed, CloseNone,
     CloseAnyway<CloseNone>},
    {ChannelKind::Serial, OpenSerialKind, WriteDevice, ReadDevice, ConfirmDevice, NothingUnconfirmed, CloseDevice,
     CloseAnyway<CloseDevice>},
    {ChannelKind::Parallel, OpenParallelKind, WriteDevice, ReadDevice, ConfirmDevice, NothingUnconfirmed,
     CloseDevice, CloseAnyway<CloseDevice>},
    {ChannelKind::Dual, OpenDual, WriteDual, ReadDual, ConfirmDual, NothingUnconfirmed, CloseDual,
     CloseAnyway<CloseDual>},
    {ChannelKind::Queue, OpenQueue, WriteQueue, ReadQueue, ConfirmQueue, NothingUnconfirmed, CloseQueue,
     AbandonQueue},
    {ChannelKind::Tcp, OpenTcp, WriteTcp, ReadTcp, ConfirmTcp, UnconfirmedTcpBytes, CloseTcp,
     CloseAnyway<CloseTcp>},
};

const KindRow& Row(ChannelKind kind)
{
    for (const KindRow& row : kKinds)
        if (row.kind == kind)
            return row;
    return kKinds[0];
}

} // namespace

LinkResult OpenChannels(const ChannelParams& params, ChannelHandle& hPort, ChannelHandle& hStatusPort)
{
    return Row(params.kind).open(params, hPort, hStatusPort);
}

LinkResult WriteChannels(ChannelKind kind, ChannelHandle hPort, ChannelHandle hStatusPort, const void* pBuffer,
                         int32_t nLength, bool bStatusLine)
{
    return Row(kind).write(hPort, hStatusPort, pBuffer, nLength, bStatusLine);
}

LinkResult ReadChannelLine(ChannelKind kind, const LinkLimits& limits, ChannelHandle hPort,
                           ChannelHandle hStatusPort, void* pBuffer, int32_t* pnLength)
{
    return Row(kind).read(limits, hPort, hStatusPort, pBuffer, pnLength);
}

DeliveryResult ConfirmChannels(ChannelKind kind, const LinkLimits& limits, ChannelHandle hPort,
                               ChannelHandle hStatusPort)
{
    return Row(kind).confirm(limits, hPort, hStatusPort);
}

uint64_t UnconfirmedBytes(ChannelKind kind, ChannelHandle hPort)
{
    return Row(kind).unconfirmed(hPort);
}

LinkResult CloseChannels(ChannelKind kind, ChannelHandle hPort, ChannelHandle hStatusPort)
{
    return Row(kind).close(hPort, hStatusPort);
}

void AbandonChannels(ChannelKind kind, ChannelHandle hPort, ChannelHandle hStatusPort)
{
    Row(kind).abandon(hPort, hStatusPort);
}
