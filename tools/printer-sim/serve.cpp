#include "tools/printer-sim/serve.h"

#include "tools/printer-sim/read_pacer.h"
#include "tools/printer-sim/stop_signals.h"

#include <cerrno>
#include <ctime>
#include <memory>

namespace {

constexpr size_t kReadCap = 65536;

int64_t NowNs()
{
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<int64_t>(ts.tv_sec) * 1'000'000'000 + ts.tv_nsec;
}

enum class LinkState { kIdle, kReading, kAnswering, kStalled };

struct Link {
    Link(Port* p, uint64_t rate) : port(p), pacer(rate) {}

    Port* port;
    ReadPacer pacer;
    std::unique_ptr<Session> session;
    LinkState state = LinkState::kIdle;
    std::vector<unsigned char> pending;   // read but not yet taken
    size_t pendingAt = 0;
    std::string answer;
    int64_t answerAtNs = 0;
};

class Server {
public:
    Server(PrinterState& printer, const ServeOptions& options) : m_printer(printer), m_options(options) {}

    int Run(std::vector<Link>& links, const sigset_t& waitMask, std::string& error);

private:
    void Prepare(Link& link, pollfd& entry, int64_t now, int64_t& wakeNs);
    int Handle(Link& link, short revents, int64_t now, std::string& error);
    int Feed(Link& link, int64_t now, std::string& error);
    int EndConnection(Link& link, int byPrinter, PortClose how, std::string& error);
    int Finished(const std::vector<Link>& links) const;

    PrinterState& m_printer;
    const ServeOptions& m_options;
    unsigned char m_buffer[kReadCap];
};

int Server::Finished(const std::vector<Link>& links) const
{
    if (!m_options.once || !m_printer.finished)
        return 0;
    for (const Link& link : links)
        if (link.state != LinkState::kIdle)
            return 0;
    return 1;
}

void Server::Prepare(Link& link, pollfd& entry, int64_t now, int64_t& wakeNs)
{
    entry = {-1, 0, 0};
    switch (link.state) {
    case LinkState::kIdle:
        // After the last SR or KK of a --once run nothing new is begun.
        if (!(m_options.once && m_printer.finished))
            link.port->IdleWait(entry, now, wakeNs);
        return;
    case LinkState::kReading: {
        int64_t waitNs = 0;
        if (link.pacer.Allowance(now, kReadCap, waitNs) > 0) {
            entry = {link.port->ConnectionFd(), POLLIN, 0};
        } else if (wakeNs < 0 || now + waitNs < wakeNs) {
            wakeNs = now + waitNs;
        }
        return;
    }
    case LinkState::kAnswering:
        // Only a hang-up or error wakes this entry before the answer is due.
        entry = {link.port->ConnectionFd(), 0, 0};
        if (wakeNs < 0 || link.answerAtNs < wakeNs)
            wakeNs = link.answerAtNs;
        return;
    case LinkState::kStalled:
        entry = {link.port->ConnectionFd(), link.port->StallEvents(), 0};
        return;
    }
}

int Server::EndConnection(Link& link, int byPrinter, PortClose how, std::string& error)
{
    // The port first, so that when the report says "disconnect" the line
    // is ready for the next client (a dropped pseudo-terminal is remade).
    int closed = link.port->Close(how, error);
    link.session->End(byPrinter);
    link.session.reset();
    link.pending.clear();
    link.pendingAt = 0;
    link.state = LinkState::kIdle;
    return closed;
}

int Server::Feed(Link& link, int64_t now, std::string& error)
{
    while (link.state == LinkState::kReading && link.pendingAt < link.pending.size()) {
        size_t used = 0;
        SessionStop stop = SessionStop::kNone;
        std::string answer;
        link.session->Feed(link.pending.data() + link.pendingAt, link.pending.size() - link.pendingAt,
                           used, stop, answer);
        link.pendingAt += used;
        switch (stop) {
        case SessionStop::kNone:
            break;
        case SessionStop::kAnswer:
            if (m_options.answerDelayMs <= 0 && m_options.answerPaceMs <= 0) {
                link.port->Write(answer);
            } else {
                link.answer = answer;
                link.answerAtNs = now + m_options.answerDelayMs * 1'000'000;
                link.state = LinkState::kAnswering;
            }
            break;
        case SessionStop::kDrop:
            return EndConnection(link, 1, PortClose::kDrop, error);
        case SessionStop::kStall:
            link.state = LinkState::kStalled;
            link.pending.clear();
            link.pendingAt = 0;
            break;
        }
    }
    if (link.pendingAt >= link.pending.size()) {
        link.pending.clear();
        link.pendingAt = 0;
    }
    return 1;
}

int Server::Handle(Link& link, short revents, int64_t now, std::string& error)
{
    switch (link.state) {
    case LinkState::kIdle:
        if (revents == 0 || !link.port->Accept(revents, now))
            return 1;
        link.session = std::make_unique<Session>(m_printer, link.port->Channel(), m_options.limits);
        link.state = LinkState::kReading;
        if (m_options.refuse)
            return EndConnection(link, 1, PortClose::kDrop, error);
        return 1;
    case LinkState::kReading: {
        if (revents == 0)
            return 1;
        int64_t waitNs = 0;
        size_t allowed = link.pacer.Allowance(now, kReadCap, waitNs);
        if (allowed == 0)
            return 1;
        size_t got = 0;
        if (!link.port->Read(m_buffer, allowed, got))
            return EndConnection(link, 0, PortClose::kClientGone, error);
        if (got == 0)
            return 1;
        link.pacer.Took(got);
        link.pending.assign(m_buffer, m_buffer + got);
        link.pendingAt = 0;
        return Feed(link, now, error);
    }
    case LinkState::kAnswering:
        // A client gone before its answer never gets it; what it sent
        // before going is still read.
        if (revents == 0 && now < link.answerAtNs)
            return 1;
        if (revents == 0 && m_options.answerPaceMs > 0 && link.answer.size() > 1) {
            // A byte now, the next one a pace later.
            link.port->Write(link.answer.substr(0, 1));
            link.answer.erase(0, 1);
            link.answerAtNs = now + m_options.answerPaceMs * 1'000'000;
            return 1;
        }
        if (revents == 0)
            link.port->Write(link.answer);
        link.state = LinkState::kReading;
        return Feed(link, now, error);
    case LinkState::kStalled:
        if (revents == 0)
            return 1;
        return EndConnection(link, 1, PortClose::kAfterStall, error);
    }
    return 1;
}

int Server::Run(std::vector<Link>& links, const sigset_t& waitMask, std::string& error)
{
    std::vector<pollfd> entries(links.size());
    while (!StopRequested() && !Finished(links)) {
        int64_t now = NowNs();
        int64_t wakeNs = -1;
        for (size_t i = 0; i < links.size(); ++i)
            Prepare(links[i], entries[i], now, wakeNs);
        timespec timeout = {0, 0};
        if (wakeNs > now) {
            timeout.tv_sec = (wakeNs - now) / 1'000'000'000;
            timeout.tv_nsec = (wakeNs - now) % 1'000'000'000;
        }
        int ready = ppoll(entries.data(), entries.size(), wakeNs < 0 ? nullptr : &timeout, &waitMask);
        if (ready < 0 && errno != EINTR) {
            error = "wait failed";
            return 0;
        }
        if (ready < 0)
            continue;
        now = NowNs();
        for (size_t i = 0; i < links.size(); ++i)
            if (!Handle(links[i], entries[i].fd < 0 ? 0 : entries[i].revents, now, error))
                return 0;
    }
    for (Link& link : links)
        if (link.state != LinkState::kIdle && !EndConnection(link, 1, PortClose::kShutdown, error))
            return 0;
    return 1;
}

} // namespace

int Serve(const std::vector<Port*>& ports, PrinterState& printer, const ServeOptions& options,
          const sigset_t& waitMask, std::string& error)
{
    std::vector<Link> links;
    links.reserve(ports.size());
    for (Port* port : ports)
        links.emplace_back(port, options.rate);
    auto server = std::make_unique<Server>(printer, options);
    return server->Run(links, waitMask, error);
}
