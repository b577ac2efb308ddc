#include "tests/fuzz/fuzz_entry.h"

#include "tools/printer-sim/command_parser.h"

#include <string>
#include <vector>

namespace {

// Joins a run of data events: where data is cut into events depends only on
// the pieces.
struct EventLog {
    std::vector<std::string>& events;
    std::string data;
    uint64_t announced = 0;
    uint64_t received = 0;

    void Add(const std::string& event)
    {
        if (!data.empty())
            events.push_back("data:" + data);
        data.clear();
        events.push_back(event);
    }
};

} // namespace

int CommandParserEvents(const unsigned char* p, size_t n, const std::string& pieces, std::vector<std::string>& events)
{
    CommandParser parser;
    EventLog log{events, "", 0, 0};
    size_t at = 0, turn = 0;
    while (at < n) {
        size_t piece = pieces.empty() ? n : static_cast<unsigned char>(pieces[turn++ % pieces.size()]) % 67 + 1;
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
                log.Add("DT " + std::to_string(event.size) + " " + event.name);
                break;
            default:
                log.Add(event.kind == ParserEvent::kCommand ? event.name : "error:" + event.name);
                break;
            }
            at += used;
        }
    }
    std::string detail;
    const int clean = parser.AtEnd(detail);
    log.Add(clean ? "end" : "cut:" + detail);
    // Every announced byte came as data, but for what the file still awaits.
    if (log.received + (parser.InData() ? parser.DataLeft() : 0) != log.announced)
        return 0;
    return clean || !detail.empty();
}

int FuzzCommandParser(const uint8_t* pData, size_t nSize)
{
    if (nSize == 0)
        return 1;
    const size_t nPattern = pData[0] % 8;
    if (nSize < 1 + nPattern)
        return 1;
    const std::string pattern(reinterpret_cast<const char*>(pData + 1), nPattern);
    const unsigned char* stream = pData + 1 + nPattern;
    const size_t n = nSize - 1 - nPattern;

    std::vector<std::string> whole, bytes, cut;
    if (!CommandParserEvents(stream, n, "", whole) || !CommandParserEvents(stream, n, std::string(1, '\0'), bytes) ||
        !CommandParserEvents(stream, n, pattern, cut))
        return 0;
    return whole == bytes && whole == cut;
}
