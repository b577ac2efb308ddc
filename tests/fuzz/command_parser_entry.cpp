#include "tests/fuzz/fuzz_entry.h"

#include "tools/printer-sim/command_parser.h"

#include <string>

namespace {

// Every event of the stream, one record each. Consecutive data events are
// joined: where data is cut into events depends only on the pieces.
struct EventLog {
    std::string text;
    std::string data;
    uint64_t announced = 0;
    uint64_t received = 0;

    void Flush()
    {
        if (data.empty())
            return;
        text += "D" + std::to_string(data.size()) + ":" + data + "\n";
        data.clear();
    }
};

// Feeds stream in pieces whose lengths come from the pattern; 0 when the
// parser broke a promise of its interface.
int Feed(const unsigned char* p, size_t n, const unsigned char* pattern, size_t nPattern, EventLog& log)
{
    CommandParser parser;
    size_t at = 0, turn = 0;
    while (at < n) {
        size_t piece = nPattern ? pattern[turn++ % nPattern] % 67 + 1 : n;
        size_t end = piece < n - at ? at + piece : n;
        while (at < end) {
            ParserEvent event;
            size_t used = parser.Feed(p + at, end - at, event);
            if (used == 0 || used > end - at)
                return 0;
            switch (event.kind) {
            case ParserEvent::kNone:
                if (at + used != end)
                    return 0;
                break;
            case ParserEvent::kData:
                if (event.data < p + at || event.length == 0 || event.data + event.length > p + at + used)
                    return 0;
                log.data.append(reinterpret_cast<const char*>(event.data), event.length);
                log.received += event.length;
                break;
            case ParserEvent::kDtHeader:
                if (event.size < 0 || event.name.size() > kMaxDtName)
                    return 0;
                log.announced += static_cast<uint64_t>(event.size);
                log.Flush();
                log.text += "H" + std::to_string(event.size) + ":" + event.name + "\n";
                break;
            default:
                log.Flush();
                log.text += (event.kind == ParserEvent::kCommand ? "C" : "E") + event.name + "\n";
                break;
            }
            at += used;
        }
    }
    log.Flush();
    std::string detail;
    const int clean = parser.AtEnd(detail);
    log.text += clean ? "end\n" : "cut:" + detail + "\n";
    // Every announced byte came as data, but for what the file still awaits.
    if (log.received + (parser.InData() ? parser.DataLeft() : 0) != log.announced)
        return 0;
    return clean || !detail.empty();
}

} // namespace

int FuzzCommandParser(const uint8_t* pData, size_t nSize)
{
    if (nSize == 0)
        return 1;
    const size_t nPattern = pData[0] % 8;
    if (nSize < 1 + nPattern)
        return 1;
    const unsigned char* pattern = pData + 1;
    const unsigned char* stream = pData + 1 + nPattern;
    const size_t n = nSize - 1 - nPattern;

    EventLog whole, bytes, cut;
    const unsigned char one = 0;
    if (!Feed(stream, n, nullptr, 0, whole) || !Feed(stream, n, &one, 1, bytes) ||
        !Feed(stream, n, pattern, nPattern, cut))
        return 0;
    return whole.text == bytes.text && whole.text == cut.text;
}
