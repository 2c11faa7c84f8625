#include "Console.h"
#include "Rows.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using torven::ConsoleEdit;

// Applies readings one after another to a console of the given capacity.
std::string afterReadings(std::string console, const std::vector<std::string>& readings,
                          std::size_t capacity = 32767) {
    for (const auto& reading : readings)
        torven::applyConsoleEdit(console, torven::consoleEditFor(reading), capacity);
    return console;
}

struct Case {
    const char* name;
    std::string start;
    std::vector<std::string> readings;
    std::string expected;
};

using torven::test::PrintTo;

class ConsoleEdits : public testing::TestWithParam<Case> {};

TEST_P(ConsoleEdits, FollowTheFirstCharacterOfEachReading) {
    EXPECT_EQ(afterReadings(GetParam().start, GetParam().readings), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ConsoleEdits,
    testing::Values(
        Case{"ThreeBackspacesInOneReadingRemoveOne", "Text2", {"\b\b\b"}, "Text"},
        Case{"BackspaceAfterLineBreakRemovesOnlyLineFeed", "Text2", {"\r", "\b"}, "Text2\r"},
        Case{"CarriageReturnLineFeedAddsOneBreak", "Text2", {"\r\n"}, "Text2\r\n"},
        Case{"LineFeedCarriageReturnAddsOneBreak", "Text2", {"\n\r"}, "Text2\r\n"},
        Case{"DigitFirstLeavesConsoleAlone", "Text2", {"0256\r\n\b"}, "Text2"},
        Case{"LetterFirstLeavesConsoleAlone", "Text2", {"a\b"}, "Text2"},
        Case{"EmptyReadingLeavesConsoleAlone", "Text2", {""}, "Text2"},
        Case{"BackspaceOnEmptyConsole", "", {"\b"}, ""},
        Case{"FiveBackspacesEmptyTheInitialText", "Text2", {"\b", "\b", "\b", "\b", "\b"}, ""},
        Case{"SixthBackspaceDoesNothing", "Text2", {"\b", "\b", "\b", "\b", "\b", "\b"}, ""},
        Case{"NulFirstLeavesConsoleAlone", "Text2", {std::string(1, '\0')}, "Text2"}),
    torven::test::RowName());

TEST(ConsoleCapacity, RefusesALineBreakThatWouldNotFitAndStillTakesBackspaces) {
    EXPECT_EQ(afterReadings("abc", {"\r"}, 5), "abc\r\n");
    EXPECT_EQ(afterReadings("abcd", {"\r"}, 5), "abcd");
    EXPECT_EQ(afterReadings("abcd", {"\b", "\r"}, 5), "abc\r\n");
}

TEST(ConsoleCapacity, ReportsWhetherTheTextChanged) {
    std::string text = "ab";
    EXPECT_FALSE(torven::applyConsoleEdit(text, ConsoleEdit::None, 10));
    EXPECT_TRUE(torven::applyConsoleEdit(text, ConsoleEdit::RemoveLast, 10));
    EXPECT_TRUE(torven::applyConsoleEdit(text, ConsoleEdit::AppendLineBreak, 10));
    EXPECT_FALSE(torven::applyConsoleEdit(text, ConsoleEdit::AppendLineBreak, 4));
}

} // namespace

namespace {

TEST(ConsoleText, StartsAsLaidOutAndFollowsEachReadingsFirstCharacter) {
    torven::Console console;
    EXPECT_EQ(console.text(), "Text2");
    EXPECT_TRUE(console.take("\r\n"));
    EXPECT_FALSE(console.take("0256\r\n"));
    EXPECT_TRUE(console.take("\b"));
    EXPECT_EQ(console.text(), "Text2\r");
}

TEST(ConsoleText, HoldsAtMostWhatTheTextBoxHolds) {
    EXPECT_EQ(torven::Console::kCapacity, 32767u);
    torven::Console console;
    for (int i = 0; i < 20000; ++i)
        console.take("\n");
    // "Text2" and 16,381 line breaks fill it to the last character; a further one is refused.
    EXPECT_EQ(console.text().size(), 32767u);
    EXPECT_FALSE(console.take("\r"));
    EXPECT_TRUE(console.take("\b"));
    EXPECT_FALSE(console.take("\r"));
    EXPECT_TRUE(console.take("\b"));
    EXPECT_TRUE(console.take("\r"));
    EXPECT_EQ(console.text().size(), 32767u);
    EXPECT_TRUE(console.text().ends_with("\r\n\r\n"));
}

} // namespace
