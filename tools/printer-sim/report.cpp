#include "tools/printer-sim/report.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

std::string JsonString(const std::string& bytes)
{
    std::string out = "\"";
    for (unsigned char b : bytes) {
        if (b == '"' || b == '\\') {
            out += '\\';
            out += static_cast<char>(b);
        } else if (b >= 0x20 && b < 0x7F) {
            out += static_cast<char>(b);
        } else {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", b);
            out += escaped;
        }
    }
    out += '"';
    return out;
}

JsonLine::JsonLine(const char* event)
{
    m_text = "{\"event\":" + JsonString(event);
}

void JsonLine::Key(const char* key)
{
    m_text += ',';
    m_text += JsonString(key);
    m_text += ':';
}

JsonLine& JsonLine::Add(const char* key, const std::string& value)
{
    Key(key);
    m_text += JsonString(value);
    return *this;
}

JsonLine& JsonLine::Add(const char* key, uint64_t value)
{
    Key(key);
    m_text += std::to_string(value);
    return *this;
}

JsonLine& JsonLine::Add(const char* key, bool value)
{
    Key(key);
    m_text += value ? "true" : "false";
    return *this;
}

JsonLine& JsonLine::Add(const char* key, const std::vector<std::string>& values)
{
    Key(key);
    m_text += '[';
    for (size_t i = 0; i < values.size(); ++i) {
        if (i > 0)
            m_text += ',';
        m_text += JsonString(values[i]);
    }
    m_text += ']';
    return *this;
}

Report::~Report()
{
    if (m_fd >= 0)
        close(m_fd);
}

int Report::Open(const std::string& path, std::string& error)
{
    m_fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (m_fd < 0) {
        error = path + ": " + std::strerror(errno);
        return 0;
    }
    return 1;
}

void Report::Emit(const JsonLine& line)
{
    if (m_fd < 0)
        return;
    // One write per line, so a reader never sees half an object unless the
    // disk is full.
    std::string text = line.Text();
    size_t done = 0;
    while (done < text.size()) {
        ssize_t n = write(m_fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return;
        done += static_cast<size_t>(n);
    }
}
