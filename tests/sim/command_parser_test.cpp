#include "sim_client.h"
#include "tests/fuzz/fuzz_entry.h"
#include "tools/printer-sim/command_parser.h"
#include "upgrade/commands.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// Every event of `stream` fed in pieces of `piece` bytes, with the reasons
// for errors and for a cut left out; "broken" when the parser broke a
// promise of its interface.
std::vector<std::string> Events(const std::string& stream, size_t piece)
{
    std::vector<std::string> events, shown;
    const std::string pieces = piece > 67 ? "" : std::string(1, static_cast<char>(piece - 1));
    if (!CommandParserEvents(reinterpret_cast<const unsigned char*>(stream.data()), stream.size(), pieces, events))
        return {"broken"};
    for (const std::string& event : events)
        if (event != "end")
            shown.push_back(event.rfind("error:", 0) == 0 ? "error" : event.rfind("cut:", 0) == 0 ? "cut" : event);
    return shown;
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
