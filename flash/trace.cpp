#include "flash/trace.h"

#include "flash/human_text.h"
#include "flash/system.h"
#include "upgrade/number_text.h"

#include <set>

namespace {

std::string PlainName(const std::string& target)
{
    std::string name = target;
    for (char& c : name) {
        const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' ||
                           c == '-' || c == '_';
        if (!plain)
            c = '_';
    }
    return name;
}

} // namespace

std::vector<std::string> TraceFileNames(const std::vector<std::string>& targets)
{
    std::vector<std::string> names;
    std::set<std::string> taken;
    for (const std::string& target : targets) {
        const std::string plain = PlainName(target);
        std::string name = plain + ".trace";
        for (int n = 2; !taken.insert(name).second; ++n)
            name = plain + "-" + std::to_string(n) + ".trace";
        names.push_back(name);
    }
    return names;
}

bool TraceFile::Open(const std::string& folder, const std::string& fileName, const std::string& header)
{
    m_file.reset(OpenTraceForAppend(folder + "/" + fileName));
    m_start = std::chrono::steady_clock::now();
    if (m_file)
        Line(header);
    return m_file != nullptr;
}

void TraceFile::Line(const std::string& text)
{
    if (!m_file)
        return;
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - m_start).count();
    std::string stamp = FormatDecimal(seconds, 3);
    if (stamp.size() < 10)
        stamp.insert(0, 10 - stamp.size(), ' ');
    std::fprintf(m_file.get(), "%s %s\n", stamp.c_str(), EscapeControlBytes(text).c_str());
    std::fflush(m_file.get());
}

void TraceFile::Note(const std::string& what)
{
    Line(what);
}

void TraceFile::Bytes(char direction, const void* pBytes, int32_t n)
{
    std::string text(1, direction);
    const auto* p = static_cast<const unsigned char*>(pBytes);
    char hex[4];
    for (int32_t i = 0; i < n; ++i) {
        std::snprintf(hex, sizeof hex, " %02X", p[i]);
        text += hex;
    }
    // The printable bytes beside, for reading at a glance.
    text += "  |";
    for (int32_t i = 0; i < n; ++i)
        text += p[i] >= 0x20 && p[i] < 0x7F ? static_cast<char>(p[i]) : '.';
    Line(text + "|");
}

void TraceFile::FileStarted(const std::string& name, int32_t size)
{
    Line("file " + name + ", " + std::to_string(size) + " bytes announced");
}

void TraceFile::FileEnded(const std::string& name, uint64_t bytes, const std::string& sha256)
{
    Line("data of " + name + ": " + std::to_string(bytes) + " bytes sent, sha256 " + sha256);
}
