#include "flash/ledger.h"

#include "flash/system.h"
#include "upgrade/json_line.h"
#include "upgrade/number_text.h"

#include <filesystem>
#include <fstream>

namespace {

bool ReadJsonString(const std::string& s, size_t& at, std::string& out)
{
    if (at >= s.size() || s[at] != '"')
        return false;
    out.clear();
    for (++at; at < s.size(); ++at) {
        char c = s[at];
        if (c == '"') {
            ++at;
            return true;
        }
        if (c != '\\') {
            out += c;
            continue;
        }
        if (++at >= s.size())
            return false;
        switch (s[at]) {
        case '"': case '\\': case '/': out += s[at]; break;
        case 'b': out += '\b'; break;
        case 'f': out += '\f'; break;
        case 'n': out += '\n'; break;
        case 'r': out += '\r'; break;
        case 't': out += '\t'; break;
        case 'u': {
            if (at + 4 >= s.size())
                return false;
            unsigned long code = 0;
            for (size_t i = at + 1; i <= at + 4; ++i) {
                if (HexDigit(s[i]) < 0)
                    return false;
                code = code * 16 + static_cast<unsigned long>(HexDigit(s[i]));
            }
            // The lines are byte strings: only code points of one byte.
            if (code > 0xFF)
                return false;
            out += static_cast<char>(code);
            at += 4;
            break;
        }
        default: return false;
        }
    }
    return false;
}

void SkipBlanks(const std::string& s, size_t& at)
{
    while (at < s.size() && (s[at] == ' ' || s[at] == '\t' || s[at] == '\r'))
        ++at;
}

} // namespace

bool ReadFlatJsonObject(const std::string& line, std::map<std::string, std::string>& fields)
{
    size_t at = 0;
    SkipBlanks(line, at);
    if (at >= line.size() || line[at++] != '{')
        return false;
    SkipBlanks(line, at);
    if (at < line.size() && line[at] == '}')
        return true;
    for (;;) {
        std::string key, value;
        SkipBlanks(line, at);
        if (!ReadJsonString(line, at, key))
            return false;
        SkipBlanks(line, at);
        if (at >= line.size() || line[at++] != ':')
            return false;
        SkipBlanks(line, at);
        if (!ReadJsonString(line, at, value))
            return false;
        fields[key] = value;
        SkipBlanks(line, at);
        if (at < line.size() && line[at] == ',') {
            ++at;
            continue;
        }
        if (at < line.size() && line[at] == '}') {
            ++at;
            SkipBlanks(line, at);
            return at == line.size();
        }
        return false;
    }
}

namespace {

// Lines written before printers had an identity are found by their text.
std::string KeyOfText(const std::string& text)
{
    return "text:" + text;
}

} // namespace

LedgerRead Ledger::Load(const std::string& path, std::vector<std::string>& warnings)
{
    std::lock_guard<std::mutex> hold(m_mutex);
    m_path = path;
    m_last.clear();
    m_endsOpen = false;
    std::error_code absent;
    if (!std::filesystem::exists(path, absent))
        return LedgerRead::Missing;
    // A device or a FIFO in its place could be read for ever.
    std::ifstream in(path, std::ios::binary);
    if (!in || !std::filesystem::is_regular_file(path, absent))
        return LedgerRead::Unreadable;
    std::string line;
    for (int number = 1; std::getline(in, line); ++number) {
        // A last line cut short (a disk that filled, a machine that went
        // down) is kept apart from the next one written.
        m_endsOpen = in.eof();
        std::map<std::string, std::string> fields;
        if (line.empty())
            continue;
        if (!ReadFlatJsonObject(line, fields) || fields["target"].empty() || fields["package"].empty() ||
            fields["outcome"].empty()) {
            warnings.push_back("the ledger " + path + " has a damaged line " + std::to_string(number) +
                               "; it is passed over");
            continue;
        }
        const std::string key = fields["printer"].empty() ? KeyOfText(fields["target"]) : fields["printer"];
        m_last[key] = {fields["package"], fields["outcome"]};
    }
    if (in.bad())
        return LedgerRead::Unreadable;
    return LedgerRead::Read;
}

bool Ledger::Writable() const
{
    std::lock_guard<std::mutex> hold(m_mutex);
    return AppendWhole(m_path, "");
}

bool Ledger::AlreadyUpgraded(const Target& target, const std::string& package) const
{
    std::lock_guard<std::mutex> hold(m_mutex);
    auto it = m_last.find(target.identity);
    if (it == m_last.end())
        it = m_last.find(KeyOfText(target.text));
    return it != m_last.end() && it->second.package == package &&
           it->second.outcome == OutcomeName(Outcome::Upgraded);
}

bool Ledger::Record(const Target& target, const std::string& package, Outcome outcome)
{
    std::lock_guard<std::mutex> hold(m_mutex);
    JsonLine line;
    line.Add("target", target.text)
        .Add("printer", target.identity)
        .Add("package", package)
        .Add("outcome", OutcomeName(outcome))
        .Add("time", UtcTimeNow());
    m_last[target.identity] = {package, OutcomeName(outcome)};
    const bool written = AppendWhole(m_path, (m_endsOpen ? "\n" : "") + line.Text());
    // A failed append may have left part of the line behind: the next one
    // begins on a line of its own (an empty line between is passed over).
    m_endsOpen = !written;
    if (!written)
        m_writeFailed = true;
    return written;
}

bool Ledger::WriteFailed() const
{
    std::lock_guard<std::mutex> hold(m_mutex);
    return m_writeFailed;
}
