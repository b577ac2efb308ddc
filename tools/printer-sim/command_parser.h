// The printer's reading of its input: SOH-framed commands and the file data
// that follows a DT header. Fed bytes as they arrive, in pieces of any size;
// it does no I/O and keeps no more than one header's worth of bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

struct ParserEvent {
    enum Kind {
        kNone,      // the bytes fed so far complete nothing
        kCommand,   // KU, SU, SR or KK, in `name`
        kDtHeader,  // a DT header: `size` bytes of the file `name` follow
        kData,      // `length` bytes of file data at `data`, inside the bytes fed
        kError,     // bytes that are no valid command, described by `name`
    };
    Kind kind = kNone;
    std::string name;
    int32_t size = 0;
    const unsigned char* data = nullptr;
    size_t length = 0;
};

// Longest DT name taken; a longer one is a protocol error rather than a
// reason to hold an unbounded header in memory.
inline constexpr size_t kMaxDtName = 4096;

class CommandParser {
public:
    // Consumes bytes up to the end of the first event they complete, or all
    // of them; returns how many it consumed and the event (kNone if none).
    // Calling again with the rest yields the following events.
    size_t Feed(const unsigned char* p, size_t n, ParserEvent& event);

    // 1 while file data is expected; then DataLeft() bytes remain of it.
    int InData() const { return m_state == State::kData; }
    uint32_t DataLeft() const { return m_dataLeft; }

    // At the end of the stream: 1 if it ended between commands, else 0 and
    // what was cut short.
    int AtEnd(std::string& detail) const;

private:
    enum class State { kIdle, kSkip, kLetter1, kLetter2, kCR, kLF,
                       kDtSize, kDtR, kDtColon, kDtName, kDtLF, kData };

    int Step(unsigned char b, ParserEvent& event);
    void Fail(unsigned char b, const std::string& detail, ParserEvent& event);

    State m_state = State::kIdle;
    char m_letters[2] = {0, 0};
    int m_sizeDigits = 0;
    int64_t m_size = 0;
    std::string m_name;
    uint32_t m_dataLeft = 0;
};
