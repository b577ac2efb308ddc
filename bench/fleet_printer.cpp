// A thousand printers in one process, for the fleet figures: each listens
// on an address of its own (fleet_addresses.h) with a small receive buffer,
// reads at a fixed rate, answers SU as ready, and checks each transfer it
// receives, the whole stream from the first DT header to SR, against the
// digest of the package's stream. One epoll loop and one clock tick serve
// them all, so that the printers cost little beside the sender measured
// (orvi-printer-sim is a process per printer that wakes every few
// milliseconds to pace its reads).
//
// usage: fleet_printer --printers N --rate BYTES_PER_S (0: unpaced)
//          --receive-buffer BYTES (0: the system's) --expect SHA256 --transfers N --seconds S
// Prints "listening" once every printer listens; after the wanted number of
// transfers ended, after S seconds or on SIGTERM, one line
// {"transfers": T, "exact": E, "last_end_ns": NS} (NS on CLOCK_MONOTONIC),
// and exits 0 when T transfers ended and every one was exact.
#include "bench/command_line.h"
#include "bench/fleet_addresses.h"
#include "tools/printer-sim/command_parser.h"
#include "upgrade/sha256.h"

#include <arpa/inet.h>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <ctime>
#include <memory>
#include <netinet/in.h>
#include <sys/epoll.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>
#include <unordered_map>
#include <vector>

namespace {

// Each paced connection reads once a tick what its rate allows since the
// last: a thousand connections cost fifty wake-ups a second, not one each.
constexpr int64_t kTickNs = 20'000'000;
// A connection saves up no more than a few ticks' worth, so a late tick
// costs no rate and an idle one no burst.
constexpr double kBudgetTicks = 5;
constexpr size_t kReadBuffer = 256 * 1024;

volatile std::sig_atomic_t stopRequested = 0;

void RequestStop(int)
{
    stopRequested = 1;
}

int64_t NowNs()
{
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<int64_t>(now.tv_sec) * 1'000'000'000 + now.tv_nsec;
}

struct Connection {
    int fd = -1;
    CommandParser parser;
    Sha256 stream;
    double budget = 0;
    bool readable = false;
    bool transfer = false; // a DT header came
    bool broken = false;   // bytes that are no command came
};

enum class ReadEnd { More, Drained, Closed };

class Fleet {
public:
    Fleet(uint64_t rate, std::string expected) : m_rate(rate), m_expected(std::move(expected)) {}

    bool Listen(int printers, int receiveBuffer);
    void Serve(int transfersWanted, int64_t deadlineNs);
    int Transfers() const { return m_transfers; }
    int Exact() const { return m_exact; }
    int64_t LastEndNs() const { return m_lastEndNs; }

private:
    void Accept(int listener);
    ReadEnd ReadSome(Connection& c, size_t most);
    void Take(Connection& c, const unsigned char* p, size_t n);
    void End(int fd);
    void Tick(int64_t nowNs);

    uint64_t m_rate;
    std::string m_expected;
    int m_epoll = -1;
    std::vector<bool> m_isListener;
    std::unordered_map<int, std::unique_ptr<Connection>> m_connections;
    std::vector<unsigned char> m_buffer = std::vector<unsigned char>(kReadBuffer);
    int64_t m_lastTickNs = 0;
    int m_transfers = 0;
    int m_exact = 0;
    int64_t m_lastEndNs = 0;
};

bool Fleet::Listen(int printers, int receiveBuffer)
{
    m_epoll = ::epoll_create1(EPOLL_CLOEXEC);
    if (m_epoll < 0)
        return false;
    for (int i = 0; i < printers; ++i) {
        const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        sockaddr_in at{};
        at.sin_family = AF_INET;
        at.sin_port = htons(kFleetPort);
        const int on = 1;
        // Before listen, so that the window offered is small from the first
        // segment, as a printer's is.
        if (fd < 0 || ::inet_pton(AF_INET, FleetAddress(i).c_str(), &at.sin_addr) != 1 ||
            ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on) != 0 ||
            (receiveBuffer > 0 &&
             ::setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &receiveBuffer, sizeof receiveBuffer) != 0) ||
            ::bind(fd, reinterpret_cast<sockaddr*>(&at), sizeof at) != 0 || ::listen(fd, 8) != 0) {
            std::perror(("fleet_printer: " + FleetAddress(i)).c_str());
            return false;
        }
        epoll_event watch{};
        watch.events = EPOLLIN;
        watch.data.fd = fd;
        if (::epoll_ctl(m_epoll, EPOLL_CTL_ADD, fd, &watch) != 0)
            return false;
        if (m_isListener.size() <= static_cast<size_t>(fd))
            m_isListener.resize(static_cast<size_t>(fd) + 1);
        m_isListener[static_cast<size_t>(fd)] = true;
    }
    return true;
}

void Fleet::Accept(int listener)
{
    for (;;) {
        const int fd = ::accept4(listener, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (fd < 0)
            return;
        auto c = std::make_unique<Connection>();
        c->fd = fd;
        c->budget = static_cast<double>(m_rate) * kTickNs / 1e9;
        epoll_event watch{};
        // Edge-triggered: a paced connection with bytes waiting must not
        // wake the loop until its tick.
        watch.events = EPOLLIN | EPOLLRDHUP | EPOLLET;
        watch.data.fd = fd;
        if (::epoll_ctl(m_epoll, EPOLL_CTL_ADD, fd, &watch) != 0) {
            ::close(fd);
            continue;
        }
        m_connections[fd] = std::move(c);
    }
}

void Fleet::Take(Connection& c, const unsigned char* p, size_t n)
{
    c.stream.Update(p, n);
    while (n > 0) {
        ParserEvent event;
        const size_t used = c.parser.Feed(p, n, event);
        if (event.kind == ParserEvent::kCommand && event.name == "SU")
            c.broken |= ::send(c.fd, "0\r\n", 3, MSG_NOSIGNAL) != 3;
        c.transfer |= event.kind == ParserEvent::kDtHeader;
        c.broken |= event.kind == ParserEvent::kError || used == 0;
        if (used == 0)
            return;
        p += used;
        n -= used;
    }
}

ReadEnd Fleet::ReadSome(Connection& c, size_t most)
{
    const ssize_t n = ::recv(c.fd, m_buffer.data(), most < m_buffer.size() ? most : m_buffer.size(), 0);
    if (n > 0) {
        Take(c, m_buffer.data(), static_cast<size_t>(n));
        c.budget -= static_cast<double>(n);
        // A short read does not mean drained: the end of the stream may
        // already wait behind it, and its edge has passed.
        return ReadEnd::More;
    }
    if (n < 0 && (errno == EAGAIN || errno == EINTR))
        return ReadEnd::Drained;
    return ReadEnd::Closed;
}

void Fleet::End(int fd)
{
    Connection& c = *m_connections[fd];
    std::string why;
    const bool whole = c.parser.AtEnd(why) != 0;
    const std::string digest = c.stream.FinishHex();
    if (c.transfer) {
        ++m_transfers;
        m_exact += whole && !c.broken && !digest.empty() && digest == m_expected;
        m_lastEndNs = NowNs();
    }
    ::close(fd);
    m_connections.erase(fd);
}

void Fleet::Tick(int64_t nowNs)
{
    const double earned = static_cast<double>(m_rate) * static_cast<double>(nowNs - m_lastTickNs) / 1e9;
    const double most = static_cast<double>(m_rate) * kBudgetTicks * kTickNs / 1e9;
    m_lastTickNs = nowNs;
    std::vector<int> closed;
    for (auto& [fd, c] : m_connections) {
        c->budget = c->budget + earned < most ? c->budget + earned : most;
        if (!c->readable)
            continue;
        ReadEnd end = ReadEnd::More;
        while (end == ReadEnd::More && c->budget >= 1)
            end = ReadSome(*c, static_cast<size_t>(c->budget));
        c->readable = end == ReadEnd::More;
        if (end == ReadEnd::Closed)
            closed.push_back(fd);
    }
    for (int fd : closed)
        End(fd);
}

void Fleet::Serve(int transfersWanted, int64_t deadlineNs)
{
    m_lastTickNs = NowNs();
    std::vector<epoll_event> events(1024);
    while (m_transfers < transfersWanted && !stopRequested) {
        const int64_t nowNs = NowNs();
        if (nowNs >= deadlineNs)
            return;
        const int64_t wakeNs = m_rate ? m_lastTickNs + kTickNs : deadlineNs;
        const int64_t waitMs = wakeNs > nowNs ? (wakeNs - nowNs + 999'999) / 1'000'000 : 0;
        const int n = ::epoll_wait(m_epoll, events.data(), static_cast<int>(events.size()),
                                   static_cast<int>(waitMs < 1000 ? waitMs : 1000));
        for (int i = 0; i < n; ++i) {
            const int fd = events[static_cast<size_t>(i)].data.fd;
            if (static_cast<size_t>(fd) < m_isListener.size() && m_isListener[static_cast<size_t>(fd)]) {
                Accept(fd);
                continue;
            }
            auto found = m_connections.find(fd);
            if (found == m_connections.end())
                continue;
            Connection& c = *found->second;
            c.readable = true;
            if (m_rate)
                continue;
            ReadEnd end = ReadEnd::More;
            while (end == ReadEnd::More)
                end = ReadSome(c, kReadBuffer);
            c.readable = false;
            if (end == ReadEnd::Closed)
                End(fd);
        }
        if (m_rate && NowNs() >= m_lastTickNs + kTickNs)
            Tick(NowNs());
    }
}

// Two descriptors a printer (listener and connection) and a few besides.
bool RaiseDescriptorLimit(int printers)
{
    rlimit limit{};
    const rlim_t needed = static_cast<rlim_t>(2 * printers + 32);
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_max < needed)
        return false;
    limit.rlim_cur = limit.rlim_max;
    return ::setrlimit(RLIMIT_NOFILE, &limit) == 0;
}

} // namespace

int main(int argc, char** argv)
{
    const int printers = static_cast<int>(ArgValue(argc, argv, "--printers", 1));
    const uint64_t rate = ArgValue(argc, argv, "--rate", 0);
    const int receiveBuffer = static_cast<int>(ArgValue(argc, argv, "--receive-buffer", 16384));
    const std::string expected = ArgText(argc, argv, "--expect");
    const int transfers = static_cast<int>(ArgValue(argc, argv, "--transfers", static_cast<uint64_t>(printers)));
    const int64_t seconds = static_cast<int64_t>(ArgValue(argc, argv, "--seconds", 600));
    if (printers < 1 || printers > 60000 || expected.size() != 64) {
        std::fprintf(stderr, "usage: fleet_printer --printers N --rate BYTES_PER_S --receive-buffer BYTES "
                             "--expect SHA256 [--transfers N] [--seconds S]\n");
        return 2;
    }
    if (!RaiseDescriptorLimit(printers)) {
        std::fprintf(stderr, "fleet_printer: %d printers need %d descriptors, more than the hard limit\n",
                     printers, 2 * printers + 32);
        return 1;
    }
    // Without SA_RESTART, so that the signal ends the wait in progress.
    struct sigaction stop {};
    stop.sa_handler = RequestStop;
    ::sigaction(SIGTERM, &stop, nullptr);
    Fleet fleet(rate, expected);
    if (!fleet.Listen(printers, receiveBuffer))
        return 1;
    std::printf("listening\n");
    std::fflush(stdout);
    fleet.Serve(transfers, NowNs() + seconds * 1'000'000'000);
    std::printf("{\"transfers\": %d, \"exact\": %d, \"last_end_ns\": %lld}\n", fleet.Transfers(), fleet.Exact(),
                static_cast<long long>(fleet.LastEndNs()));
    return fleet.Transfers() == transfers && fleet.Exact() == transfers ? 0 : 1;
}
