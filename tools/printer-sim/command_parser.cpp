#include "tools/printer-sim/command_parser.h"

#include "upgrade/commands.h"

#include <cstdio>

namespace {

constexpr unsigned char kCR = 0x0D;
constexpr unsigned char kLF = 0x0A;

// A byte as it reads in a message: itself when printable, else \xHH.
std::string Shown(unsigned char b)
{
    if (b >= 0x20 && b < 0x7F)
        return std::string(1, static_cast<char>(b));
    char text[8];
    std::snprintf(text, sizeof text, "\\x%02X", b);
    return text;
}

int IsFixedCommand(char a, char b)
{
    return (a == 'K' && b == 'U') || (a == 'S' && b == 'U') ||
           (a == 'S' && b == 'R') || (a == 'K' && b == 'K');
}

} // namespace

size_t CommandParser::Feed(const unsigned char* p, size_t n, ParserEvent& event)
{
    event = ParserEvent();
    size_t used = 0;
    while (used < n) {
        if (m_state == State::kData) {
            size_t take = n - used < m_dataLeft ? n - used : m_dataLeft;
            event.kind = ParserEvent::kData;
            event.data = p + used;
            event.length = take;
            m_dataLeft -= static_cast<uint32_t>(take);
            if (m_dataLeft == 0)
                m_state = State::kIdle;
            return used + take;
        }
        int done = Step(p[used], event);
        ++used;
        if (done)
            return used;
    }
    return used;
}

void CommandParser::Fail(unsigned char b, const std::string& detail, ParserEvent& event)
{
    event.kind = ParserEvent::kError;
    event.name = detail;
    // The byte that broke a command may itself begin the next one.
    m_state = b == kSOH ? State::kLetter1 : State::kSkip;
}

int CommandParser::Step(unsigned char b, ParserEvent& event)
{
    switch (m_state) {
    case State::kIdle:
        if (b == kSOH) {
            m_state = State::kLetter1;
            return 0;
        }
        // One report for a run of stray bytes, not one per byte.
        event.kind = ParserEvent::kError;
        event.name = "byte " + Shown(b) + " outside a command";
        m_state = State::kSkip;
        return 1;
    case State::kSkip:
        if (b == kSOH)
            m_state = State::kLetter1;
        return 0;
    case State::kLetter1:
        if (b == kSOH) {
            Fail(b, "SOH with no command letters", event);
            return 1;
        }
        m_letters[0] = static_cast<char>(b);
        m_state = State::kLetter2;
        return 0;
    case State::kLetter2:
        m_letters[1] = static_cast<char>(b);
        if (IsFixedCommand(m_letters[0], m_letters[1])) {
            m_state = State::kCR;
        } else if (m_letters[0] == 'D' && m_letters[1] == 'T') {
            m_sizeDigits = 0;
            m_size = 0;
            m_name.clear();
            m_state = State::kDtSize;
        } else {
            Fail(b, "unknown command " + Shown(static_cast<unsigned char>(m_letters[0])) + Shown(b), event);
            return 1;
        }
        return 0;
    case State::kCR:
        if (b != kCR) {
            Fail(b, std::string(m_letters, 2) + " not ended by CR LF", event);
            return 1;
        }
        m_state = State::kLF;
        return 0;
    case State::kLF:
        if (b != kLF) {
            Fail(b, std::string(m_letters, 2) + " not ended by CR LF", event);
            return 1;
        }
        event.kind = ParserEvent::kCommand;
        event.name.assign(m_letters, 2);
        m_state = State::kIdle;
        return 1;
    case State::kDtSize:
        if (b >= '0' && b <= '9') {
            if (m_sizeDigits == 1 && m_size == 0) {
                Fail(b, "DT size has a leading zero", event);
                return 1;
            }
            m_size = m_size * 10 + (b - '0');
            ++m_sizeDigits;
            if (m_size > kLargestAnnouncedSize) {
                Fail(b, "DT size is larger than " + std::to_string(kLargestAnnouncedSize), event);
                return 1;
            }
            return 0;
        }
        if (b == ',' && m_sizeDigits > 0) {
            m_state = State::kDtR;
            return 0;
        }
        Fail(b, "DT size is not a plain decimal number followed by \",R:\"", event);
        return 1;
    case State::kDtR:
    case State::kDtColon: {
        unsigned char want = m_state == State::kDtR ? 'R' : ':';
        if (b != want) {
            Fail(b, "DT size is not followed by \",R:\"", event);
            return 1;
        }
        m_state = m_state == State::kDtR ? State::kDtColon : State::kDtName;
        return 0;
    }
    case State::kDtName:
        if (b == kCR) {
            m_state = State::kDtLF;
            return 0;
        }
        if (b == kLF) {
            Fail(b, "DT header ended by LF without CR", event);
            return 1;
        }
        if (m_name.size() >= kMaxDtName) {
            Fail(b, "DT name longer than " + std::to_string(kMaxDtName) + " bytes", event);
            return 1;
        }
        m_name += static_cast<char>(b);
        return 0;
    case State::kDtLF:
        if (b != kLF) {
            Fail(b, "DT header's CR not followed by LF", event);
            return 1;
        }
        event.kind = ParserEvent::kDtHeader;
        event.size = static_cast<int32_t>(m_size);
        event.name = m_name;
        m_dataLeft = static_cast<uint32_t>(m_size);
        m_state = m_dataLeft > 0 ? State::kData : State::kIdle;
        return 1;
    case State::kData:
        break;
    }
    return 0;
}

int CommandParser::AtEnd(std::string& detail) const
{
    switch (m_state) {
    case State::kIdle:
    case State::kSkip:
        return 1;
    case State::kData:
        detail = "stream ended " + std::to_string(m_dataLeft) + " bytes short of the DT's announced size";
        return 0;
    default:
        detail = "stream ended inside a command";
        return 0;
    }
}
