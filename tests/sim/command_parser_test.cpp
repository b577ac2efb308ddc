#include "sim_client.h"
#include "tools/printer-sim/command_parser.h"
#include "upgrade/commands.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// Every event of `stream` fed in pieces of `piece` bytes, one word per
// event; consecutive data events are joined, since how data is cut into
// events depends only on the pieces.
std::vector<std::string> Events(const std::string& stream, size_t piece)
{
    CommandParser parser;
    std::vector<std::string> events;
    const unsigned char* bytes = reinterpret_cast<const unsigned char*>(stream.data());
    for (size_t at = 0; at < stream.size(); at += piece) {
        size_t end = at + piece < stream.size() ? at + piece : stream.size();
        size_t fed = at;
        while (fed < end) {
            ParserEvent event;
            fed += parser.Feed(bytes + fed, end - fed, event);
            switch (event.kind) {
            case ParserEvent::kNone:
                break;
            case ParserEvent::kCommand:
                events.push_back(event.name);
                break;
            case ParserEvent::kDtHeader:
                events.push_back("DT " + std::to_string(event.size) + " " + event.name);
                break;
            case ParserEvent::kData: {
                std::string data(reinterpret_cast<const char*>(event.data), event.length);
                if (!events.empty() && events.back().rfind("data:", 0) == 0)
                    events.back() += data;
                else
                    events.push_back("data:" + data);
                break;
            }
            case ParserEvent::kError:
                events.push_back("error");
                break;
            }
        }
    }
    std::string detail;
    if (!parser.AtEnd(detail))
        events.push_back("cut");
    return events;
}

} // namespace

TEST(CommandParser, SameEventsWhateverTheReadsHoldAndDataPassesUnescaped)
{
    // File data holding SOH, CR, LF, NUL and a whole command's bytes is data.
    std::string data = std::string("\x01KK\r\n\0\xff\r\x01", 10);
    std::string stream = Cmd(kCommandKU) + Cmd(kCommandSU) + FormatDtHeader(10, "fw\\a b.bin") + data +
                         FormatDtHeader(0, "empty.bin") + FormatDtHeader(1, "l11config.bld") + "\n" +
                         Cmd(kCommandSR) + Cmd(kCommandKK);
    std::vector<std::string> expected = {"KU", "SU", "DT 10 fw\\a b.bin", "data:" + data, "DT 0 empty.bin",
                                         "DT 1 l11config.bld", "data:\n", "SR", "KK"};
    for (size_t piece : {1u, 2u, 3u, 5u, 7u, 64u, 100000u})
        EXPECT_EQ(Events(stream, piece), expected) << "pieces of " << piece;
}

TEST(CommandParser, InvalidBytesAreErrorsAndTheNextCommandIsTaken)
{
    const std::string ku = Cmd(kCommandKU);
    struct Case {
        std::string stream;
        std::vector<std::string> expected;
    } cases[] = {
        {"garbage\r\n" + ku, {"error", "KU"}},
        {"\x01XY\r\n" + ku, {"error", "KU"}},
        {"\x01ku\r\n" + ku, {"error", "KU"}},
        {"\x01KU\n" + ku, {"error", "KU"}},
        {"\x01KU\r\r\n" + ku, {"error", "KU"}},
        // SOH inside a broken command starts the next one.
        {"\x01K" + ku, {"error", "KU"}},
        {"\x01KU\r" + ku, {"error", "KU"}},
        {"\x01\x01KU\r\n", {"error", "KU"}},
        {"\x01" "DT,R:a\r\n" + ku, {"error", "KU"}},
        {"\x01" "DT01,R:a\r\n" + ku, {"error", "KU"}},
        {"\x01" "DT-1,R:a\r\n" + ku, {"error", "KU"}},
        {"\x01" "DT+1,R:a\r\n" + ku, {"error", "KU"}},
        {"\x01" "DT2147483648,R:a\r\n" + ku, {"error", "KU"}},
        {"\x01" "DT1;R:a\r\n" + ku, {"error", "KU"}},
        {"\x01" "DT1,r:a\r\n" + ku, {"error", "KU"}},
        {"\x01" "DT1,R:a\n" + ku, {"error", "KU"}},
        {"\x01" "DT1,R:a\rx" + ku, {"error", "KU"}},
        {"\x01" "DT1,R:" + std::string(kMaxDtName + 1, 'n') + "\r\n" + ku, {"error", "KU"}},
        {"\x01" "DT2147483647,R:" + std::string(kMaxDtName, 'n') + "\r\n", {"DT 2147483647 " + std::string(kMaxDtName, 'n'), "cut"}},
    };
    for (const Case& c : cases)
        for (size_t piece : {1u, 100000u})
            EXPECT_EQ(Events(c.stream, piece), c.expected) << c.stream.substr(0, 24);
}

TEST(CommandParser, StreamCutInsideACommandOrItsDataIsReported)
{
    EXPECT_EQ(Events("\x01K", 1), (std::vector<std::string>{"cut"}));
    EXPECT_EQ(Events("\x01" "DT12,R:a", 1), (std::vector<std::string>{"cut"}));
    EXPECT_EQ(Events(FormatDtHeader(5, "a") + "abc", 1), (std::vector<std::string>{"DT 5 a", "data:abc", "cut"}));
    // Stray bytes at the end were reported already and leave nothing open.
    EXPECT_EQ(Events(Cmd(kCommandKU) + "zz", 1), (std::vector<std::string>{"KU", "error"}));
}
