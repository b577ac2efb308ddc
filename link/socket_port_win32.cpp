// Windows Sockets, started by the application. Sockets are non-blocking so
// that the channel keeps its own deadlines and services paint messages
// while it waits.
#include "link/socket_port.h"

#include "link/deadline.h"
#include "link/error_codes.h"
#include "link/stop_request.h"

// TCP_INFO_v0 and SIO_TCP_INFO come with Windows 10 version 1703; the
// program asks for them and copes where they are not there.
#undef _WIN32_WINNT
#define _WIN32_WINNT 0x0A00
#undef NTDDI_VERSION
#define NTDDI_VERSION 0x0A000003
#include <winsock2.h>
#include <windows.h>
#include <mstcpip.h>

#include <ws2tcpip.h>

#include <chrono>
#include <condition_variable>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace {

// How often a name lookup that is still running looks at the stop request.
constexpr int kLookupSliceMs = 100;

// What the socket keeps of written bytes not yet acknowledged: a bound, so
// that a send's progress follows the peer's.
constexpr int kSendBufferBytes = 64 * 1024;

SOCKET S(SocketHandle h)
{
    return static_cast<SOCKET>(h);
}

} // namespace

int StartSocketLayer()
{
    WSADATA data;
    return WSAStartup(MAKEWORD(1, 1), &data) == 0 ? 1 : 0;
}

int SocketCreate(SocketHandle* phSocket, int32_t* pnError)
{
    SOCKET s = socket(AF_INET, SOCK_STREAM, 0);
    if (s == INVALID_SOCKET) {
        *pnError = WSAGetLastError();
        return 0;
    }
    u_long nonBlocking = 1;
    sockaddr_in any{};
    any.sin_family = AF_INET;
    any.sin_addr.s_addr = htonl(INADDR_ANY);
    setsockopt(s, SOL_SOCKET, SO_SNDBUF, reinterpret_cast<const char*>(&kSendBufferBytes), sizeof kSendBufferBytes);
    if (ioctlsocket(s, FIONBIO, &nonBlocking) != 0 ||
        bind(s, reinterpret_cast<sockaddr*>(&any), sizeof any) != 0) {
        *pnError = WSAGetLastError();
        closesocket(s);
        return 0;
    }
    *phSocket = static_cast<SocketHandle>(s);
    return 1;
}

int SocketResolve(const char* pszHost, uint32_t nWaitMs, uint32_t* pnAddress, int32_t* pnError)
{
    unsigned long dotted = inet_addr(pszHost);
    if (dotted != INADDR_NONE || std::strcmp(pszHost, "255.255.255.255") == 0) {
        *pnAddress = dotted;
        return 1;
    }
    // A name is looked up on a thread of its own, so that a dead name server
    // cannot hold the caller past its limit; a lookup given up on finishes
    // there, with its state kept alive by the thread.
    struct Lookup {
        std::string name;
        std::mutex mutex;
        std::condition_variable done;
        bool finished = false;
        bool found = false;
        uint32_t address = 0;
    };
    auto lookup = std::make_shared<Lookup>();
    lookup->name = pszHost;
    std::thread([lookup] {
        addrinfo hints{};
        hints.ai_family = AF_INET;
        hints.ai_socktype = SOCK_STREAM;
        addrinfo* result = nullptr;
        const bool found = getaddrinfo(lookup->name.c_str(), nullptr, &hints, &result) == 0 && result;
        std::lock_guard<std::mutex> hold(lookup->mutex);
        if (found)
            lookup->address = reinterpret_cast<sockaddr_in*>(result->ai_addr)->sin_addr.s_addr;
        if (result)
            freeaddrinfo(result);
        lookup->found = found;
        lookup->finished = true;
        lookup->done.notify_all();
    }).detach();
    const Deadline deadline(nWaitMs);
    std::unique_lock<std::mutex> hold(lookup->mutex);
    while (!lookup->finished) {
        if (deadline.Expired() || LinkStopRequested())
            return -1;
        lookup->done.wait_for(hold, std::chrono::milliseconds(deadline.SliceMs(kLookupSliceMs)));
    }
    if (!lookup->found) {
        *pnError = kErrorHostUnknown;
        return 0;
    }
    *pnAddress = lookup->address;
    return 1;
}

int SocketConnectStart(SocketHandle hSocket, uint32_t nAddress, uint16_t nPort, int32_t* pnError)
{
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_addr.s_addr = nAddress;
    to.sin_port = htons(nPort);
    if (connect(S(hSocket), reinterpret_cast<sockaddr*>(&to), sizeof to) == 0)
        return 1;
    int error = WSAGetLastError();
    if (error == WSAEWOULDBLOCK || error == WSAEINPROGRESS)
        return 2;
    *pnError = error;
    return 0;
}

int SocketConnectResult(SocketHandle hSocket, int32_t* pnError)
{
    int error = 0;
    int len = sizeof error;
    if (getsockopt(S(hSocket), SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error), &len) != 0) {
        *pnError = WSAGetLastError();
        return 0;
    }
    if (error != 0) {
        *pnError = error;
        return 0;
    }
    return 1;
}

int SocketWait(SocketHandle hSocket, SocketEvent event, int nWaitMs, int32_t* pnError)
{
    fd_set ready;
    fd_set failed;
    FD_ZERO(&ready);
    FD_ZERO(&failed);
    FD_SET(S(hSocket), &ready);
    // A connect that fails is reported among the exceptions, not as
    // writable. Out of band data is an exception too: watched outside a
    // connect, it would wake every wait for a byte that no receive gives.
    const bool connecting = event == SocketEvent::ConnectEnded;
    if (connecting)
        FD_SET(S(hSocket), &failed);
    timeval wait{nWaitMs / 1000, (nWaitMs % 1000) * 1000};
    int r = select(0, event == SocketEvent::Readable ? &ready : nullptr,
                   event == SocketEvent::Readable ? nullptr : &ready, connecting ? &failed : nullptr, &wait);
    if (r == SOCKET_ERROR) {
        *pnError = WSAGetLastError();
        return -1;
    }
    return r > 0 ? 1 : 0;
}

int SocketSendSome(SocketHandle hSocket, const void* pBuffer, int32_t nLength, int32_t* pnSent,
                   int32_t* pnError)
{
    *pnSent = 0;
    int n = send(S(hSocket), static_cast<const char*>(pBuffer), nLength, 0);
    if (n != SOCKET_ERROR) {
        *pnSent = n;
        return 1;
    }
    int error = WSAGetLastError();
    if (error == WSAEWOULDBLOCK)
        return 1;
    *pnError = error;
    return 0;
}

int SocketReceiveByte(SocketHandle hSocket, unsigned char* pByte, int32_t* pnError)
{
    int n = recv(S(hSocket), reinterpret_cast<char*>(pByte), 1, 0);
    if (n == 1)
        return 1;
    if (n == 0)
        return -2;
    int error = WSAGetLastError();
    if (error == WSAEWOULDBLOCK)
        return 0;
    *pnError = error;
    return -1;
}

int SocketEndSending(SocketHandle hSocket, int32_t* pnError)
{
    if (shutdown(S(hSocket), SD_SEND) == 0)
        return 1;
    *pnError = WSAGetLastError();
    return 0;
}

// From the connection's state: Windows counts the bytes in flight, not those
// still in the send buffer, so only once the sending has ended does the
// state say whether everything was acknowledged. Before that nothing is
// known, and the progress a caller counts is what the socket took.
SocketAcks SocketAcknowledged(SocketHandle hSocket, int32_t* pnError)
{
    SocketAcks acks;
    DWORD version = 0;
    TCP_INFO_v0 info{};
    DWORD got = 0;
    if (WSAIoctl(S(hSocket), SIO_TCP_INFO, &version, sizeof version, &info, sizeof info, &got, nullptr, nullptr) !=
        0)
        return acks;
    switch (info.State) {
    case TCPSTATE_FIN_WAIT_2:
    case TCPSTATE_TIME_WAIT:
        acks.known = true;
        return acks;
    case TCPSTATE_FIN_WAIT_1:
    case TCPSTATE_CLOSING:
    case TCPSTATE_LAST_ACK:
        acks.known = true;
        acks.unacknowledged = static_cast<uint64_t>(info.BytesInFlight) + 1;
        return acks;
    case TCPSTATE_CLOSED: {
        int error = 0;
        int length = sizeof error;
        acks.known = true;
        if (getsockopt(S(hSocket), SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error), &length) == 0 &&
            error == 0 && info.BytesInFlight == 0)
            return acks;
        acks.failed = true;
        *pnError = error != 0 ? error : WSAECONNRESET;
        return acks;
    }
    default:
        return acks;
    }
}

void SocketClose(SocketHandle hSocket)
{
    if (hSocket != kNoSocket)
        closesocket(S(hSocket));
}
