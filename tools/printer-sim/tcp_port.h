// The printer's network interface: a listening socket that serves one
// connection after another, as the client opens one per exchange.
#pragma once

#include "tools/printer-sim/port.h"

class TcpPort : public Port {
public:
    TcpPort() = default;
    ~TcpPort() override;
    TcpPort(const TcpPort&) = delete;
    TcpPort& operator=(const TcpPort&) = delete;

    // HOST:PORT, HOST a name or address ("[::1]" for IPv6); PORT 0 takes a
    // free port, which Where() then gives. A receiveBuffer above 0 sets the
    // connections' receive buffer (before listening, so that the window
    // offered to a client is small from its first segment).
    int Listen(const std::string& address, int receiveBuffer, std::string& error);

    const std::string& Channel() const override { return m_channel; }
    std::string Where() const override { return m_where; }
    void IdleWait(pollfd& entry, int64_t nowNs, int64_t& wakeNs) override;
    int Accept(short revents, int64_t nowNs) override;
    int ConnectionFd() const override { return m_connection; }
    short StallEvents() const override { return POLLRDHUP; }
    int Read(unsigned char* buffer, size_t cap, size_t& got) override;
    void Write(const std::string& bytes) override;
    int Close(PortClose how, std::string& error) override;

private:
    std::string m_channel = "tcp";
    std::string m_where;
    int m_listener = -1;
    int m_connection = -1;
};
