#include "link/tcp_channel.h"

#include "link/deadline.h"
#include "link/error_codes.h"
#include "link/host_text.h"
#include "link/monotonic_clock.h"
#include "link/stop_request.h"
#include "link/wait_hook.h"

#include <algorithm>
#include <chrono>
#include <thread>

namespace {

// How often the peer's acknowledgements are looked at while the end of a
// transfer waits for them: at once, then at growing intervals up to this.
constexpr int kAckRecheckMs = 50;

void Fail(int32_t error, int32_t* pnError, int16_t* pbTimedOut)
{
    *pnError = error;
    *pbTimedOut = error == kErrorSocketTimedOut ? 1 : 0;
}

} // namespace

CTimeoutSocket::~CTimeoutSocket()
{
    SocketClose(m_hSocket);
}

int CTimeoutSocket::StartTimer(uint32_t nTimeout)
{
    m_dwStartTick = MonotonicMs();
    m_nTimeout = nTimeout;
    m_bCancelled = false;
    return 1;
}

Deadline CTimeoutSocket::StepDeadline() const
{
    return Deadline(m_dwStartTick, m_nTimeout);
}

bool CTimeoutSocket::OnMessagePending()
{
    m_bStopped = LinkStopRequested();
    if (!m_bStopped && !StepDeadline().Expired() && !(m_wholeLine && m_wholeLine->Expired())) {
        RunWaitHook();
        return false;
    }
    m_bCancelled = true;
    return false;
}

int32_t CTimeoutSocket::CancelledError() const
{
    return m_bStopped ? kErrorStopped : kErrorSocketTimedOut;
}

int CTimeoutSocket::WaitFor(SocketEvent event, int32_t* pnError, bool bOneSlice)
{
    for (;;) {
        // The limit is looked at before every wait, also when the last one
        // found the socket ready: a peer that keeps it ready without letting
        // the call end (a trickle of room, data no receive gives) must not
        // outlast it.
        OnMessagePending();
        if (m_bCancelled) {
            *pnError = CancelledError();
            return 0;
        }
        // One past the limit, so that the wait that ends there finds it
        // passed.
        const int slice = Deadline(m_dwStartTick, m_nTimeout + 1).SliceMs(kWaitHookIntervalMs);
        int r = SocketWait(m_hSocket, event, static_cast<int>(slice), pnError);
        if (r > 0 || (r == 0 && bOneSlice))
            return 1;
        if (r < 0)
            return 0;
    }
}

int CTimeoutSocket::Create(int32_t* pnError)
{
    return SocketCreate(&m_hSocket, pnError);
}

int CTimeoutSocket::Connect(int32_t* pnError)
{
    // Text the system would read as another address than it shows (octal
    // "010") is never looked up.
    const HostText host = ReadHostText(m_strHost);
    if (m_nPort > 0xFFFF || (host != HostText::Name && host != HostText::DottedAddress)) {
        *pnError = kErrorHostUnknown;
        return 0;
    }
    uint32_t address = 0;
    int found = SocketResolve(m_strHost.c_str(), static_cast<uint32_t>(StepDeadline().RemainingMs()), &address,
                              pnError);
    if (found < 0) {
        *pnError = LinkStopRequested() ? kErrorStopped : kErrorSocketTimedOut;
        return 0;
    }
    if (found == 0)
        return 0;
    int started = SocketConnectStart(m_hSocket, address, static_cast<uint16_t>(m_nPort), pnError);
    if (started != 2)
        return started;
    if (!WaitFor(SocketEvent::ConnectEnded, pnError))
        return 0;
    return SocketConnectResult(m_hSocket, pnError);
}

int CTimeoutSocket::Send(const void* pBuffer, int32_t nLength, int32_t* pnError)
{
    const auto* p = static_cast<const unsigned char*>(pBuffer);
    int32_t done = 0;
    while (done < nLength) {
        int32_t sent = 0;
        if (!SocketSendSome(m_hSocket, p + done, nLength - done, &sent, pnError))
            return -1;
        done += sent;
        // The system may take bytes before it would say the socket is
        // writable: try again after every slice of the wait.
        if (done < nLength && !WaitFor(SocketEvent::Writable, pnError, true))
            return -1;
    }
    return nLength;
}

int CTimeoutSocket::Receive(void* pBuffer, int32_t nLength, int32_t* pnError)
{
    if (nLength <= 0)
        return 0;
    for (;;) {
        int r = SocketReceiveByte(m_hSocket, static_cast<unsigned char*>(pBuffer), pnError);
        if (r == 1)
            return 1;
        if (r == -2)
            return 0;
        if (r == -1)
            return -1;
        if (!WaitFor(SocketEvent::Readable, pnError))
            return -1;
    }
}

Delivery CTimeoutSocket::ConfirmDelivery(int32_t* pnError)
{
    // The end of the stream is one more to acknowledge. A printer that has
    // already reset the connection refuses it; then only the data counts.
    int32_t ignored = 0;
    const uint64_t endOfStream = SocketEndSending(m_hSocket, &ignored) ? 1 : 0;
    uint64_t least = UINT64_MAX;
    for (int pause = 1;; pause = std::min(pause * 2, kAckRecheckMs)) {
        const SocketAcks acks = SocketAcknowledged(m_hSocket, pnError);
        if (!acks.known)
            return Delivery::Unconfirmable;
        if (acks.unacknowledged == 0)
            return Delivery::Confirmed;
        // A reset that came once every byte of data was acknowledged (a
        // printer that restarts as soon as it has the upgrade) takes
        // nothing back; one that left bytes unacknowledged lost them.
        if (acks.failed)
            return acks.unacknowledged <= endOfStream ? Delivery::Confirmed : Delivery::Failed;
        if (acks.unacknowledged < least) {
            least = acks.unacknowledged;
            StartTimer(m_nSendTimeout);
            pause = 1;
        }
        OnMessagePending();
        if (m_bCancelled) {
            *pnError = CancelledError();
            return Delivery::Failed;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(pause));
    }
}

uint64_t CTimeoutSocket::Unacknowledged()
{
    int32_t error = 0;
    const SocketAcks acks = SocketAcknowledged(m_hSocket, &error);
    return acks.known ? acks.unacknowledged : 0;
}

ChannelHandle OpenTcpChannel(const char* pszHost, uint32_t nPort, uint32_t nConnectTimeout,
                             uint32_t nSendTimeout, int32_t* pnError, int16_t* pbTimedOut)
{
    auto* socket = new CTimeoutSocket;
    socket->m_strHost = pszHost;
    socket->m_nPort = nPort;
    socket->m_nConnectTimeout = nConnectTimeout;
    socket->m_nSendTimeout = nSendTimeout;
    int32_t error = 0;
    if (!socket->Create(&error)) {
        Fail(error, pnError, pbTimedOut);
        delete socket;
        return InvalidChannel;
    }
    socket->m_nLastError = 0;
    socket->m_bConnected = 0;
    socket->StartTimer(socket->m_nConnectTimeout);
    if (!socket->Connect(&error)) {
        Fail(error, pnError, pbTimedOut);
        delete socket;
        return InvalidChannel;
    }
    socket->m_bConnected = 1;
    return ChannelHandleOf(socket);
}

int32_t SendTcpChannel(ChannelHandle hChannel, const void* pBuffer, int32_t nLength,
                       int32_t* pnError, int16_t* pbTimedOut)
{
    CTimeoutSocket* socket = ChannelObject<CTimeoutSocket>(hChannel);
    if (!socket) {
        Fail(0, pnError, pbTimedOut);
        return 0;
    }
    socket->m_nLastError = 0;
    socket->StartTimer(socket->m_nSendTimeout);
    int32_t error = 0;
    int sent = socket->Send(pBuffer, nLength, &error);
    if (sent >= 0)
        return sent;
    socket->m_nLastError = error;
    Fail(error, pnError, pbTimedOut);
    return 0;
}

int32_t ReceiveTcpChannel(ChannelHandle hChannel, void* pBuffer, int32_t nCapacity,
                          unsigned char cTerminator, int32_t* pnError, int16_t* pbTimedOut, uint32_t nLineLimitMs)
{
    CTimeoutSocket* socket = ChannelObject<CTimeoutSocket>(hChannel);
    if (!socket) {
        Fail(0, pnError, pbTimedOut);
        return 0;
    }
    socket->m_nLastError = 0;
    if (nCapacity <= 0)
        return 0;
    auto* out = static_cast<unsigned char*>(pBuffer);
    if (nLineLimitMs != kNoLineLimit)
        socket->m_wholeLine.emplace(nLineLimitMs);
    // Whatever way the loop ends, the next step has no line's limit.
    struct LineEnds {
        CTimeoutSocket& socket;
        ~LineEnds() { socket.m_wholeLine.reset(); }
    } lineEnds{*socket};
    for (int32_t i = 0; i < nCapacity; ++i) {
        socket->StartTimer(socket->m_nConnectTimeout);
        int32_t error = 0;
        int got = socket->Receive(out + i, 1, &error);
        // A peer that closes mid-line leaves no line to return.
        if (got == 0)
            error = kErrorPeerClosed;
        if (got != 1) {
            socket->m_nLastError = error;
            Fail(error, pnError, pbTimedOut);
            return 0;
        }
        if (out[i] == cTerminator)
            return i;
    }
    return nCapacity;
}

Delivery ConfirmTcpChannel(ChannelHandle hChannel, int32_t* pnError, int16_t* pbTimedOut)
{
    CTimeoutSocket* socket = ChannelObject<CTimeoutSocket>(hChannel);
    if (!socket) {
        Fail(0, pnError, pbTimedOut);
        return Delivery::Failed;
    }
    int32_t error = 0;
    const Delivery delivery = socket->ConfirmDelivery(&error);
    if (delivery == Delivery::Failed) {
        socket->m_nLastError = error;
        Fail(error, pnError, pbTimedOut);
    }
    return delivery;
}

uint64_t UnconfirmedTcpBytes(ChannelHandle hChannel)
{
    CTimeoutSocket* socket = ChannelObject<CTimeoutSocket>(hChannel);
    return socket ? socket->Unacknowledged() : 0;
}

int CloseTcpChannel(ChannelHandle hChannel)
{
    delete ChannelObject<CTimeoutSocket>(hChannel);
    return 1;
}
