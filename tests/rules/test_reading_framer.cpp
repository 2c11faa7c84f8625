#include "ReadingFramer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using torven::ReadingFramer;
using namespace std::chrono_literals;

// One thing that happens to the framer: text received at a moment, or (with no text) the
// moment its pause timer fires, as the window's timer would, at the time it asked for.
struct Step {
    int atMs;
    std::string text;
};

constexpr int kPauseMs = static_cast<int>(ReadingFramer::kPause.count());

// Runs the steps and returns every reading handed on, in order, with the moment it was.
std::vector<std::pair<int, std::string>> run(const std::vector<Step>& steps) {
    ReadingFramer framer;
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
};

void PrintTo(const Case& c, std::ostream* os) {
    *os << c.name;
}

class Framing : public testing::TestWithParam<Case> {};

TEST_P(Framing, CutsReadingsAtTheirLineEnds) {
    EXPECT_EQ(run(GetParam().steps), GetParam().readings);
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
        Case{
            "NothingIsDueWhenNothingWaits", {{0, "0256\r\n"}, {kPauseMs, ""}}, {{0, "0256\r\n"}}}));

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

} // namespace
