#include "Escapes.h"
#include "LineEnding.h"
#include "Readings.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace torven::sim {
namespace {

using namespace std::string_literals;

TEST(SimReadings, StepsPutTheBearingOnEachSectorCentre) {
    for (int sector = 1; sector <= kSectorCount; ++sector) {
        SCOPED_TRACE(sector);
        const int reading = stepsReading(sector);
        const int centre = sector == 1 ? 360 : (sector - 1) * 15;
        EXPECT_EQ(reading * 360 / kStepsPerTurn, centre);
        // The smallest such reading: one step less falls short of the centre.
        EXPECT_LT((reading - 1) * 360 / kStepsPerTurn, centre);
    }
}

TEST(SimReadings, SweepWrapsInBothDirections) {
    struct Row {
        const char* name;
        double seconds, degreesPerSecond;
        int expected;
    };
    // 30 degrees is 42.67 steps.
    const std::vector<Row> rows = {
        {"start", 0, 30, 0},
        {"clockwise", 1, 30, 42},
        {"full turn", 12, 30, 0},
        {"past a turn", 13, 30, 42},
        {"counter-clockwise", 1, -30, 469},
        {"counter-clockwise past a turn", 13, -30, 469},
        {"just below zero", 1e-12, -30, 511},
        {"long run", 1e6, 30, 170},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(sweepReading(row.seconds, row.degreesPerSecond), row.expected);
    }
}

TEST(SimReadings, RandomChangesEveryTimeAndRepeatsWithTheSeed) {
    RandomReadings first(42), again(42), other(43);
    int previous = -1;
    bool differsFromOtherSeed = false;
    for (int i = 0; i < 2000; ++i) {
        const int value = first.next();
        ASSERT_TRUE(value >= 0 && value < kStepsPerTurn) << value;
        ASSERT_NE(value, previous) << "at " << i;
        ASSERT_EQ(value, again.next());
        differsFromOtherSeed |= value != other.next();
        previous = value;
    }
    EXPECT_TRUE(differsFromOtherSeed);
}

TEST(SimEscapes, DecodesScriptLines) {
    const std::vector<std::pair<std::string, std::string>> rows = {
        {"0256", "0256"},
        {R"(01\r\n\t)", "01\r\n\t"},
        {R"(12\034)", "12\0"s
                      "34"}, // \0 is one NUL, never octal
        {R"(\\x41)", R"(\x41)"},
        {R"(\xff\xFF\x0a)", "\xff\xff\n"},
    };
    for (const auto& [line, bytes] : rows) {
        SCOPED_TRACE(line);
        const auto decoded = decodeEscapes(line);
        ASSERT_TRUE(decoded.bytes) << decoded.error;
        EXPECT_EQ(*decoded.bytes, bytes);
    }
}

TEST(SimEscapes, RejectsMalformedEscapes) {
    const std::vector<std::pair<std::string, const char*>> rows = {
        {R"(abc\)", "backslash ends"},
        {R"(\q)", "unknown escape \\q"},
        {R"(\x4)", "two hex digits"},
    };
    for (const auto& [line, error] : rows) {
        SCOPED_TRACE(line);
        const auto decoded = decodeEscapes(line);
        EXPECT_FALSE(decoded.bytes);
        EXPECT_NE(decoded.error.find(error), std::string::npos) << decoded.error;
    }
}

TEST(SimEscapes, ShownBytesArePrintableAndDecodeBackToEveryByte) {
    std::string all;
    for (int byte = 0; byte < 256; ++byte)
        all.push_back(static_cast<char>(byte));
    const std::string shown = escapeBytes(all);
    for (const char c : shown)
        ASSERT_TRUE(c >= 0x20 && c < 0x7f) << shown;
    EXPECT_EQ(decodeEscapes(shown).bytes, all);
}

TEST(SimLineEnding, ReadingWrites) {
    struct Row {
        const char* name;
        std::string payload;
        LineEnding ending;
        bool split;
        std::vector<std::string> writes;
    };
    const std::vector<Row> rows = {
        {"whole", "0256", LineEnding::CrLf, false, {"0256\r\n"}},
        {"split", "0256", LineEnding::CrLf, true, {"02", "56\r\n"}},
        {"too short to split", "7", LineEnding::Lf, true, {"7\n"}},
        {"empty line still ends", "", LineEnding::Cr, false, {"\r"}},
        {"nothing to write", "", LineEnding::None, true, {}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(readingWrites(row.payload, row.ending, row.split), row.writes);
    }
}

TEST(SimLineEnding, SplitsScriptInputIntoLines) {
    struct Row {
        const char* name;
        std::vector<std::string> chunks;
        std::vector<std::string> lines; // including an unterminated last one
    };
    const std::vector<Row> rows = {
        {"crlf file", {"a\r\nb\r\n"}, {"a", "b"}},
        {"last line without ending", {"a\nb\r"}, {"a", "b"}},
        {"line across chunks", {"01", "23\r", "\n45"}, {"0123", "45"}},
        {"inner cr kept", {"a\rb\n"}, {"a\rb"}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        LineSplitter splitter;
        std::vector<std::string> lines;
        for (const auto& chunk : row.chunks) {
            splitter.append(chunk);
            while (auto line = splitter.nextLine())
                lines.push_back(*line);
        }
        if (auto rest = splitter.rest())
            lines.push_back(*rest);
        EXPECT_EQ(lines, row.lines);
    }
}

} // namespace
} // namespace torven::sim
