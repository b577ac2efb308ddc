#include "flash/report.h"

#include "flash/human_text.h"
#include "upgrade/json_line.h"

#include <chrono>
#include <map>
#include <mutex>

namespace {

using Clock = std::chrono::steady_clock;

const char* CommandName(Command command)
{
    switch (command) {
    case Command::Status: return "status";
    case Command::ReachOnly: return "status";
    case Command::Upgrade: return "upgrade";
    }
    return "";
}

std::string Size(uint64_t bytes)
{
    char text[32];
    if (bytes >= 1024 * 1024)
        std::snprintf(text, sizeof text, "%.1f MiB", static_cast<double>(bytes) / (1024.0 * 1024.0));
    else
        std::snprintf(text, sizeof text, "%.1f KiB", static_cast<double>(bytes) / 1024.0);
    return text;
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

// Not on a terminal: a line per printer at its outcome, then the counts.
class LinesReporter : public Reporter {
public:
    LinesReporter(const std::vector<Target>& targets, std::FILE* out) : m_targets(targets), m_out(out) {}

    void Finished(size_t i, const PrinterResult& r) override
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        std::fprintf(m_out, "%s\n", ResultLine(m_targets[i], r).c_str());
        std::fflush(m_out);
    }

    void Summary(const std::vector<PrinterResult>& results, int) override
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        std::fprintf(m_out, "%s\n", SummaryLine(results).c_str());
        std::fflush(m_out);
    }

protected:
    const std::vector<Target>& m_targets;
    std::FILE* m_out;
    std::mutex m_mutex;
};

// On a terminal: the running printers' lines below the finished ones,
// redrawn in place a few times a second.
class TerminalReporter : public LinesReporter {
public:
    using LinesReporter::LinesReporter;

    void Started(size_t i) override
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_running[i].start = Clock::now();
        Draw({}, true);
    }

    void Progress(size_t i, uint64_t sent, uint64_t total) override
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_running[i].sent = sent;
        m_running[i].total = total;
        Draw({}, false);
    }

    void Finished(size_t i, const PrinterResult& r) override
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_running.erase(i);
        Draw(ResultLine(m_targets[i], r), true);
    }

    void Summary(const std::vector<PrinterResult>& results, int exitStatus) override
    {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            Draw({}, true);
        }
        LinesReporter::Summary(results, exitStatus);
    }

private:
    std::string RunningLine(size_t i, const Running& r) const
    {
        std::string line = "  " + EscapeControlBytes(m_targets[i].name);
        if (r.total == 0)
            return line + "  ...";
        const double seconds = std::chrono::duration<double>(Clock::now() - r.start).count();
        const double rate = seconds > 0 ? static_cast<double>(r.sent) / seconds : 0;
        line += "  " + Size(r.sent) + " of " + Size(r.total) + "  " + Size(static_cast<uint64_t>(rate)) + "/s";
        if (rate > 0) {
            char left[32];
            std::snprintf(left, sizeof left, "  %.0f s left", static_cast<double>(r.total - r.sent) / rate);
            line += left;
        }
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
        std::fputs(text.c_str(), m_out);
        std::fflush(m_out);
    }

    std::map<size_t, Running> m_running;
    Clock::time_point m_lastDraw;
    int m_drawn = 0;
};

// JSON lines. Field names are part of the interface: never renamed.
class JsonReporter : public Reporter {
public:
    JsonReporter(const std::vector<Target>& targets, Command command, std::FILE* out)
        : m_targets(targets), m_command(command), m_out(out)
    {
    }

    void Started(size_t i) override
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_running[i].start = Clock::now();
    }

    void Progress(size_t i, uint64_t sent, uint64_t total) override
    {
        std::lock_guard<std::mutex> lock(m_mutex);
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
        std::lock_guard<std::mutex> lock(m_mutex);
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
        Write(line);
    }

    void Summary(const std::vector<PrinterResult>& results, int exitStatus) override
    {
        std::lock_guard<std::mutex> lock(m_mutex);
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
    std::mutex m_mutex;
    std::map<size_t, Running> m_running;
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
                                       std::FILE* out)
{
    switch (style) {
    case ReportStyle::Terminal: return std::make_unique<TerminalReporter>(targets, out);
    case ReportStyle::Json: return std::make_unique<JsonReporter>(targets, command, out);
    case ReportStyle::Lines: break;
    }
    return std::make_unique<LinesReporter>(targets, out);
}
