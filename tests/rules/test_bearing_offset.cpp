#include "BearingDecoding.h"
#include "Rows.h"
#include "SectorLamps.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>

namespace torven {
namespace {

struct OffsetRow {
    const char* name;
    std::string reading;
    int offset;
    std::optional<int> live; // the bearing shown and shared; empty: junk, shown as decoded
};
using torven::test::PrintTo;

class BearingOffsetRule : public testing::TestWithParam<OffsetRow> {};

TEST_P(BearingOffsetRule, ShownAndShared) {
    const OffsetRow& row = GetParam();
    const DecodedReading decoded = decodeReading(row.reading, row.offset);
    EXPECT_EQ(decoded.liveBearing, row.live);
    // Junk never turns into a plausible bearing: the offset leaves it as decoded.
    const DecodedReading plain = decodeReading(row.reading);
    const auto live = static_cast<std::int16_t>(row.live.value_or(0));
    EXPECT_EQ(decoded.bearing, row.live ? live : plain.bearing);
    EXPECT_EQ(decoded.readout, row.live ? readoutText(live) : plain.readout);
    EXPECT_EQ(decoded.litLamp, row.live ? litLampFor(live) : plain.litLamp);
}

INSTANTIATE_TEST_SUITE_P(
    Offset, BearingOffsetRule,
    testing::Values(
        // No offset is the plain decoding, even for 0, which the wrap would otherwise make 360.
        OffsetRow{"ZeroOffsetLeavesZero", "0000", 0, 0},
        OffsetRow{"ZeroOffsetLeavesBearing", "0256", 0, 180},
        // Sums, and the wrap into 1 to 360.
        OffsetRow{"NorthPlus90IsEast", "0000", 90, 90},
        OffsetRow{"WestPlus90Is360", "0384", 90, 360}, OffsetRow{"PastNorthWraps", "0511", 90, 89},
        OffsetRow{"NegativeOffset", "0256", -90, 90},
        OffsetRow{"NegativeToNorthIs360", "0128", -90, 360},
        OffsetRow{"NegativeBelowZeroWraps", "0002", -2, 359},
        OffsetRow{"LargestOffset", "0001", 359, 359}, OffsetRow{"SmallestOffset", "0512", -359, 1},
        OffsetRow{"From360", "0512", 1, 1}, OffsetRow{"BlankedNumber", " 2 5", 10, 27},
        OffsetRow{"HexNumber", "&H10", 1, 12}, OffsetRow{"ZeroAfterPoint", ".0", 5, 5},
        // Junk, with an offset or without: no number read, or a bearing that is no direction.
        OffsetRow{"Letters", "abcd", 90, std::nullopt},
        OffsetRow{"LettersNoOffset", "abcd", 0, std::nullopt},
        OffsetRow{"EmptyReading", "", 90, std::nullopt},
        OffsetRow{"SignOnly", "-", 90, std::nullopt}, OffsetRow{"PointOnly", ".", 90, std::nullopt},
        OffsetRow{"HexWithoutDigits", "&Hxy", 90, std::nullopt},
        OffsetRow{"OctalWithNineIsNoNumber", "&O9", 90, std::nullopt},
        OffsetRow{"LargestReading", "9999", 90, std::nullopt},
        OffsetRow{"LargestReadingNoOffset", "9999", 0, std::nullopt},
        OffsetRow{"Above360", "0514", -1, std::nullopt},
        OffsetRow{"Negative", "-100", 90, std::nullopt},
        OffsetRow{"NegativeNoOffset", "-100", 0, std::nullopt},
        OffsetRow{"OutOfRange", "5E4", 90, std::nullopt}),
    torven::test::RowName());

} // namespace
} // namespace torven
