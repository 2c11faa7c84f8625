// What a line of the log may hold, and how much of the log one subject may fill.
#include "LogBudget.h"
#include "LogText.h"

#include <gtest/gtest.h>

namespace torven {
namespace {

using namespace std::chrono_literals;

TEST(LogEscape, OneLineThatGivesATerminalNoOrders) {
    const struct {
        const char* name;
        std::string text, logged;
    } rows[] = {
        {"LineWipeAndColour", "\x1b[2K\r\x1b[32mok", "\\u001B[2K\\r\\u001B[32mok"},
        {"LineBreaksAndTab", "a\r\nb\tc", "a\\r\\nb\\tc"},
        {"TitleWithBellAndDelete", "\x1b]0;T\a\x7f", "\\u001B]0;T\\u0007\\u007F"},
        {"C1ControlSequenceIntroducer", "\u009B31m", "\\u009B31m"},
        {"LineAndParagraphSeparators", "a\u2028b\u2029", "a\\u2028b\\u2029"},
        {"NulInside", std::string("a\0b", 3), "a\\u0000b"},
        {"BytesThatAreNoUtf8", "\xff\xc0\xaf\xed\xa0\x80 \xe2\x80",
         "\\xFF\\xC0\\xAF\\xED\\xA0\\x80 \\xE2\\x80"},
        {"PrintableTextStays", "Мачта \\u 2 😀 \"q\"", "Мачта \\u 2 😀 \"q\""},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(escapedForLog(row.text), row.logged);
        EXPECT_EQ(needsEscapeForLog(row.text), row.text != row.logged);
    }
}

TEST(LogLeftOut, SaysTheCountWithItsThousandsApart) {
    EXPECT_EQ(leftOutText(1), "… 1 line like this left out");
    EXPECT_EQ(leftOutText(999), "… 999 lines like these left out");
    EXPECT_EQ(leftOutText(1234567), "… 1,234,567 lines like these left out");
}

const LogBudget::Clock::time_point kStart{};

TEST(LogBudget, EachCategoryTwentyLinesASecondTheRestCountedAndToldOnce) {
    LogBudget budget;
    int taken = 0;
    for (int i = 0; i < 25; ++i)
        taken += budget.take("torven.reception", 0, kStart + i * 10ms);
    EXPECT_EQ(taken, 20);
    EXPECT_TRUE(budget.take("torven.rotctld", 0, kStart + 300ms)) << "each category its own";
    EXPECT_FALSE(budget.take("torven.reception", 4, kStart + 999ms));
    EXPECT_TRUE(budget.take("torven.reception", 0, kStart + 1s)) << "a new second";
    const auto leftOut = budget.takeLeftOut();
    ASSERT_EQ(leftOut.size(), 1u);
    EXPECT_EQ(leftOut[0].category, "torven.reception");
    EXPECT_EQ(leftOut[0].count, 6u);
    EXPECT_EQ(leftOut[0].level, 4) << "said at the level of the last line left out";
    EXPECT_TRUE(budget.takeLeftOut().empty());
}

TEST(LogBudget, EachSourceTenLinesAMinuteAndACrowdCannotGrowTheMemory) {
    LogBudget budget;
    int taken = 0;
    for (int i = 0; i < 11; ++i)
        taken += budget.takeAbout("torven.rotctld", "192.0.2.7", 0, kStart + i * 5s);
    EXPECT_EQ(taken, 10);
    EXPECT_TRUE(budget.takeAbout("torven.rotctld", "::1", 0, kStart + 55s));
    EXPECT_TRUE(budget.takeAbout("torven.rotctld", "192.0.2.7", 0, kStart + 60s));
    ASSERT_EQ(budget.takeLeftOut().at(0).count, 1u);

    LogBudget crowded;
    for (std::size_t i = 0; i < kLogSourcesKept; ++i)
        crowded.takeAbout("torven.rotctld", std::to_string(i), 0, kStart);
    EXPECT_FALSE(crowded.takeAbout("torven.rotctld", "one more", 0, kStart + 59s));
    EXPECT_TRUE(crowded.takeAbout("torven.rotctld", "one more", 0, kStart + 61s));
}

} // namespace
} // namespace torven
