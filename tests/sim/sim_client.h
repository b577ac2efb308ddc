// The client's side of the line, done the way the wizard does it.
#pragma once

#include "upgrade/commands.h"

#include <string>

// A five-byte command as the bytes on the wire.
inline std::string Cmd(const unsigned char (&cmd)[kCommandLength])
{
    return std::string(reinterpret_cast<const char*>(cmd), kCommandLength);
}

// A loopback connection to `port`.
int ConnectTcp(int port, int& fd);
// Opens a pseudo-terminal slave through `link` for one exchange, taking
// the exclusive open and lock the wizard takes.
int OpenLikeWizard(const std::string& link, int& fd);

int SendAll(int fd, const std::string& bytes);
// Reads up to and including LF, or `cap` bytes, as the wizard reads a
// status line.
int ReadStatusLine(int fd, std::string& line, int timeoutMs, size_t cap = 1024);
// Reads until the other side ends the connection.
int ReadToEnd(int fd, std::string& bytes, int timeoutMs);

