#include "tests/support/loopback.h"

#include <arpa/inet.h>
#include <chrono>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

sockaddr_in Address(const std::string& host, uint16_t port)
{
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(port);
    ::inet_pton(AF_INET, host.c_str(), &a.sin_addr);
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
        ssize_t n = ::send(static_cast<int>(m_socket), bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
        if (n <= 0)
            return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

bool LoopbackPeer::SendUrgent(char byte)
{
    return ::send(static_cast<int>(m_socket), &byte, 1, MSG_OOB | MSG_NOSIGNAL) == 1;
}

std::string LoopbackPeer::Receive(size_t n, int waitMs)
{
    std::string out;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMs);
    while (out.size() < n) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0)
            break;
        pollfd pfd{static_cast<int>(m_socket), POLLIN, 0};
        if (::poll(&pfd, 1, static_cast<int>(left.count())) <= 0)
            break;
        char buf[65536];
        size_t want = n - out.size() < sizeof buf ? n - out.size() : sizeof buf;
        ssize_t got = ::recv(static_cast<int>(m_socket), buf, want, 0);
        if (got <= 0)
            break;
        out.append(buf, static_cast<size_t>(got));
    }
    return out;
}

void LoopbackPeer::Close()
{
    if (m_socket != -1)
        ::close(static_cast<int>(m_socket));
    m_socket = -1;
}

LoopbackListener::LoopbackListener(const char* host, uint16_t port, int backlog) : m_host(host)
{
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    int on = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in a = Address(m_host, port);
    if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || ::listen(fd, backlog) != 0) {
        if (fd >= 0)
            ::close(fd);
        return;
    }
    socklen_t len = sizeof a;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len);
    m_port = ntohs(a.sin_port);
    m_socket = fd;
}

LoopbackListener::~LoopbackListener()
{
    for (intptr_t s : m_idle)
        if (s != -1)
            ::close(static_cast<int>(s));
    if (m_socket != -1)
        ::close(static_cast<int>(m_socket));
}

LoopbackPeer LoopbackListener::Accept(int waitMs)
{
    pollfd pfd{static_cast<int>(m_socket), POLLIN, 0};
    if (::poll(&pfd, 1, waitMs) <= 0)
        return LoopbackPeer();
    int fd = ::accept4(static_cast<int>(m_socket), nullptr, nullptr, SOCK_CLOEXEC);
    return fd < 0 ? LoopbackPeer() : LoopbackPeer(fd);
}

bool LoopbackListener::ConnectIdle()
{
    for (intptr_t& s : m_idle) {
        if (s != -1)
            continue;
        int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
        sockaddr_in a = Address(m_host, m_port);
        ::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
        s = fd;
        return true;
    }
    return false;
}
