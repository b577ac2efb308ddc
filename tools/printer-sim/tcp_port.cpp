#include "tools/printer-sim/tcp_port.h"

#include <cerrno>
#include <cstring>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

int SplitAddress(const std::string& address, std::string& host, std::string& port)
{
    size_t colon = address.rfind(':');
    if (colon == std::string::npos || colon + 1 == address.size())
        return 0;
    host = address.substr(0, colon);
    port = address.substr(colon + 1);
    if (host.size() >= 2 && host.front() == '[' && host.back() == ']')
        host = host.substr(1, host.size() - 2);
    return !host.empty();
}

std::string Numeric(const sockaddr_storage& addr, socklen_t length)
{
    char host[NI_MAXHOST];
    char port[NI_MAXSERV];
    if (getnameinfo(reinterpret_cast<const sockaddr*>(&addr), length, host, sizeof host, port,
                    sizeof port, NI_NUMERICHOST | NI_NUMERICSERV) != 0)
        return "?";
    if (addr.ss_family == AF_INET6)
        return std::string("[") + host + "]:" + port;
    return std::string(host) + ":" + port;
}

} // namespace

TcpPort::~TcpPort()
{
    if (m_connection >= 0)
        close(m_connection);
    if (m_listener >= 0)
        close(m_listener);
}

int TcpPort::Listen(const std::string& address, int receiveBuffer, std::string& error)
{
    std::string host, port;
    if (!SplitAddress(address, host, port)) {
        error = "\"" + address + "\" is not HOST:PORT";
        return 0;
    }
    addrinfo hints = {};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_PASSIVE | AI_NUMERICSERV;
    addrinfo* found = nullptr;
    int rc = getaddrinfo(host.c_str(), port.c_str(), &hints, &found);
    if (rc != 0) {
        error = address + ": " + gai_strerror(rc);
        return 0;
    }
    error = address + ": no address to listen on";
    for (addrinfo* ai = found; ai && m_listener < 0; ai = ai->ai_next) {
        int fd = socket(ai->ai_family, ai->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC, ai->ai_protocol);
        if (fd < 0)
            continue;
        int on = 1;
        // A restart must not wait for the last run's connections to time out.
        setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
        if (receiveBuffer > 0)
            setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &receiveBuffer, sizeof receiveBuffer);
        if (bind(fd, ai->ai_addr, ai->ai_addrlen) == 0 && listen(fd, 16) == 0) {
            m_listener = fd;
        } else {
            error = address + ": " + std::strerror(errno);
            close(fd);
        }
    }
    freeaddrinfo(found);
    if (m_listener < 0)
        return 0;
    sockaddr_storage bound = {};
    socklen_t length = sizeof bound;
    getsockname(m_listener, reinterpret_cast<sockaddr*>(&bound), &length);
    m_where = Numeric(bound, length);
    return 1;
}

void TcpPort::IdleWait(pollfd& entry, int64_t, int64_t&)
{
    entry.fd = m_listener;
    entry.events = POLLIN;
}

int TcpPort::Accept(short revents, int64_t)
{
    if (!(revents & POLLIN))
        return 0;
    m_connection = accept4(m_listener, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
    if (m_connection < 0)
        return 0;
    int on = 1;
    // A status line goes out at once, not after the next segment.
    setsockopt(m_connection, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    return 1;
}

int TcpPort::Read(unsigned char* buffer, size_t cap, size_t& got)
{
    got = 0;
    ssize_t n = recv(m_connection, buffer, cap, 0);
    if (n > 0) {
        got = static_cast<size_t>(n);
        return 1;
    }
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR))
        return 1;
    return 0;
}

void TcpPort::Write(const std::string& bytes)
{
    size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = send(m_connection, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return;
        done += static_cast<size_t>(n);
    }
}

int TcpPort::Close(PortClose, std::string&)
{
    if (m_connection >= 0)
        close(m_connection);
    m_connection = -1;
    return 1;
}
