// The event report: one JSON object per line, written out as each event
// happens so that a reader following the file sees it at once.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// One JSON object built field by field. Strings are byte strings: each byte
// becomes the code point of the same value (bytes 0x80 to 0xFF as
// \u0080 to \u00ff), so a reader gets the bytes back with Latin-1.
class JsonLine {
public:
    explicit JsonLine(const char* event);
    JsonLine& Add(const char* key, const std::string& value);
    // Without it a literal would pick the bool overload.
    JsonLine& Add(const char* key, const char* value) { return Add(key, std::string(value)); }
    JsonLine& Add(const char* key, uint64_t value);
    JsonLine& Add(const char* key, bool value);
    JsonLine& Add(const char* key, const std::vector<std::string>& values);
    // The object and its newline.
    std::string Text() const { return m_text + "}\n"; }

private:
    void Key(const char* key);
    std::string m_text;
};

std::string JsonString(const std::string& bytes);

class Report {
public:
    Report() = default;
    ~Report();
    Report(const Report&) = delete;
    Report& operator=(const Report&) = delete;

    // Creates or empties FILE. Without a call, events go nowhere.
    int Open(const std::string& path, std::string& error);
    void Emit(const JsonLine& line);

private:
    int m_fd = -1;
};
