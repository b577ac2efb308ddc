#include "upgrade/commands.h"

#include <gtest/gtest.h>

#include <string>

TEST(PrinterCommands, DtHeaderCarriesSizeAndNameAsListed)
{
    EXPECT_EQ(FormatDtHeader(0, "empty.bin"), std::string("\x01" "DT0,R:empty.bin\r\n"));
    EXPECT_EQ(FormatDtHeader(150000, "iosubsys.bin"), std::string("\x01" "DT150000,R:iosubsys.bin\r\n"));
    EXPECT_EQ(FormatDtHeader(2147483647, "l11config.bld"),
              std::string("\x01" "DT2147483647,R:l11config.bld\r\n"));
    // Names keep their subdirectory separators and every byte, NUL included.
    EXPECT_EQ(FormatDtHeader(7, "fw\\main.bin"), std::string("\x01" "DT7,R:fw\\main.bin\r\n"));
    std::string withNul("a\0b", 3);
    EXPECT_EQ(FormatDtHeader(1, withNul), std::string("\x01" "DT1,R:a\0b\r\n", 12));
}
