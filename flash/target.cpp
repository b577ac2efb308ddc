#include "flash/target.h"

#include "link/baud_rates.h"
#include "link/host_text.h"

#include <algorithm>
#include <fstream>

namespace {

bool AllDigits(const std::string& s)
{
    return !s.empty() && s.size() <= 9 && std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// "DEVICE" or "DEVICE@BAUD" of a serial line.
bool SerialLine(const std::string& text, std::string& device, uint32_t& baud, std::string& error)
{
    const size_t at = text.rfind('@');
    device = text.substr(0, at);
    baud = kPrinterBaudRates[kDefaultBaudIndex];
    if (at != std::string::npos) {
        const std::string rate = text.substr(at + 1);
        if (!AllDigits(rate) || BaudIndexOf(std::stoull(rate)) < 0) {
            error = "the printer does not take " + rate + " baud (" + BaudRatesText() + ")";
            return false;
        }
        baud = static_cast<uint32_t>(std::stoul(rate));
    }
    if (device.empty()) {
        error = "no serial device";
        return false;
    }
    return true;
}

std::string Trim(const std::string& s)
{
    const size_t first = s.find_first_not_of(" \t\r");
    if (first == std::string::npos)
        return "";
    return s.substr(first, s.find_last_not_of(" \t\r") - first + 1);
}

bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r';
}

// A '#' that begins a word begins a comment.
bool CommentAt(const std::string& line, size_t at)
{
    return at < line.size() && line[at] == '#' && (at == 0 || IsBlank(line[at - 1]));
}

// One line of a targets file: the target, a word in which double quotes
// keep spaces and '#' (queue:"Shipping L11"), then optionally a name, the
// rest of the line or one quoted text. false with the reason.
bool SplitTargetsLine(const std::string& line, std::string& target, std::string& name, std::string& why)
{
    target.clear();
    name.clear();
    size_t i = 0;
    while (i < line.size() && IsBlank(line[i]))
        ++i;
    if (i == line.size() || CommentAt(line, i))
        return true;
    bool quoted = false;
    for (; i < line.size() && (quoted || !IsBlank(line[i])); ++i) {
        if (line[i] == '"')
            quoted = !quoted;
        else
            target += line[i];
    }
    if (quoted) {
        why = "a quote is not closed";
        return false;
    }
    while (i < line.size() && IsBlank(line[i]))
        ++i;
    if (i == line.size() || CommentAt(line, i))
        return true;
    if (line[i] != '"') {
        size_t end = i;
        while (end < line.size() && !CommentAt(line, end))
            ++end;
        name = Trim(line.substr(i, end - i));
        return true;
    }
    const size_t close = line.find('"', i + 1);
    if (close == std::string::npos) {
        why = "a quote is not closed";
        return false;
    }
    name = line.substr(i + 1, close - i - 1);
    size_t after = close + 1;
    while (after < line.size() && IsBlank(line[after]))
        ++after;
    if (after < line.size() && !CommentAt(line, after)) {
        why = "text after the quoted name";
        return false;
    }
    return true;
}

// The file's text, read no further than kMaxTargetsFileBytes, its UTF-8
// byte-order mark dropped. false with the reason when it is too large or is
// UTF-16 (as PowerShell's redirection writes it), which no line of it could
// be read from.
bool ReadTargetsText(std::istream& in, std::string& text, std::string& why)
{
    text.assign(kMaxTargetsFileBytes + 1, '\0');
    in.read(text.data(), static_cast<std::streamsize>(text.size()));
    text.resize(static_cast<size_t>(in.gcount()));
    if (text.size() > kMaxTargetsFileBytes) {
        why = "it is larger than " + std::to_string(kMaxTargetsFileBytes / 1024) + " KiB";
        return false;
    }
    const char* const saveAs = "; save it as UTF-8 or ASCII (in PowerShell: Set-Content -Encoding utf8)";
    if (text.rfind("\xFF\xFE", 0) == 0 || text.rfind("\xFE\xFF", 0) == 0) {
        why = std::string("it is UTF-16 text") + saveAs;
        return false;
    }
    if (text.find('\0') != std::string::npos) {
        why = std::string("it holds NUL bytes, as UTF-16 text without a byte-order mark does") + saveAs;
        return false;
    }
    if (text.rfind("\xEF\xBB\xBF", 0) == 0)
        text.erase(0, 3);
    return true;
}

} // namespace

bool ParseTarget(const std::string& text, Target& target, std::string& error)
{
    const size_t colon = text.find(':');
    const std::string kind = text.substr(0, colon);
    const std::string rest = colon == std::string::npos ? "" : text.substr(colon + 1);
    target = Target{};
    ChannelParams& p = target.params;
    auto bad = [&](const std::string& why) {
        error = "bad target \"" + text + "\": " + why;
        return false;
    };
    if (colon == std::string::npos)
        return bad("it has no kind (tcp:, serial:, parallel:, dual: or queue:)");
    if (kind == "tcp") {
        p.kind = ChannelKind::Tcp;
        const size_t portAt = rest.rfind(':');
        p.host = rest.substr(0, portAt);
        if (portAt != std::string::npos) {
            const std::string port = rest.substr(portAt + 1);
            if (!AllDigits(port) || std::stoul(port) == 0 || std::stoul(port) > 65535)
                return bad("the port is not a number from 1 to 65535");
            p.port = static_cast<uint32_t>(std::stoul(port));
        }
        switch (ReadHostText(p.host)) {
        case HostText::Name:
        case HostText::DottedAddress: break;
        case HostText::AmbiguousNumber:
            return bad("an IPv4 address is four decimal numbers from 0 to 255 without leading zeros; "
                       "010 is refused rather than read, since other programs read it as octal 8");
        case HostText::NotAHost: return bad("no host, or a host that is not a name or an IPv4 address");
        }
        target.text = "tcp:" + p.host + ":" + std::to_string(p.port);
    } else if (kind == "serial") {
        p.kind = ChannelKind::Serial;
        if (!SerialLine(rest, p.serialDevice, p.baud, error))
            return bad(error);
        target.text = "serial:" + p.serialDevice + "@" + std::to_string(p.baud);
    } else if (kind == "parallel") {
        p.kind = ChannelKind::Parallel;
        p.parallelDevice = rest;
        if (rest.empty())
            return bad("no parallel device");
        target.text = "parallel:" + rest;
    } else if (kind == "dual") {
        p.kind = ChannelKind::Dual;
        const size_t plus = rest.find('+');
        if (plus == std::string::npos)
            return bad("it needs SERIAL_DEVICE[@BAUD]+PARALLEL_DEVICE");
        if (!SerialLine(rest.substr(0, plus), p.serialDevice, p.baud, error))
            return bad(error);
        p.parallelDevice = rest.substr(plus + 1);
        if (p.parallelDevice.empty())
            return bad("no parallel device");
        target.text = "dual:" + p.serialDevice + "@" + std::to_string(p.baud) + "+" + p.parallelDevice;
    } else if (kind == "queue") {
        p.kind = ChannelKind::Queue;
        p.queue = rest;
        if (rest.empty())
            return bad("no queue name");
        target.text = "queue:" + rest;
    } else {
        return bad("unknown kind \"" + kind + "\" (tcp, serial, parallel, dual or queue)");
    }
    target.name = target.text;
    return true;
}

bool ReadTargetsFile(const std::string& path, std::vector<Target>& targets, std::string& error)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = "cannot read the targets file " + path;
        return false;
    }
    std::string text, why;
    if (!ReadTargetsText(in, text, why)) {
        error = "the targets file " + path + " is refused: " + why;
        return false;
    }
    size_t start = 0;
    for (int number = 1; start < text.size(); ++number) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        const std::string line = text.substr(start, end - start);
        start = end + 1;
        std::string targetText, name;
        Target target;
        bool read = line.size() <= kMaxTargetsLineBytes;
        if (!read)
            why = "the line is longer than " + std::to_string(kMaxTargetsLineBytes) + " bytes";
        read = read && SplitTargetsLine(line, targetText, name, why) &&
               (targetText.empty() || ParseTarget(targetText, target, why));
        if (!read) {
            error = path + " line " + std::to_string(number) + ": " + why;
            return false;
        }
        if (targetText.empty())
            continue;
        if (!name.empty())
            target.name = name;
        targets.push_back(target);
    }
    return true;
}

