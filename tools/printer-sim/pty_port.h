// A serial or parallel line, played by a pseudo-terminal: the client opens
// the slave side through a symbolic link, the printer serves the master.
//
// The printer holds no slave descriptor of its own, so the client's
// exclusive open and lock work as on a real port. The price is that the
// master reports a hang-up (and reads fail with EIO) whenever no client
// has the slave open; the port then asks again a few milliseconds later
// instead of spinning, and the client's close is the connection's end.
#pragma once

#include "tools/printer-sim/port.h"

class PtyPort : public Port {
public:
    explicit PtyPort(const std::string& channel) : m_channel(channel) {}
    ~PtyPort() override;
    PtyPort(const PtyPort&) = delete;
    PtyPort& operator=(const PtyPort&) = delete;

    // Creates the pseudo-terminal and points LINK at its slave. An
    // existing LINK is replaced only if it is a symbolic link.
    int Create(const std::string& link, std::string& error);

    const std::string& Channel() const override { return m_channel; }
    std::string Where() const override { return m_link + " -> " + m_slaveName; }
    void IdleWait(pollfd& entry, int64_t nowNs, int64_t& wakeNs) override;
    int Accept(short revents, int64_t nowNs) override;
    int ConnectionFd() const override { return m_master; }
    short StallEvents() const override { return 0; }
    int Read(unsigned char* buffer, size_t cap, size_t& got) override;
    void Write(const std::string& bytes) override;
    int Close(PortClose how, std::string& error) override;

private:
    int OpenPair(std::string& error);
    int PointLink(std::string& error);
    void RemoveLink();
    void DiscardUnreadAnswers();

    std::string m_channel;
    std::string m_link;
    std::string m_slaveName;
    int m_master = -1;
    int64_t m_retryNs = 0;
    int m_answered = 0;   // answer bytes went out on this connection
};
