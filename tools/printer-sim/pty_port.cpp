#include "tools/printer-sim/pty_port.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

namespace {

// How long a port whose slave nobody holds waits before asking again.
constexpr int64_t kRetryNs = 3'000'000;

} // namespace

PtyPort::~PtyPort()
{
    RemoveLink();
    if (m_master >= 0)
        close(m_master);
}

int PtyPort::Create(const std::string& link, std::string& error)
{
    m_link = link;
    struct stat st;
    if (lstat(link.c_str(), &st) == 0 && !S_ISLNK(st.st_mode)) {
        error = link + ": exists and is not a symbolic link";
        return 0;
    }
    return OpenPair(error) && PointLink(error);
}

int PtyPort::OpenPair(std::string& error)
{
    m_master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    char name[PATH_MAX];
    if (m_master < 0 || grantpt(m_master) != 0 || unlockpt(m_master) != 0 ||
        ptsname_r(m_master, name, sizeof name) != 0) {
        error = std::string("pseudo-terminal: ") + std::strerror(errno);
        return 0;
    }
    m_slaveName = name;
    // Raw, so every byte passes unchanged both ways (CR LF, SOH, NUL, 0xFF)
    // and nothing is echoed back. The setting outlives this open.
    int slave = open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    termios raw;
    if (slave < 0 || tcgetattr(slave, &raw) != 0) {
        error = m_slaveName + ": " + std::strerror(errno);
        if (slave >= 0)
            close(slave);
        return 0;
    }
    cfmakeraw(&raw);
    int set = tcsetattr(slave, TCSANOW, &raw) == 0;
    close(slave);
    if (!set) {
        error = m_slaveName + ": " + std::strerror(errno);
        return 0;
    }
    fcntl(m_master, F_SETFL, fcntl(m_master, F_GETFL) | O_NONBLOCK);
    m_retryNs = 0;
    return 1;
}

int PtyPort::PointLink(std::string& error)
{
    // Made beside the link and renamed over it, so a client never finds
    // the link missing or half made.
    std::string side = m_link + ".new" + std::to_string(getpid());
    unlink(side.c_str());
    if (symlink(m_slaveName.c_str(), side.c_str()) != 0 || rename(side.c_str(), m_link.c_str()) != 0) {
        error = m_link + ": " + std::strerror(errno);
        unlink(side.c_str());
        return 0;
    }
    return 1;
}

void PtyPort::RemoveLink()
{
    if (m_link.empty())
        return;
    char target[PATH_MAX];
    ssize_t n = readlink(m_link.c_str(), target, sizeof target - 1);
    // Only our own link: another run may have taken the name over.
    if (n > 0 && std::string(target, static_cast<size_t>(n)) == m_slaveName)
        unlink(m_link.c_str());
}

void PtyPort::IdleWait(pollfd& entry, int64_t nowNs, int64_t& wakeNs)
{
    if (nowNs < m_retryNs) {
        entry.fd = -1;
        if (wakeNs < 0 || m_retryNs < wakeNs)
            wakeNs = m_retryNs;
        return;
    }
    entry.fd = m_master;
    entry.events = POLLIN;
}

int PtyPort::Accept(short revents, int64_t nowNs)
{
    if (revents & POLLIN)
        return 1;
    if (revents & (POLLHUP | POLLERR))
        m_retryNs = nowNs + kRetryNs;
    return 0;
}

int PtyPort::Read(unsigned char* buffer, size_t cap, size_t& got)
{
    got = 0;
    ssize_t n = read(m_master, buffer, cap);
    if (n > 0) {
        got = static_cast<size_t>(n);
        return 1;
    }
    if (n < 0 && (errno == EAGAIN || errno == EINTR))
        return 1;
    // EIO: the last client closed the slave, and all it wrote has been read.
    return 0;
}

void PtyPort::Write(const std::string& bytes)
{
    // Bytes written while nobody holds the slave would wait there for the
    // next client, which a real line never does.
    pollfd probe = {m_master, 0, 0};
    if (poll(&probe, 1, 0) < 0 || (probe.revents & POLLHUP))
        return;
    size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = write(m_master, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        done += static_cast<size_t>(n);
    }
    m_answered = 1;
}

void PtyPort::DiscardUnreadAnswers()
{
    if (!m_answered)
        return;
    m_answered = 0;
    // Answer bytes already moved into the slave's input queue are beyond
    // the reach of a flush on the master; only the slave side can drop
    // them. A plain open, held for an instant: a client that has since
    // opened the line exclusively makes it fail, and then the bytes are
    // that client's to read.
    int slave = open(m_slaveName.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (slave < 0)
        return;
    tcflush(slave, TCIFLUSH);
    close(slave);
}

int PtyPort::Close(PortClose how, std::string& error)
{
    switch (how) {
    case PortClose::kClientGone:
        // Answer bytes the client left unread must not greet the next one.
        tcflush(m_master, TCOFLUSH);
        DiscardUnreadAnswers();
        return 1;
    case PortClose::kAfterStall:
        // Nor may the data the printer never read reach it later.
        tcflush(m_master, TCIOFLUSH);
        DiscardUnreadAnswers();
        return 1;
    case PortClose::kDrop:
        // Closing the master hangs the line up under the client; a new
        // pair behind the same link serves the next exchange.
        close(m_master);
        m_master = -1;
        m_answered = 0;
        return OpenPair(error) && PointLink(error);
    case PortClose::kShutdown:
        return 1;
    }
    return 1;
}
