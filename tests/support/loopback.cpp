#include "tests/support/loopback.h"

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

#include <chrono>
#include <random>

namespace {

#ifdef _WIN32
using Socket = SOCKET;
using Length = int;
constexpr int kNoSignal = 0;

// The application starts the socket layer; a test program does it here.
struct SocketLayer {
    SocketLayer()
    {
        WSADATA data;
        WSAStartup(MAKEWORD(1, 1), &data);
    }
} g_socketLayer;

Socket NewSocket(bool nonBlocking)
{
    SOCKET s = socket(AF_INET, SOCK_STREAM, 0);
    u_long on = nonBlocking ? 1 : 0;
    if (s != INVALID_SOCKET && nonBlocking)
        ioctlsocket(s, FIONBIO, &on);
    return s;
}

void CloseSocket(intptr_t s)
{
    closesocket(static_cast<SOCKET>(s));
}

bool Readable(intptr_t s, int waitMs)
{
    fd_set set;
    FD_ZERO(&set);
    FD_SET(static_cast<SOCKET>(s), &set);
    timeval wait{waitMs / 1000, (waitMs % 1000) * 1000};
    return select(0, &set, nullptr, nullptr, &wait) > 0;
}
#else
using Socket = int;
using Length = socklen_t;
constexpr int kNoSignal = MSG_NOSIGNAL;
constexpr int INVALID_SOCKET = -1;

Socket NewSocket(bool nonBlocking)
{
    // Not handed on to the programs a test starts.
    return ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | (nonBlocking ? SOCK_NONBLOCK : 0), 0);
}

void CloseSocket(intptr_t s)
{
    ::close(static_cast<int>(s));
}

bool Readable(intptr_t s, int waitMs)
{
    pollfd pfd{static_cast<int>(s), POLLIN, 0};
    return ::poll(&pfd, 1, waitMs) > 0;
}
#endif

Socket S(intptr_t s)
{
    return static_cast<Socket>(s);
}

sockaddr_in Address(const std::string& host, uint16_t port)
{
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(port);
    a.sin_addr.s_addr = inet_addr(host.c_str());
    return a;
}

} // namespace

LoopbackPeer& LoopbackPeer::operator=(LoopbackPeer&& other) noexcept
{
    if (this != &other) {
        Close();
        m_socket = other.m_socket;
        other.m_socket = -1;
    }
    return *this;
}

bool LoopbackPeer::Send(const std::string& bytes)
{
    size_t done = 0;
    while (done < bytes.size()) {
        auto n = send(S(m_socket), bytes.data() + done, static_cast<int>(bytes.size() - done), kNoSignal);
        if (n <= 0)
            return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

bool LoopbackPeer::SendUrgent(char byte)
{
    return send(S(m_socket), &byte, 1, MSG_OOB | kNoSignal) == 1;
}

std::string LoopbackPeer::Receive(size_t n, int waitMs)
{
    std::string out;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMs);
    while (out.size() < n) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0 || !Readable(m_socket, static_cast<int>(left.count())))
            break;
        char buf[65536];
        size_t want = n - out.size() < sizeof buf ? n - out.size() : sizeof buf;
        auto got = recv(S(m_socket), buf, static_cast<int>(want), 0);
        if (got <= 0)
            break;
        out.append(buf, static_cast<size_t>(got));
    }
    return out;
}

void LoopbackPeer::Close()
{
    if (m_socket != -1)
        CloseSocket(m_socket);
    m_socket = -1;
}

LoopbackListener::LoopbackListener(const char* host, uint16_t port, int backlog) : m_host(host)
{
    Socket s = NewSocket(false);
#ifndef _WIN32
    int on = 1;
    ::setsockopt(s, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
#endif
    sockaddr_in a = Address(m_host, port);
    if (s == INVALID_SOCKET || bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || listen(s, backlog) != 0) {
        if (s != INVALID_SOCKET)
            CloseSocket(static_cast<intptr_t>(s));
        return;
    }
    Length len = sizeof a;
    getsockname(s, reinterpret_cast<sockaddr*>(&a), &len);
    m_port = ntohs(a.sin_port);
    m_socket = static_cast<intptr_t>(s);
}

LoopbackListener::~LoopbackListener()
{
    for (intptr_t s : m_idle)
        if (s != -1)
            CloseSocket(s);
    if (m_socket != -1)
        CloseSocket(m_socket);
}

LoopbackPeer LoopbackListener::Accept(int waitMs)
{
    if (!Readable(m_socket, waitMs))
        return LoopbackPeer();
#ifdef _WIN32
    Socket s = accept(S(m_socket), nullptr, nullptr);
#else
    Socket s = ::accept4(S(m_socket), nullptr, nullptr, SOCK_CLOEXEC);
#endif
    return s == INVALID_SOCKET ? LoopbackPeer() : LoopbackPeer(static_cast<intptr_t>(s));
}

bool LoopbackListener::ConnectIdle()
{
    for (intptr_t& idle : m_idle) {
        if (idle != -1)
            continue;
        Socket s = NewSocket(true);
        sockaddr_in a = Address(m_host, m_port);
        connect(s, reinterpret_cast<sockaddr*>(&a), sizeof a);
        idle = static_cast<intptr_t>(s);
        return true;
    }
    return false;
}

std::string LoopbackAddress(int lastOctet)
{
    static std::random_device seed;
    static const std::string network =
        "127." + std::to_string(1 + seed() % 250) + "." + std::to_string(seed() % 250) + ".";
    return network + std::to_string(lastOctet >= 0 ? lastOctet : 2 + static_cast<int>(seed() % 250));
}
