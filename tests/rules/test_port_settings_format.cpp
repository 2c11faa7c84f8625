#include "PortSettingsFormat.h"
#include "Rows.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(CommSetContent, IsTheTextAsTypedThenCarriageReturnLineFeed) {
    EXPECT_EQ(torven::portSettingsContent("3"), std::string("\x33\x0d\x0a"));
    EXPECT_EQ(torven::portSettingsContent(" 4"), " 4\r\n");
    EXPECT_EQ(torven::portSettingsContent(""), "\r\n");
}

struct Case {
    const char* name;
    std::string head;
    bool complete;
    std::optional<std::int16_t> expected;
};

using torven::test::PrintTo;

class StoredPort : public testing::TestWithParam<Case> {};

TEST_P(StoredPort, ReadsTheFirstLine) {
    EXPECT_EQ(torven::storedPortNumber(GetParam().head, GetParam().complete), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, StoredPort,
    testing::Values(Case{"AsWritten", "3\r\n", true, 3},
                    Case{"OnlyFirstLineCounts", "5\r\n6\r\n", true, 5},
                    Case{"BlanksAroundDigit", " 7 \r\n", true, 7}, Case{"NoLineEnd", "8", true, 8},
                    Case{"CarriageReturnOnly", "9\r", true, 9},
                    Case{"LineFeedOnly", "2\n", true, 2},
                    Case{"GarbageAfterFirstLine", "4\r\n\xff\xfe", true, 4},
                    Case{"EmptyFile", "", true, std::nullopt},
                    Case{"EmptyFirstLine", "\r\n3\r\n", true, std::nullopt},
                    Case{"Letters", "COM3\r\n", true, std::nullopt},
                    Case{"OutOfRange", "99999\r\n", true, std::nullopt},
                    Case{"BelowRange", "-32769\r\n", true, std::nullopt},
                    Case{"Binary", std::string("\0\x01\x02", 3), true, std::nullopt},
                    Case{"LineLongerThanWhatWasRead", "   ", false, std::nullopt},
                    Case{"ShortLineOfALongFile", "6\r\nxxxxx", false, 6}),
    torven::test::RowName());

} // namespace
