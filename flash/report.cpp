#include "flash/report.h"

#include "flash/human_text.h"
#include "flash/system.h"
#include "upgrade/json_line.h"
#include "upgrade/number_text.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;

std::string Size(uint64_t bytes)
{
    if (bytes >= 1024 * 1024)
        return FormatDecimal(static_cast<double>(bytes) / (1024.0 * 1024.0), 1) + " MiB";
    return FormatDecimal(static_cast<double>(bytes) / 1024.0, 1) + " KiB";
}

struct Running {
    Clock::time_point start;
    uint64_t sent = 0;
    uint64_t total = 0;
    Clock::time_point lastJson;
};

std::string ResultLine(const Target& target, const PrinterResult& r)
{
    std::string line = EscapeControlBytes(target.name) + "  " + OutcomeName(r.outcome);
    if (r.reason.reason != LinkReason::None)
        line += std::string("  ") + LinkReasonName(r.reason.reason);
    const std::string message = EscapeControlBytes(FirstLine(r.message));
    return message.empty() ? line : line + "  " + message;
}

std::string SummaryLine(const std::vector<PrinterResult>& results)
{
    std::map<std::string, int> counts;
    for (const PrinterResult& r : results)
        ++counts[OutcomeName(r.outcome)];
    std::string line;
    for (const auto& [name, n] : counts)
        line += (line.empty() ? "" : ", ") + std::to_string(n) + " " + name;
    return line;
}

// How one style writes; called from the output thread only.
class Style {
public:
    virtual ~Style() = default;
    virtual void Started(size_t) {}
    virtual void Progress(size_t, uint64_t, uint64_t) {}
    virtual void Finished(size_t index, const PrinterResult& result) = 0;
    virtual void Warning(size_t index, const std::string& warning) = 0;
    virtual void Summary(const std::vector<PrinterResult>& results, int exitStatus) = 0;
    // A moment with nothing else to write: a terminal redraws its lines.
    virtual void Idle() {}
};

// Not on a terminal: a line per printer at its outcome, then the counts.
class LinesStyle : public Style {
public:
    LinesStyle(const std::vector<Target>& targets, std::FILE* out, std::FILE* err)
        : m_targets(targets), m_out(out), m_err(err)
    {
    }

    void Finished(size_t i, const PrinterResult& r) override { Write(ResultLine(m_targets[i], r) + "\n"); }

    void Warning(size_t i, const std::string& warning) override
    {
        const std::string who = i == Reporter::kWholeRun ? "" : EscapeControlBytes(m_targets[i].name) + ": ";
        std::fputs(("orvi-flash: warning: " + who + EscapeControlBytes(warning) + "\n").c_str(), m_err);
        std::fflush(m_err);
    }

    void Summary(const std::vector<PrinterResult>& results, int) override { Write(SummaryLine(results) + "\n"); }

protected:
    void Write(const std::string& text)
    {
        std::fputs(text.c_str(), m_out);
        std::fflush(m_out);
    }

    const std::vector<Target>& m_targets;
    std::FILE* m_out;
    std::FILE* m_err;
};

// On a terminal: the running printers' lines below the finished ones,
// redrawn in place a few times a second.
class TerminalStyle : public LinesStyle {
public:
    using LinesStyle::LinesStyle;

    void Started(size_t i) override
    {
        m_running[i].start = Clock::now();
        Draw({}, true);
    }

    void Progress(size_t i, uint64_t sent, uint64_t total) override
    {
        m_running[i].sent = sent;
        m_running[i].total = total;
        Draw({}, false);
    }

    void Finished(size_t i, const PrinterResult& r) override
    {
        m_running.erase(i);
        Draw(ResultLine(m_targets[i], r), true);
    }

    void Summary(const std::vector<PrinterResult>& results, int exitStatus) override
    {
        Draw({}, true);
        LinesStyle::Summary(results, exitStatus);
    }

    void Idle() override { Draw({}, false); }

private:
    std::string RunningLine(size_t i, const Running& r) const
    {
        std::string line = "  " + EscapeControlBytes(m_targets[i].name);
        if (r.total == 0)
            return line + "  ...";
        const double seconds = std::chrono::duration<double>(Clock::now() - r.start).count();
        const double rate = seconds > 0 ? static_cast<double>(r.sent) / seconds : 0;
        line += "  " + Size(r.sent) + " of " + Size(r.total) + "  " + Size(static_cast<uint64_t>(rate)) + "/s";
        if (rate > 0)
            line += "  " + FormatDecimal(static_cast<double>(r.total - r.sent) / rate, 0) + " s left";
        return line;
    }

    // Moves up over the running lines drawn last, writes the finished line
    // (if any) in their place, then the running lines again.
    void Draw(const std::string& finished, bool now)
    {
        const Clock::time_point t = Clock::now();
        if (!now && t - m_lastDraw < std::chrono::milliseconds(200))
            return;
        m_lastDraw = t;
        std::string text;
        if (m_drawn > 0)
            text += "\x1b[" + std::to_string(m_drawn) + "A";
        if (!finished.empty())
            text += "\x1b[2K" + finished + "\n";
        for (const auto& [i, r] : m_running)
            text += "\x1b[2K" + RunningLine(i, r) + "\n";
        text += "\x1b[J";
        m_drawn = static_cast<int>(m_running.size());
        Write(text);
    }

    std::map<size_t, Running> m_running;
    Clock::time_point m_lastDraw;
    int m_drawn = 0;
};

// JSON lines. Field names are part of the interface: never renamed.
class JsonStyle : public Style {
public:
    JsonStyle(const std::vector<Target>& targets, Command command, std::FILE* out)
        : m_targets(targets), m_command(command), m_out(out)
    {
    }

    void Started(size_t i) override { m_running[i].start = Clock::now(); }

    void Progress(size_t i, uint64_t sent, uint64_t total) override
    {
        Running& r = m_running[i];
        const Clock::time_point now = Clock::now();
        if (r.lastJson != Clock::time_point{} && now - r.lastJson < std::chrono::seconds(1))
            return;
        r.lastJson = now;
        const double seconds = std::chrono::duration<double>(now - r.start).count();
        JsonLine line("progress");
        line.Add("target", m_targets[i].text)
            .Add("name", m_targets[i].name)
            .Add("bytes_sent", sent)
            .Add("bytes_total", total)
            .Add("bytes_per_second", seconds > 0 ? static_cast<double>(sent) / seconds : 0.0, 0);
        Write(line);
    }

    void Finished(size_t i, const PrinterResult& r) override
    {
        m_running.erase(i);
        JsonLine line("outcome");
        line.Add("target", m_targets[i].text)
            .Add("name", m_targets[i].name)
            .Add("outcome", OutcomeName(r.outcome))
            .Add("message", r.message);
        if (r.status >= 0)
            line.Add("status", std::string(1, static_cast<char>(r.status)));
        line.Add("bytes_sent", r.bytesSent).Add("bytes_total", r.bytesTotal).Add("firmware_sent", r.firmwareSent);
        line.Add("seconds", r.seconds, 3);
        if (r.reason.reason != LinkReason::None)
            line.Add("reason", LinkReasonName(r.reason.reason)).Add("system_error", static_cast<int64_t>(r.reason.code));
        Write(line);
    }

    void Warning(size_t i, const std::string& warning) override
    {
        ++m_warnings;
        JsonLine line("warning");
        if (i != Reporter::kWholeRun)
            line.Add("target", m_targets[i].text).Add("name", m_targets[i].name);
        line.Add("message", warning);
        Write(line);
    }

    void Summary(const std::vector<PrinterResult>& results, int exitStatus) override
    {
        std::map<std::string, int> counts;
        for (const PrinterResult& r : results)
            ++counts[OutcomeName(r.outcome)];
        JsonLine outcomes;
        for (const auto& [name, n] : counts)
            outcomes.Add(name.c_str(), n);
        JsonLine line("summary");
        line.Add("command", CommandName(m_command))
            .Add("printers", static_cast<uint64_t>(results.size()))
            .Add("outcomes", outcomes)
            .Add("warnings", m_warnings)
            .Add("exit_status", exitStatus);
        Write(line);
    }

private:
    void Write(const JsonLine& line)
    {
        std::fputs(line.Text().c_str(), m_out);
        std::fflush(m_out);
    }

    const std::vector<Target>& m_targets;
    Command m_command;
    std::FILE* m_out;
    std::map<size_t, Running> m_running;
    int m_warnings = 0;
};

// The events of the printers' threads, written by a thread of its own.
class QueuedReporter : public Reporter {
public:
    // How long a stopping run still waits for its output to be written.
    static constexpr std::chrono::milliseconds kStopGrace{2000};
    // How often the printers' progress is written, and the idle redraw.
    static constexpr std::chrono::milliseconds kProgressEvery{100};
    static constexpr std::chrono::milliseconds kIdleEvery{200};

    explicit QueuedReporter(std::unique_ptr<Style> style) : m_style(std::move(style)), m_writer([this] { Write(); }) {}

    ~QueuedReporter() override
    {
        {
            std::lock_guard<std::mutex> hold(m_mutex);
            m_closing = true;
        }
        m_wake.notify_all();
        // A writer stuck on a reader that never reads is left behind: the
        // program ends without it.
        if (m_drained)
            m_writer.join();
        else
            m_writer.detach();
    }

    void Started(size_t i) override
    {
        Post([this, i] { m_style->Started(i); });
    }

    void Progress(size_t i, uint64_t sent, uint64_t total) override
    {
        // No wake: the writer takes the latest figures when they are due,
        // so a printer's every piece costs a lock, not a thread switch.
        std::lock_guard<std::mutex> hold(m_mutex);
        m_progress[i] = {sent, total};
    }

    void Finished(size_t i, const PrinterResult& r) override
    {
        std::lock_guard<std::mutex> hold(m_mutex);
        // Progress posted before the outcome is of no use after it.
        m_progress.erase(i);
        m_events.push_back([this, i, r] { m_style->Finished(i, r); });
        m_wake.notify_all();
    }

    void Warning(size_t i, const std::string& warning) override
    {
        Post([this, i, warning] { m_style->Warning(i, warning); });
    }

    void Summary(const std::vector<PrinterResult>& results, int exitStatus) override
    {
        Post([this, results, exitStatus] { m_style->Summary(results, exitStatus); });
    }

    bool Drain() override
    {
        // A stop asked for gives the output a moment to finish, then gives
        // up on it: a reader that does not read would hold the program.
        std::unique_lock<std::mutex> hold(m_mutex);
        auto graceEnd = std::chrono::steady_clock::time_point::max();
        while (!(m_events.empty() && m_progress.empty() && !m_writing)) {
            const auto now = std::chrono::steady_clock::now();
            if (InterruptRequested() && graceEnd == std::chrono::steady_clock::time_point::max())
                graceEnd = now + kStopGrace;
            if (now >= graceEnd)
                return false;
            m_wake.wait_for(hold, std::chrono::milliseconds(100));
        }
        m_drained = true;
        return true;
    }

private:
    struct Sent {
        uint64_t sent;
        uint64_t total;
    };

    void Post(std::function<void()> event)
    {
        {
            std::lock_guard<std::mutex> hold(m_mutex);
            m_events.push_back(std::move(event));
        }
        m_wake.notify_all();
    }

    void Write()
    {
        std::unique_lock<std::mutex> hold(m_mutex);
        bool noticed = false;
        auto progressDue = std::chrono::steady_clock::now();
        for (;;) {
            // The stop's notice goes out here, where a stalled reader holds
            // nothing but this thread.
            if (!noticed && InterruptRequested()) {
                noticed = true;
                m_events.push_front([] {
                    std::fputs(kStoppingNotice, stderr);
                    std::fflush(stderr);
                });
            }
            if (!m_events.empty()) {
                std::function<void()> event = std::move(m_events.front());
                m_events.pop_front();
                Run(hold, event);
                continue;
            }
            const auto now = std::chrono::steady_clock::now();
            if (!m_progress.empty() && now >= progressDue) {
                std::map<size_t, Sent> due;
                due.swap(m_progress);
                Run(hold, [this, &due] {
                    for (const auto& [i, sent] : due)
                        m_style->Progress(i, sent.sent, sent.total);
                });
                progressDue = now + kProgressEvery;
                continue;
            }
            if (m_closing)
                return;
            m_wake.notify_all();
            const bool idle = m_progress.empty();
            if (m_wake.wait_until(hold, idle ? now + kIdleEvery : progressDue) == std::cv_status::timeout && idle)
                Run(hold, [this] { m_style->Idle(); });
        }
    }

    // Writes without holding the lock, so that the printers never wait on
    // the output.
    void Run(std::unique_lock<std::mutex>& hold, const std::function<void()>& event)
    {
        m_writing = true;
        hold.unlock();
        event();
        hold.lock();
        m_writing = false;
        m_wake.notify_all();
    }

    std::unique_ptr<Style> m_style;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::deque<std::function<void()>> m_events;
    std::map<size_t, Sent> m_progress;
    bool m_writing = false;
    bool m_closing = false;
    bool m_drained = false;
    std::thread m_writer;
};

} // namespace

std::string FirstLine(const std::string& message)
{
    const size_t start = message.find_first_not_of("\r\n");
    if (start == std::string::npos)
        return "";
    return message.substr(start, message.find_first_of("\r\n", start) - start);
}

std::unique_ptr<Reporter> MakeReporter(ReportStyle style, const std::vector<Target>& targets, Command command,
                                       std::FILE* out, std::FILE* err)
{
    std::unique_ptr<Style> writer;
    switch (style) {
    case ReportStyle::Terminal: writer = std::make_unique<TerminalStyle>(targets, out, err); break;
    case ReportStyle::Json: writer = std::make_unique<JsonStyle>(targets, command, out); break;
    case ReportStyle::Lines: writer = std::make_unique<LinesStyle>(targets, out, err); break;
    }
    return std::make_unique<QueuedReporter>(std::move(writer));
}
