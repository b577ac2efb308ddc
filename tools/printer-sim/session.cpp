#include "tools/printer-sim/session.h"

#include <cstdio>

Session::Session(PrinterState& printer, const std::string& channel, const SessionLimits& limits)
    : m_printer(printer), m_channel(channel), m_limits(limits)
{
    JsonLine line("connect");
    Emit(line);
}

void Session::Emit(JsonLine& line)
{
    line.Add("channel", m_channel);
    m_printer.report.Emit(line);
}

SessionStop Session::LimitReached() const
{
    if (m_dataTaken >= m_limits.dropAfter && m_limits.dropAfter <= m_limits.stallAfter)
        return SessionStop::kDrop;
    if (m_dataTaken >= m_limits.stallAfter)
        return SessionStop::kStall;
    return SessionStop::kNone;
}

void Session::Feed(const unsigned char* p, size_t n, size_t& used, SessionStop& stop, std::string& answer)
{
    used = 0;
    stop = SessionStop::kNone;
    uint64_t limit = m_limits.dropAfter < m_limits.stallAfter ? m_limits.dropAfter : m_limits.stallAfter;
    while (used < n) {
        size_t offered = n - used;
        // Data beyond the fault limit is never taken, even from one read.
        if (m_parser.InData() && limit != kNoLimit && limit - m_dataTaken < offered)
            offered = static_cast<size_t>(limit - m_dataTaken);
        if (offered == 0) {
            stop = LimitReached();
            return;
        }
        ParserEvent event;
        used += m_parser.Feed(p + used, offered, event);
        switch (event.kind) {
        case ParserEvent::kNone:
            break;
        case ParserEvent::kCommand:
            OnCommand(event.name, stop, answer);
            if (stop != SessionStop::kNone)
                return;
            break;
        case ParserEvent::kDtHeader: {
            JsonLine line("command");
            line.Add("name", "DT");
            Emit(line);
            BeginFile(event.name, event.size);
            if (event.size == 0)
                FinishFile();
            break;
        }
        case ParserEvent::kData:
            TakeData(event.data, event.length);
            if (!m_parser.InData())
                FinishFile();
            break;
        case ParserEvent::kError: {
            JsonLine line("protocol-error");
            line.Add("detail", event.name);
            Emit(line);
            break;
        }
        }
        if (event.kind == ParserEvent::kDtHeader || event.kind == ParserEvent::kData) {
            stop = LimitReached();
            if (stop != SessionStop::kNone)
                return;
        }
    }
}

void Session::OnCommand(const std::string& name, SessionStop& stop, std::string& answer)
{
    JsonLine line("command");
    line.Add("name", name);
    Emit(line);
    if (name == "KU") {
        m_files.clear();
    } else if (name == "SU") {
        const StatusAnswer& next = m_printer.answers.Next();
        if (!next.silent) {
            answer = next.bytes;
            stop = SessionStop::kAnswer;
        }
    } else if (name == "SR") {
        JsonLine upgrade("upgrade");
        upgrade.Add("files", m_files);
        Emit(upgrade);
        m_files.clear();
        m_printer.finished = 1;
    } else if (name == "KK") {
        JsonLine cancel("cancel");
        Emit(cancel);
        m_files.clear();
        m_printer.finished = 1;
    }
}

void Session::BeginFile(const std::string& name, int32_t size)
{
    m_inFile = 1;
    m_fileName = name;
    m_announced = static_cast<uint64_t>(size);
    m_received = 0;
    m_sha = Sha256();
    // Checked even with nowhere to store, so a run without --out reports
    // the same refusals.
    m_refused = !OutputDir::NameStaysInside(name);
    if (!m_refused && m_printer.out.IsOpen()) {
        std::string error;
        if (!m_printer.out.Create(name, m_file, m_refused, error) && !m_refused)
            std::fprintf(stderr, "orvi-printer-sim: cannot store %s: %s\n", name.c_str(), error.c_str());
    }
    if (m_refused) {
        // The data still arrives and is hashed; it is only never written.
        JsonLine line("protocol-error");
        line.Add("detail", "DT name leaves the output directory: " + name);
        Emit(line);
    }
}

void Session::TakeData(const unsigned char* p, size_t n)
{
    m_dataTaken += n;
    m_received += n;
    m_sha.Update(p, n);
    if (m_file.IsOpen() && !m_file.Write(p, n)) {
        std::fprintf(stderr, "orvi-printer-sim: cannot write %s\n", m_fileName.c_str());
        m_file.Discard();
    }
}

void Session::FinishFile()
{
    int complete = m_received == m_announced;
    int stored = 0;
    if (complete)
        stored = m_file.Commit();
    else
        m_file.Discard();
    JsonLine line("file");
    line.Add("name", m_fileName)
        .Add("announced", m_announced)
        .Add("received", m_received)
        .Add("sha256", m_sha.FinishHex())
        .Add("stored", stored != 0);
    Emit(line);
    if (complete && !m_refused)
        m_files.push_back(m_fileName);
    m_inFile = 0;
}

void Session::End(int byPrinter)
{
    std::string detail;
    if (!m_parser.AtEnd(detail) && !byPrinter) {
        JsonLine line("protocol-error");
        line.Add("detail", detail);
        Emit(line);
    }
    if (m_inFile)
        FinishFile();
    JsonLine line("disconnect");
    Emit(line);
}
