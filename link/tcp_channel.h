// The TCP channel: one connection to the printer's network interface, with
// a time limit on every step that could otherwise wait for ever.
#pragma once

#include "link/channel.h"
#include "link/deadline.h"
#include "link/link_limits.h"
#include "link/printer_port.h"
#include "link/socket_port.h"

#include <cstdint>
#include <optional>
#include <string>

// A socket whose blocking calls give up when their armed limit has passed.
// The channel handle is the address of one of these.
class CTimeoutSocket {
public:
    CTimeoutSocket() = default;
    virtual ~CTimeoutSocket();
    CTimeoutSocket(const CTimeoutSocket&) = delete;
    CTimeoutSocket& operator=(const CTimeoutSocket&) = delete;

    // Arms the limit of the next blocking call. Returns 1.
    int StartTimer(uint32_t nTimeout);

    // Consulted at least every 100 ms while a call waits: runs the wait
    // hook while the limit holds, and cancels the call once it has passed.
    // Returns false, as there is nothing for the caller to stop for.
    virtual bool OnMessagePending();

    // The blocking calls. Create and Connect return 1 or 0; Send returns
    // the length or -1; Receive the count, 0 when the peer closed, or -1.
    // On failure *pnError holds the error, kErrorSocketTimedOut when the
    // limit ended the call.
    int Create(int32_t* pnError);
    int Connect(int32_t* pnError);
    int Send(const void* pBuffer, int32_t nLength, int32_t* pnError);
    int Receive(void* pBuffer, int32_t nLength, int32_t* pnError);
    // Ends the sending and waits until the peer has acknowledged every byte
    // and the end of the stream; the armed limit is renewed whenever the
    // peer acknowledges more.
    Delivery ConfirmDelivery(int32_t* pnError);
    // Written bytes the peer has not acknowledged yet; 0 when the system
    // does not say.
    uint64_t Unacknowledged();

    // Why the last cancelled call was cancelled: its limit
    // (kErrorSocketTimedOut), or the program's stop (kErrorStopped).
    int32_t CancelledError() const;
    // The armed limit of the current call.
    Deadline StepDeadline() const;

    std::string m_strHost;
    uint32_t m_nPort = 0;
    uint32_t m_nConnectTimeout = 0;
    uint32_t m_nSendTimeout = 0;
    int32_t m_nLastError = 0;
    int32_t m_bConnected = 0;
    // Monotonic milliseconds: no counter wrap can shorten or stretch a wait.
    uint64_t m_dwStartTick = 0;
    uint32_t m_nTimeout = 0;
    // While a line is received: the whole line's limit.
    std::optional<Deadline> m_wholeLine;

private:
    // Waits for the event within the armed limit. 1 it came; 0 cancelled
    // or failed. With bOneSlice, 1 also when one slice of the wait passed
    // without it, for a caller that then tries again.
    int WaitFor(SocketEvent event, int32_t* pnError, bool bOneSlice = false);

    SocketHandle m_hSocket = kNoSocket;
    bool m_bCancelled = false;
    bool m_bStopped = false;
};

// Connects to host:port. Returns the channel, or InvalidChannel with the
// error and whether the connect ran out of time.
ChannelHandle OpenTcpChannel(const char* pszHost, uint32_t nPort, uint32_t nConnectTimeout,
                             uint32_t nSendTimeout, int32_t* pnError, int16_t* pbTimedOut);

// Sends the whole buffer within the send timeout. Returns nLength, or 0 on
// failure (so a zero-length send returns 0 and has succeeded).
int32_t SendTcpChannel(ChannelHandle hChannel, const void* pBuffer, int32_t nLength,
                       int32_t* pnError, int16_t* pbTimedOut);

// Receives up to and including cTerminator, one byte per step, each step
// within the connect timeout, and the whole line within nLineLimitMs.
// Returns the bytes before the terminator, the capacity when the buffer
// filled first, or 0 on failure (a peer that closes mid-line included). The
// buffer is not NUL-terminated.
int32_t ReceiveTcpChannel(ChannelHandle hChannel, void* pBuffer, int32_t nCapacity,
                          unsigned char cTerminator, int32_t* pnError, int16_t* pbTimedOut,
                          uint32_t nLineLimitMs = kNoLineLimit);

// After the last send: whether the printer's stack has acknowledged every
// byte and the end of the stream, waiting while it keeps acknowledging more
// and at most the send timeout without progress. Failed with the error (and
// whether the limit ended it), or when the printer reset the connection.
Delivery ConfirmTcpChannel(ChannelHandle hChannel, int32_t* pnError, int16_t* pbTimedOut);

// Bytes sent on the channel that the printer has not acknowledged yet; 0
// when the system does not say.
uint64_t UnconfirmedTcpBytes(ChannelHandle hChannel);

// Closes and frees the channel; nothing for InvalidChannel or null. Returns 1.
int CloseTcpChannel(ChannelHandle hChannel);
