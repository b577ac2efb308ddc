#include "upgrade/json_line.h"

#include "upgrade/number_text.h"

#include <cstdio>

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
    Add("event", event);
}

void JsonLine::Key(const char* key)
{
    if (!m_fields.empty())
        m_fields += ',';
    m_fields += JsonString(key);
    m_fields += ':';
}

JsonLine& JsonLine::Add(const char* key, const std::string& value)
{
    Key(key);
    m_fields += JsonString(value);
    return *this;
}

JsonLine& JsonLine::Add(const char* key, uint64_t value)
{
    Key(key);
    m_fields += std::to_string(value);
    return *this;
}

JsonLine& JsonLine::Add(const char* key, int64_t value)
{
    Key(key);
    m_fields += std::to_string(value);
    return *this;
}

JsonLine& JsonLine::Add(const char* key, bool value)
{
    Key(key);
    m_fields += value ? "true" : "false";
    return *this;
}

JsonLine& JsonLine::Add(const char* key, double value, int decimals)
{
    Key(key);
    m_fields += FormatDecimal(value, decimals);
    return *this;
}

JsonLine& JsonLine::Add(const char* key, const std::vector<JsonLine>& objects)
{
    Key(key);
    m_fields += '[';
    for (size_t i = 0; i < objects.size(); ++i)
        m_fields += (i > 0 ? "," : "") + objects[i].Object();
    m_fields += ']';
    return *this;
}

JsonLine& JsonLine::Add(const char* key, const std::vector<std::string>& values)
{
    Key(key);
    m_fields += '[';
    for (size_t i = 0; i < values.size(); ++i) {
        if (i > 0)
            m_fields += ',';
        m_fields += JsonString(values[i]);
    }
    m_fields += ']';
    return *this;
}

JsonLine& JsonLine::Add(const char* key, const JsonLine& object)
{
    Key(key);
    m_fields += object.Object();
    return *this;
}
