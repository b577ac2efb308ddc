#include "tools/printer-sim/status_answers.h"

#include "upgrade/number_text.h"

namespace {

int ParseOne(const std::string& item, StatusAnswer& answer, std::string& error)
{
    answer = StatusAnswer();
    if (item.size() == 1 && item[0] >= '0' && item[0] <= '4') {
        answer.bytes = item + "\r\n";
        return 1;
    }
    if (item == "junk") {
        answer.bytes = "junk\r\n";
        return 1;
    }
    if (item == "lf") {
        answer.bytes = "\n";
        return 1;
    }
    if (item == "nolf") {
        // A full 1024-byte read with no LF; its first byte still says ready.
        answer.bytes.assign(1024, '0');
        return 1;
    }
    if (item == "none") {
        answer.silent = 1;
        return 1;
    }
    if (item.rfind("text:", 0) == 0) {
        std::string why;
        if (DecodeCEscapes(item.substr(5), answer.bytes, why))
            return 1;
        error = "\"" + item + "\": " + why;
        return 0;
    }
    error = "\"" + item + "\" is not 0 to 4, junk, lf, nolf, none or text:BYTES";
    return 0;
}

} // namespace

int DecodeCEscapes(const std::string& text, std::string& bytes, std::string& error)
{
    bytes.clear();
    for (size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c != '\\') {
            bytes += c;
            continue;
        }
        if (++i == text.size()) {
            error = "a backslash ends the text";
            return 0;
        }
        c = text[i];
        switch (c) {
        case 'a': bytes += '\a'; break;
        case 'b': bytes += '\b'; break;
        case 'e': bytes += '\x1b'; break;
        case 'f': bytes += '\f'; break;
        case 'n': bytes += '\n'; break;
        case 'r': bytes += '\r'; break;
        case 't': bytes += '\t'; break;
        case 'v': bytes += '\v'; break;
        case '\\': case '\'': case '"': case '?': bytes += c; break;
        case 'x': {
            int value = 0, digits = 0;
            while (digits < 2 && i + 1 < text.size() && HexDigit(text[i + 1]) >= 0) {
                value = value * 16 + HexDigit(text[++i]);
                ++digits;
            }
            if (digits == 0) {
                error = "\\x without hex digits";
                return 0;
            }
            bytes += static_cast<char>(value);
            break;
        }
        default:
            if (c >= '0' && c <= '7') {
                int value = c - '0', digits = 1;
                while (digits < 3 && i + 1 < text.size() && text[i + 1] >= '0' && text[i + 1] <= '7') {
                    value = value * 8 + (text[++i] - '0');
                    ++digits;
                }
                if (value > 0xFF) {
                    error = "octal escape above \\377";
                    return 0;
                }
                bytes += static_cast<char>(value);
                break;
            }
            error = std::string("unknown escape \\") + c;
            return 0;
        }
    }
    return 1;
}

int ParseStatusList(const std::string& list, std::vector<StatusAnswer>& answers, std::string& error)
{
    answers.clear();
    size_t start = 0;
    for (;;) {
        size_t comma = list.find(',', start);
        std::string item = list.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
        StatusAnswer answer;
        if (!ParseOne(item, answer, error))
            return 0;
        answers.push_back(answer);
        if (comma == std::string::npos)
            return 1;
        start = comma + 1;
    }
}

const StatusAnswer& StatusAnswers::Next()
{
    const StatusAnswer& answer = m_answers[m_next];
    if (m_next + 1 < m_answers.size())
        ++m_next;
    return answer;
}
