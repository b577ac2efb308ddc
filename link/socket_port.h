// The system's side of the TCP channel: non-blocking socket calls that
// never wait longer than they are told, so that the channel can keep its
// deadlines and run the wait hook while it waits.
#pragma once

#include <cstdint>

using SocketHandle = intptr_t;

// Starts the socket layer for the program (1 on success). The program runs
// on whether or not it started.
int StartSocketLayer();

inline constexpr SocketHandle kNoSocket = -1;

// An IPv4 stream socket, non-blocking, bound to any local address and port.
// What it holds of written bytes not yet sent is kept small, so that a
// write's progress follows the peer's and no megabytes wait in the system
// when the peer stops.
int SocketCreate(SocketHandle* phSocket, int32_t* pnError);

// The IPv4 address (network order) of pszHost: a dotted address as it
// stands, else the first address a lookup gives, waiting at most nWaitMs.
// The caller hands over only text that link/host_text.h reads as a name or
// a strict dotted address. 1 found; 0 with *pnError (kErrorHostUnknown
// when the name does not resolve); -1 when the lookup did not finish in
// time.
int SocketResolve(const char* pszHost, uint32_t nWaitMs, uint32_t* pnAddress, int32_t* pnError);

// Starts a connect: 1 connected, 2 in progress, 0 failed with *pnError.
int SocketConnectStart(SocketHandle hSocket, uint32_t nAddress, uint16_t nPort, int32_t* pnError);
// After the socket became writable: 1 connected, 0 failed with *pnError.
int SocketConnectResult(SocketHandle hSocket, int32_t* pnError);

enum class SocketEvent {
    Readable,
    Writable,
    // A connect in progress has ended, made or failed.
    ConnectEnded,
};

// Waits at most nWaitMs for the event: 1 it came, 0 not yet, -1 failed
// with *pnError.
int SocketWait(SocketHandle hSocket, SocketEvent event, int nWaitMs, int32_t* pnError);

// Sends what the system takes now: 1 with *pnSent (0 when it takes
// nothing), 0 failed with *pnError. Never raises a signal.
int SocketSendSome(SocketHandle hSocket, const void* pBuffer, int32_t nLength, int32_t* pnSent,
                   int32_t* pnError);

// Receives at most one byte: 1 a byte, 0 none yet, -1 failed with *pnError,
// -2 the peer closed the connection.
int SocketReceiveByte(SocketHandle hSocket, unsigned char* pByte, int32_t* pnError);

// Ends the sending direction: the peer sees the end of the stream, as a
// close would show it, and the socket stays open to learn what the peer
// acknowledged. 1, or 0 with *pnError.
int SocketEndSending(SocketHandle hSocket, int32_t* pnError);

// What the peer's stack has acknowledged of the bytes written.
struct SocketAcks {
    // Whether the system says: old Windows and Wine do not.
    bool known = false;
    // The peer reset the connection, or it failed; *pnError says why.
    bool failed = false;
    // Written bytes not acknowledged yet; once the sending has ended, the
    // end of the stream counts as one more until it is acknowledged.
    uint64_t unacknowledged = 0;
};
SocketAcks SocketAcknowledged(SocketHandle hSocket, int32_t* pnError);

void SocketClose(SocketHandle hSocket);
