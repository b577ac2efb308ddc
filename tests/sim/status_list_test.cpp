#include "tools/printer-sim/status_answers.h"

#include <gtest/gtest.h>

TEST(StatusList, BadItemsAndEscapesAreRefused)
{
    std::vector<StatusAnswer> answers;
    std::string error;
    for (const char* bad : {"", "5", "0,,1", "00", "JUNK", "text:\\q", "text:\\x", "text:a\\", "text:\\400", "1,nolf,x"})
        EXPECT_EQ(ParseStatusList(bad, answers, error), 0) << bad;
    ASSERT_EQ(ParseStatusList("text:\\a\\b\\e\\f\\t\\v\\'\\\"\\?\\\\\\101\\7\\x4a\\x4Z", answers, error), 1) << error;
    EXPECT_EQ(answers[0].bytes, "\a\b\x1b\f\t\v'\"?\\A\aJ\x04Z");
}
