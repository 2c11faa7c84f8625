#include "LineSettings.h"
#include "ReadingFramer.h"
#include "Rows.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using torven::LineSettings;
using torven::ReadingFramer;
using namespace std::chrono_literals;

LineSettings settings(std::string_view text) {
    const auto parsed = torven::parseLineSettings(text);
    EXPECT_TRUE(parsed) << text;
    return parsed.value_or(LineSettings{});
}

// The first whole millisecond at which text waiting on a line of `line` is due.
int pauseMs(std::string_view line) {
    return static_cast<int>(
        std::chrono::ceil<std::chrono::milliseconds>(ReadingFramer::pauseFor(settings(line)))
            .count());
}

// One thing that happens to the framer: text received at a moment, or (with no text) the
// moment its pause timer fires, as the window's timer would, at the time it asked for.
struct Step {
    int atMs;
    std::string text;
};

constexpr std::string_view kDefaultLine = "19200,n,8,1";
const int kPauseMs = pauseMs(kDefaultLine); // 45: 8 characters take 4.2 ms, then the allowance
constexpr std::string_view kSlowLine = "600,n,8,1";
const int kSlowPauseMs = pauseMs(kSlowLine); // 174: 8 characters take 133.3 ms
constexpr int kSlowCharacterMs = 17;         // 16.7 ms

// Runs the steps on a line of `line` and returns every reading handed on, in order, with the
// moment it was.
std::vector<std::pair<int, std::string>> run(const std::vector<Step>& steps,
                                             std::string_view line) {
    ReadingFramer framer;
    framer.setLineSettings(settings(line));
    std::vector<std::pair<int, std::string>> readings;
    const auto start = ReadingFramer::Clock::time_point{} + 1h;
    for (const Step& step : steps) {
        const auto now = start + std::chrono::milliseconds(step.atMs);
        auto collect = [&](std::string_view r) {
            readings.emplace_back(step.atMs, r);
        };
        if (step.text.empty())
            framer.takeDue(now, collect);
        else
            framer.take(step.text, now, collect);
    }
    return readings;
}

struct Case {
    const char* name;
    std::vector<Step> steps;
    std::vector<std::pair<int, std::string>> readings;
    std::string_view line = kDefaultLine;
};

using torven::test::PrintTo;

class Framing : public testing::TestWithParam<Case> {};

TEST_P(Framing, CutsReadingsAtTheirLineEnds) {
    EXPECT_EQ(run(GetParam().steps, GetParam().line), GetParam().readings);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Framing,
    testing::Values(
        Case{"WholeReadingAtOnce", {{0, "0256\r\n"}}, {{0, "0256\r\n"}}},
        Case{"SplitAfterTwoCharacters", {{0, "02"}, {16, "56\r\n"}}, {{16, "0256\r\n"}}},
        Case{"SplitAfterOneCharacter", {{0, "0"}, {16, "256\r\n"}}, {{16, "0256\r\n"}}},
        Case{"SplitBeforeTheLineEnd", {{0, "0256"}, {16, "\r\n"}}, {{16, "0256\r\n"}}},
        Case{"CrLfSplitBetweenReads", {{0, "0256\r"}, {16, "\n"}}, {{16, "0256\r\n"}}},
        Case{"InThreePieces", {{0, "0"}, {10, "25"}, {20, "6\r"}, {30, "\n"}}, {{30, "0256\r\n"}}},
        Case{"TwoReadingsInOneRead", {{0, "0300\r\n0128\r\n"}}, {{0, "0300\r\n"}, {0, "0128\r\n"}}},
        Case{"ThreeReadingsInOneRead",
             {{0, "0001\r\n0002\n0003\r\n"}},
             {{0, "0001\r\n"}, {0, "0002\n"}, {0, "0003\r\n"}}},
        Case{"ReadingAndTheStartOfTheNext",
             {{0, "0300\r\n01"}, {16, "28\r\n"}},
             {{0, "0300\r\n"}, {16, "0128\r\n"}}},
        Case{"LfAloneEndsAReading", {{0, "0256\n0128\n"}}, {{0, "0256\n"}, {0, "0128\n"}}},
        Case{"CrFollowedByTextEndsAReading", {{0, "0256\r0128\r"}}, {{0, "0256\r"}}},
        Case{"TrailingCrIsTakenWhenThePauseEnds",
             {{0, "0256\r"}, {kPauseMs, ""}},
             {{kPauseMs, "0256\r"}}},
        Case{"LineBreakAloneIsAReading", {{0, "\r\n"}}, {{0, "\r\n"}}},
        Case{"NoLineEndWaitsOnePause",
             {{0, "0256"}, {kPauseMs - 1, ""}, {kPauseMs, ""}},
             {{kPauseMs, "0256"}}},
        Case{"PauseCountsFromTheFirstCharacter",
             {{0, "02"}, {30, "5"}, {kPauseMs, ""}, {kPauseMs + 5, "6\r\n"}},
             {{kPauseMs, "025"}, {kPauseMs + 5, "6\r\n"}}},
        Case{"NewTextAfterAReadingWaitsAPauseOfItsOwn",
             {{0, "02"}, {30, "56\r\n01"}, {kPauseMs, ""}, {kPauseMs + 10, "28\r\n"}},
             {{30, "0256\r\n"}, {kPauseMs + 10, "0128\r\n"}}},
        Case{"PiecesFurtherApartThanThePauseStandAlone",
             {{0, "02"}, {kPauseMs, ""}, {400, "56\r\n"}},
             {{kPauseMs, "02"}, {400, "56\r\n"}}},
        Case{"NothingIsDueWhenNothingWaits", {{0, "0256\r\n"}, {kPauseMs, ""}}, {{0, "0256\r\n"}}},

        // A slow line: at 600 baud each character takes 16.7 ms, so a reading takes longer to
        // arrive than a fast line's pause (the timer steps at 45 ms find nothing due).
        Case{"SlowLineReadingArrivesWhole",
             {{0, "0"},
              {kSlowCharacterMs, "1"},
              {2 * kSlowCharacterMs, "2"},
              {kPauseMs, ""},
              {3 * kSlowCharacterMs, "8"},
              {4 * kSlowCharacterMs, "\r"},
              {5 * kSlowCharacterMs, "\n"}},
             {{5 * kSlowCharacterMs, "0128\r\n"}},
             kSlowLine},
        Case{"SlowLineWithoutLineEndWaitsItsOwnPause",
             {{0, "0"},
              {kSlowCharacterMs, "3"},
              {2 * kSlowCharacterMs, "8"},
              {kPauseMs, ""},
              {3 * kSlowCharacterMs, "4"},
              {kSlowPauseMs - 1, ""},
              {kSlowPauseMs, ""}},
             {{kSlowPauseMs, "0384"}},
             kSlowLine},

        // A line end that comes after the pause has ended its reading belongs to that reading:
        // it is dropped, not taken as a blank line (which shows no bearing at all).
        Case{"LateCrLfBelongsToTheReadingEndedByThePause",
             {{0, "0256"}, {kPauseMs, ""}, {kPauseMs + 15, "\r\n"}},
             {{kPauseMs, "0256"}}},
        Case{"LateLfAloneBelongsToIt",
             {{0, "0256"}, {kPauseMs, ""}, {kPauseMs + 15, "\n"}},
             {{kPauseMs, "0256"}}},
        Case{"LateCrLfSplitBetweenReadsBelongsToIt",
             {{0, "0256"}, {kPauseMs, ""}, {kPauseMs + 15, "\r"}, {kPauseMs + 30, "\n"}},
             {{kPauseMs, "0256"}}},
        Case{"LateCrAloneBelongsToItAndTheNextReadingIsTakenAsUsual",
             {{0, "0256"}, {kPauseMs, ""}, {kPauseMs + 15, "\r"}, {kPauseMs + 30, "0128\r\n"}},
             {{kPauseMs, "0256"}, {kPauseMs + 30, "0128\r\n"}}},
        Case{"WhatFollowsTheLateLineEndIsTakenAsUsual",
             {{0, "0256"}, {kPauseMs, ""}, {kPauseMs + 15, "\r\n0128\r\n\r\n"}},
             {{kPauseMs, "0256"}, {kPauseMs + 15, "0128\r\n"}, {kPauseMs + 15, "\r\n"}}},
        Case{"LateLfCompletesTheCrLfOfAReadingEndedByThePause",
             {{0, "0256\r"}, {kPauseMs, ""}, {kPauseMs + 15, "\n"}},
             {{kPauseMs, "0256\r"}}},
        Case{"AfterAReadingsOwnCrABlankLineKeepsItsMeaning",
             {{0, "0256\r"}, {kPauseMs, ""}, {kPauseMs + 15, "\r\n"}},
             {{kPauseMs, "0256\r"}, {kPauseMs + 15, "\r\n"}}},
        Case{"LineEndATenthOfASecondLateBelongsToIt",
             {{0, "0256"}, {kPauseMs, ""}, {100, "\r\n"}},
             {{kPauseMs, "0256"}}},
        Case{"LineEndAfterItsWindowIsABlankLine",
             {{0, "0256"}, {kPauseMs, ""}, {kPauseMs + 1000, "\r\n"}},
             {{kPauseMs, "0256"}, {kPauseMs + 1000, "\r\n"}}},
        Case{"OnlyTheNextBlockCanStartWithTheLateLineEnd",
             {{0, "0256"}, {kPauseMs, ""}, {kPauseMs + 5, "0128\r\n"}, {kPauseMs + 10, "\r\n"}},
             {{kPauseMs, "0256"}, {kPauseMs + 5, "0128\r\n"}, {kPauseMs + 10, "\r\n"}}},
        Case{"BlankLineBetweenReadingsWithTheirOwnLineEndsKeepsItsMeaning",
             {{0, "0256\r\n"}, {15, "\r\n"}, {30, "0128\r\n"}},
             {{0, "0256\r\n"}, {15, "\r\n"}, {30, "0128\r\n"}}},
        Case{"LateLineEndOnASlowLineWaitsItsOwnPause",
             {{0, "0256"}, {kSlowPauseMs, ""}, {2 * kSlowPauseMs - 1, "\r\n"}},
             {{kSlowPauseMs, "0256"}},
             kSlowLine}),
    torven::test::RowName());

// The pause a line's settings give: eight characters' time (start bit, data bits, parity bit if
// any, stop bits) plus 40 ms, at most a second.
struct PauseCase {
    const char* name;
    std::string_view line;
    std::chrono::microseconds pause;
};

class ReadingPause : public testing::TestWithParam<PauseCase> {};

TEST_P(ReadingPause, IsEightCharactersTimeAndTheAllowance) {
    EXPECT_EQ(ReadingFramer::pauseFor(settings(GetParam().line)), GetParam().pause);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ReadingPause,
    testing::Values(PauseCase{"Default19200Baud", "19200,n,8,1", 44'167us}, // 4,166.7 rounded up
                    PauseCase{"Baud600", "600,n,8,1", 173'334us},
                    PauseCase{"Baud1200", "1200,n,8,1", 106'667us},
                    PauseCase{"ParityBitCounts", "9600,e,8,1", 49'167us},
                    PauseCase{"DataBitsCount", "9600,n,5,1", 45'834us},
                    PauseCase{"OneAndAHalfStopBits", "9600,n,8,1.5", 48'750us},
                    PauseCase{"TwoStopBits", "110,o,7,2", 840'000us},
                    PauseCase{"FastestLineIsAlmostTheAllowanceAlone", "4000000,n,5,1", 40'014us},
                    PauseCase{"JustBelowTheCap", "84,n,8,1", 992'381us},
                    PauseCase{"CappedAtOneSecond", "75,n,8,1", 1'000'000us},
                    PauseCase{"OneBaudCapped", "1,n,8,1", 1'000'000us}),
    torven::test::RowName());

TEST(ReadingPause, FollowsTheLineSettingsLastSet) {
    ReadingFramer framer;
    EXPECT_EQ(framer.pause(), ReadingFramer::pauseFor(LineSettings{}));
    framer.setLineSettings(settings(kSlowLine));
    EXPECT_EQ(framer.pause(), 173'334us);
    const auto now = ReadingFramer::Clock::now();
    framer.take("01", now, [](std::string_view) { FAIL() << "nothing is complete yet"; });
    EXPECT_EQ(framer.dueAt(), now + 173'334us);
}

TEST(Framing, EndlessLineIsCutAtTheReceiveBuffersSize) {
    ReadingFramer framer;
    std::vector<std::size_t> lengths;
    const auto now = ReadingFramer::Clock::now();
    const std::string piece(300, '7');
    for (int i = 0; i < 10; ++i)
        framer.take(piece, now, [&](std::string_view r) { lengths.push_back(r.size()); });
    EXPECT_EQ(lengths, (std::vector<std::size_t>{1024, 1024}));
    EXPECT_EQ(framer.waiting().size(), 3000u - 2048u);
    EXPECT_LT(framer.waiting().size(), ReadingFramer::kCapacity);
}

TEST(Framing, ClearDropsTheWaitingTextAndStopsAReadInProgress) {
    ReadingFramer framer;
    const auto now = ReadingFramer::Clock::now();
    framer.take("02", now, [](std::string_view) { FAIL() << "nothing is complete yet"; });
    framer.clear();
    EXPECT_FALSE(framer.dueAt());

    std::vector<std::string> readings;
    framer.take("0001\n0002\n00", now, [&](std::string_view r) {
        readings.emplace_back(r);
        framer.clear(); // as the line closing from within a reading's handler
    });
    EXPECT_EQ(readings, std::vector<std::string>{"0001\n"});
    EXPECT_TRUE(framer.waiting().empty());
}

TEST(Framing, ClearForgetsALateLineEndStillOwed) {
    ReadingFramer framer;
    std::vector<std::string> readings;
    const auto collect = [&](std::string_view r) {
        readings.emplace_back(r);
    };
    const auto now = ReadingFramer::Clock::now();
    framer.take("0256", now, collect);
    framer.takeDue(now + framer.pause(), collect);
    framer.clear(); // the line closed and opened again: what comes now is a new line's
    framer.take("\r\n", now + framer.pause() + 1ms, collect);
    EXPECT_EQ(readings, (std::vector<std::string>{"0256", "\r\n"}));
}

} // namespace
