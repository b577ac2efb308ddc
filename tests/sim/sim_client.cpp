#include "sim_client.h"

#include "link/monotonic_clock.h"

#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <fstream>
#include <iterator>
#include <netinet/in.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <termios.h>
#include <unistd.h>

namespace {

// 1 when fd is readable (or ended) before the deadline.
int WaitReadable(int fd, int64_t deadline)
{
    for (;;) {
        int64_t left = deadline - static_cast<int64_t>(MonotonicMs());
        if (left <= 0)
            return 0;
        pollfd p = {fd, POLLIN, 0};
        int r = poll(&p, 1, static_cast<int>(left));
        if (r > 0)
            return 1;
        if (r < 0 && errno != EINTR)
            return 0;
    }
}

} // namespace

int ConnectTcp(int port, int& fd)
{
    fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return 0;
    sockaddr_in addr = {};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(static_cast<uint16_t>(port));
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
}

int OpenLikeWizard(const std::string& link, int& fd)
{
    fd = open(link.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return 0;
    return ioctl(fd, TIOCEXCL) == 0 && flock(fd, LOCK_EX | LOCK_NB) == 0;
}

int SendAll(int fd, const std::string& bytes)
{
    size_t done = 0;
    while (done < bytes.size()) {
        // send() so a printer that drops the line fails the call instead
        // of killing the test with SIGPIPE.
        ssize_t n = send(fd, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
        if (n < 0 && errno == ENOTSOCK)
            n = write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return 0;
        done += static_cast<size_t>(n);
    }
    return 1;
}

int ReadStatusLine(int fd, std::string& line, int timeoutMs, size_t cap)
{
    line.clear();
    int64_t deadline = static_cast<int64_t>(MonotonicMs()) + timeoutMs;
    while (line.size() < cap) {
        if (!WaitReadable(fd, deadline))
            return 0;
        char c;
        if (read(fd, &c, 1) != 1)
            return 0;
        line += c;
        if (c == '\n')
            return 1;
    }
    return 1;
}

int ReadToEnd(int fd, std::string& bytes, int timeoutMs)
{
    bytes.clear();
    int64_t deadline = static_cast<int64_t>(MonotonicMs()) + timeoutMs;
    for (;;) {
        if (!WaitReadable(fd, deadline))
            return 0;
        char buffer[4096];
        ssize_t n = read(fd, buffer, sizeof buffer);
        // A reset or a hung-up line ends it as surely as an orderly close.
        if (n <= 0)
            return n == 0 || errno == ECONNRESET || errno == EIO;
        bytes.append(buffer, static_cast<size_t>(n));
    }
}


