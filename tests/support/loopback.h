// The printer's end of a loopback TCP connection, for tests of the TCP
// channel: a real listening socket and the connections it accepts.
#pragma once

#include <cstdint>
#include <string>

// An address of the loopback network no other test program uses at once
// (the network is drawn once per program), ending in lastOctet, or in one
// drawn afresh when it is -1; port 2864 is free on it.
std::string LoopbackAddress(int lastOctet = -1);

class LoopbackPeer {
public:
    LoopbackPeer() = default;
    explicit LoopbackPeer(intptr_t socket) : m_socket(socket) {}
    LoopbackPeer(LoopbackPeer&& other) noexcept : m_socket(other.m_socket) { other.m_socket = -1; }
    LoopbackPeer& operator=(LoopbackPeer&& other) noexcept;
    ~LoopbackPeer() { Close(); }

    bool Valid() const { return m_socket != -1; }
    bool Send(const std::string& bytes);
    // Sends one byte out of band (TCP urgent data).
    bool SendUrgent(char byte);
    // Reads until n bytes came, the peer closed, or waitMs passed.
    std::string Receive(size_t n, int waitMs);
    // Stops reading: data sent to this peer piles up in the kernel.
    void Close();

private:
    intptr_t m_socket = -1;
};

class LoopbackListener {
public:
    // Listens on host:port (port 0: any free port) with the given backlog.
    explicit LoopbackListener(const char* host = "127.0.0.1", uint16_t port = 0, int backlog = 8);
    ~LoopbackListener();
    LoopbackListener(const LoopbackListener&) = delete;
    LoopbackListener& operator=(const LoopbackListener&) = delete;

    bool Valid() const { return m_socket != -1; }
    uint16_t Port() const { return m_port; }
    // The next connection, or an invalid peer after waitMs.
    LoopbackPeer Accept(int waitMs);
    // Connects to this listener without accepting, to fill its backlog.
    bool ConnectIdle();

private:
    intptr_t m_socket = -1;
    uint16_t m_port = 0;
    std::string m_host;
    intptr_t m_idle[8] = {-1, -1, -1, -1, -1, -1, -1, -1};
};
