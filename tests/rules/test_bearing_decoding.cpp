#include "BearingDecoding.h"
#include "Rows.h"
#include "SectorLamps.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct Case {
    const char* name;
    std::string reading;
    std::string raw;
    std::string readout;
    int bearing;
    int lamp;
};

using torven::test::PrintTo;

class Decoding : public testing::TestWithParam<Case> {};

TEST_P(Decoding, GivesRawReadingReadoutBearingAndLamp) {
    const auto& c = GetParam();
    const auto decoded = torven::decodeReading(c.reading);
    EXPECT_EQ(decoded.rawReading, c.raw);
    EXPECT_EQ(decoded.readout, c.readout);
    ASSERT_TRUE(decoded.bearing.has_value());
    EXPECT_EQ(*decoded.bearing, c.bearing);
    EXPECT_EQ(decoded.litLamp, c.lamp);
}

INSTANTIATE_TEST_SUITE_P(
    Readings, Decoding,
    testing::Values(Case{"South", "0256\r\n", "0256", " 180", 180, 13},
                    Case{"ZeroIsNoSector", "0000", "0000", " 0", 0, 0},
                    Case{"OneStepTruncatesToZero", "0001", "0001", " 0", 0, 0},
                    Case{"TwoStepsIsOneDegree", "0002", "0002", " 1", 1, 1},
                    Case{"ElevenStepsStillLampOne", "0011", "0011", " 7", 7, 1},
                    Case{"TwelveStepsIsLampTwo", "0012", "0012", " 8", 8, 2},
                    Case{"LastStepBeforeNorth", "0511", "0511", " 359", 359, 1},
                    Case{"FullTurn", "0512", "0512", " 360", 360, 1},
                    Case{"FullTurnPlusOneStep", "0513", "0513", " 360", 360, 1},
                    Case{"BeyondFullTurn", "0514", "0514", " 361", 361, 0},
                    Case{"TwoDigitsAndLineEnd", "12\r\n", "12\r\n", " 8", 8, 2},
                    Case{"LeadingBlank", " 256", " 256", " 180", 180, 13},
                    Case{"BlankInside", "1 23", "1 23", " 86", 86, 7},
                    Case{"LettersOnly", "abcd", "abcd", " 0", 0, 0},
                    Case{"Negative", "-100", "-100", "-70", -70, 0},
                    Case{"SmallNegativeTruncatesToZero", "-1", "-1", " 0", 0, 0},
                    Case{"LargestFourDigits", "9999", "9999", " 7030", 7030, 0},
                    Case{"FirstHalfOfSplitReading", "02", "02", " 1", 1, 1},
                    Case{"SecondHalfOfSplitReading", "56\r\n", "56\r\n", " 39", 39, 4},
                    Case{"OnlyFirstFourCharactersCount", "025699", "0256", " 180", 180, 13},
                    Case{"Hexadecimal", "&HFF", "&HFF", " 179", 179, 13},
                    Case{"LineBreakOnly", "\r\n", "\r\n", " 0", 0, 0},
                    Case{"EmptyReading", "", "", " 0", 0, 0}),
    torven::test::RowName());

TEST(DecodingOutOfRange, ExponentReadingShowsItsValueAndLightsNothing) {
    // 5E4 steps are 35156.25 degrees: the readout shows the truncated value, which is too large
    // to be a bearing.
    const auto decoded = torven::decodeReading("5E4\r");
    EXPECT_EQ(decoded.readout, " 35156");
    EXPECT_FALSE(decoded.bearing.has_value());
    EXPECT_EQ(decoded.litLamp, 0);
}

TEST(DecodingOutOfRange, LargestExponentIsShownInFullDigits) {
    const auto decoded = torven::decodeReading("9E99");
    // 9E99 steps are about 6.328125E99 degrees: a blank and exactly the 100 digits of the double.
    EXPECT_EQ(decoded.readout.substr(0, 8), " 6328124");
    EXPECT_EQ(decoded.readout.size(), 101u);
    EXPECT_EQ(decoded.readout.find_first_not_of("0123456789", 1), std::string::npos);
    EXPECT_FALSE(decoded.bearing.has_value());
}

TEST(DecodingOutOfRange, SixteenBitEdgesStillHoldABearing) {
    // -32768 degrees fits, so it is a bearing (in no sector); one degree below does not.
    EXPECT_EQ(torven::readoutText(-32768), "-32768");
    EXPECT_EQ(torven::decodeReading("-5E4").bearing, std::nullopt);
}

TEST(SectorLamps, EverySectorBoundaryLightsTheRightLamp) {
    EXPECT_EQ(torven::litLampFor(0), 0);
    EXPECT_EQ(torven::litLampFor(-1), 0);
    EXPECT_EQ(torven::litLampFor(361), 0);
    EXPECT_EQ(torven::litLampFor(-32768), 0);
    EXPECT_EQ(torven::litLampFor(32767), 0);
    EXPECT_EQ(torven::litLampFor(1), 1);
    EXPECT_EQ(torven::litLampFor(7), 1);
    EXPECT_EQ(torven::litLampFor(353), 1);
    EXPECT_EQ(torven::litLampFor(360), 1);
    for (int k = 2; k <= torven::kLampCount; ++k) {
        const int low = (k - 1) * 15 - 7;
        const int high = (k - 1) * 15 + 7;
        SCOPED_TRACE(k);
        EXPECT_EQ(torven::litLampFor(static_cast<std::int16_t>(low)), k);
        EXPECT_EQ(torven::litLampFor(static_cast<std::int16_t>(high)), k);
        EXPECT_EQ(torven::litLampFor(static_cast<std::int16_t>(low - 1)), k - 1);
    }
}

TEST(SectorLamps, EveryBearingLightsAtMostOneLampAndTheSectorsCoverOneToThreeSixty) {
    for (int b = -400; b <= 400; ++b) {
        const int lamp = torven::litLampFor(static_cast<std::int16_t>(b));
        if (b < 1 || b > 360) {
            EXPECT_EQ(lamp, 0) << b;
            continue;
        }
        ASSERT_GE(lamp, 1) << b;
        // The bearing lies within 7 degrees of the lamp's sector centre (360 counts as 0).
        const int centre = (lamp - 1) * 15;
        const int offset = ((b - centre) % 360 + 540) % 360 - 180;
        EXPECT_LE(std::abs(offset), 7) << b;
    }
}

} // namespace
