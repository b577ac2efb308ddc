#include "tests/support/loopback.h"

#include <winsock2.h>
#include <ws2tcpip.h>

#include <chrono>

namespace {

// The application starts the socket layer; a test program does it here.
struct SocketLayer {
    SocketLayer()
    {
        WSADATA data;
        WSAStartup(MAKEWORD(1, 1), &data);
    }
} g_socketLayer;

sockaddr_in Address(const std::string& host, uint16_t port)
{
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(port);
    a.sin_addr.s_addr = inet_addr(host.c_str());
    return a;
}

bool Readable(SOCKET s, int waitMs)
{
    fd_set set;
    FD_ZERO(&set);
    FD_SET(s, &set);
    timeval wait{waitMs / 1000, (waitMs % 1000) * 1000};
    return select(0, &set, nullptr, nullptr, &wait) > 0;
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
        int n = send(static_cast<SOCKET>(m_socket), bytes.data() + done, static_cast<int>(bytes.size() - done), 0);
        if (n <= 0)
            return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

bool LoopbackPeer::SendUrgent(char byte)
{
    return send(static_cast<SOCKET>(m_socket), &byte, 1, MSG_OOB) == 1;
}

std::string LoopbackPeer::Receive(size_t n, int waitMs)
{
    std::string out;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMs);
    while (out.size() < n) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0 || !Readable(static_cast<SOCKET>(m_socket), static_cast<int>(left.count())))
            break;
        char buf[65536];
        size_t want = n - out.size() < sizeof buf ? n - out.size() : sizeof buf;
        int got = recv(static_cast<SOCKET>(m_socket), buf, static_cast<int>(want), 0);
        if (got <= 0)
            break;
        out.append(buf, static_cast<size_t>(got));
    }
    return out;
}

void LoopbackPeer::Close()
{
    if (m_socket != -1)
        closesocket(static_cast<SOCKET>(m_socket));
    m_socket = -1;
}

LoopbackListener::LoopbackListener(const char* host, uint16_t port, int backlog) : m_host(host)
{
    SOCKET s = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a = Address(m_host, port);
    if (s == INVALID_SOCKET || bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 ||
        listen(s, backlog) != 0) {
        if (s != INVALID_SOCKET)
            closesocket(s);
        return;
    }
    int len = sizeof a;
    getsockname(s, reinterpret_cast<sockaddr*>(&a), &len);
    m_port = ntohs(a.sin_port);
    m_socket = static_cast<intptr_t>(s);
}

LoopbackListener::~LoopbackListener()
{
    for (intptr_t s : m_idle)
        if (s != -1)
            closesocket(static_cast<SOCKET>(s));
    if (m_socket != -1)
        closesocket(static_cast<SOCKET>(m_socket));
}

LoopbackPeer LoopbackListener::Accept(int waitMs)
{
    if (!Readable(static_cast<SOCKET>(m_socket), waitMs))
        return LoopbackPeer();
    SOCKET s = accept(static_cast<SOCKET>(m_socket), nullptr, nullptr);
    return s == INVALID_SOCKET ? LoopbackPeer() : LoopbackPeer(static_cast<intptr_t>(s));
}

bool LoopbackListener::ConnectIdle()
{
    for (intptr_t& idle : m_idle) {
        if (idle != -1)
            continue;
        SOCKET s = socket(AF_INET, SOCK_STREAM, 0);
        u_long nonBlocking = 1;
        ioctlsocket(s, FIONBIO, &nonBlocking);
        sockaddr_in a = Address(m_host, m_port);
        connect(s, reinterpret_cast<sockaddr*>(&a), sizeof a);
        idle = static_cast<intptr_t>(s);
        return true;
    }
    return false;
}
