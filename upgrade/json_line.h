// One JSON object on one line, built field by field in the order the fields
// are added: the form of every machine-readable line the programs write
// (the simulated printer's report, orvi-flash's events, its ledger).
// Strings are byte strings: each byte becomes the code point of the same
// value (bytes 0x80 to 0xFF as \u0080 to \u00ff), so a reader gets the bytes
// back with Latin-1.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class JsonLine {
public:
    JsonLine() = default;
    // An object whose first field is "event".
    explicit JsonLine(const char* event);
    JsonLine& Add(const char* key, const std::string& value);
    // Without it a literal would pick the bool overload.
    JsonLine& Add(const char* key, const char* value) { return Add(key, std::string(value)); }
    JsonLine& Add(const char* key, uint64_t value);
    JsonLine& Add(const char* key, int value) { return Add(key, static_cast<int64_t>(value)); }
    JsonLine& Add(const char* key, int64_t value);
    JsonLine& Add(const char* key, bool value);
    // A number with this many digits after the point.
    JsonLine& Add(const char* key, double value, int decimals);
    JsonLine& Add(const char* key, const std::vector<std::string>& values);
    // An array of objects.
    JsonLine& Add(const char* key, const std::vector<JsonLine>& objects);
    // Another object as the value.
    JsonLine& Add(const char* key, const JsonLine& object);
    // The object alone, and the object with its newline.
    std::string Object() const { return "{" + m_fields + "}"; }
    std::string Text() const { return Object() + "\n"; }

private:
    void Key(const char* key);
    std::string m_fields;
};

std::string JsonString(const std::string& bytes);
