// A place the printer is reached through, as the serving loop sees it: it
// waits for a connection, then carries bytes both ways until the
// connection ends. The loop does all waiting in one ppoll over every port.
#pragma once

#include <cstddef>
#include <cstdint>
#include <poll.h>
#include <string>

enum class PortClose {
    kClientGone,   // the client closed; everything it sent has been read
    kAfterStall,   // the client closed while the printer read nothing
    kDrop,         // the printer cuts the connection (a fault)
    kShutdown,     // the program ends
};

class Port {
public:
    virtual ~Port() = default;

    // The channel name events carry: "tcp", "pty", "serial", "parallel".
    virtual const std::string& Channel() const = 0;
    // Where it listens, as the start line says it.
    virtual std::string Where() const = 0;

    // With no connection: what to wait on, or fd -1 and a time to ask again
    // in `wakeNs` (monotonic), left alone when there is none.
    virtual void IdleWait(pollfd& entry, int64_t nowNs, int64_t& wakeNs) = 0;
    // After the wait reported `revents` on that entry: 1 when a connection
    // has begun.
    virtual int Accept(short revents, int64_t nowNs) = 0;

    virtual int ConnectionFd() const = 0;
    // What to wait for, without reading, to learn that a stalled
    // connection's client has gone.
    virtual short StallEvents() const = 0;
    // 1 with the bytes read now (`got` may be 0); 0 when the connection
    // has ended.
    virtual int Read(unsigned char* buffer, size_t cap, size_t& got) = 0;
    // Best effort: an answer to a client that has gone is lost, as on a line.
    virtual void Write(const std::string& bytes) = 0;
    // Ends the connection. 0 with `error` when the port cannot go on.
    virtual int Close(PortClose how, std::string& error) = 0;
};
