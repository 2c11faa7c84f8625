#include "BearingOffset.h"
#include "NumberReading.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>

namespace torven {
namespace {

struct OffsetRow {
    const char* name;
    std::string reading;
    std::optional<std::int16_t> bearing; // as decoded
    int offset;
    std::optional<std::int16_t> shown; // empty: shown as decoded
};
// A row shows as its name in the test listing.
void PrintTo(const OffsetRow& row, std::ostream* out) {
    *out << row.name;
}

class BearingOffsetRule : public testing::TestWithParam<OffsetRow> {};

TEST_P(BearingOffsetRule, Shown) {
    const OffsetRow& row = GetParam();
    DecodedReading decoded;
    decoded.rawReading = row.reading;
    decoded.hasNumber = scanNumber(row.reading).found;
    decoded.bearing = row.bearing;
    EXPECT_EQ(offsetBearing(decoded, row.offset), row.shown);
}

INSTANTIATE_TEST_SUITE_P(
    Offset, BearingOffsetRule,
    testing::Values(
        // No offset is the plain decoding, even for 0, which the wrap would otherwise make 360.
        OffsetRow{"ZeroOffsetLeavesZero", "0000", 0, 0, std::nullopt},
        OffsetRow{"ZeroOffsetLeavesBearing", "0256", 180, 0, std::nullopt},
        // Sums, and the wrap into 1 to 360.
        OffsetRow{"NorthPlus90IsEast", "0000", 0, 90, 90},
        OffsetRow{"WestPlus90Is360", "0384", 270, 90, 360},
        OffsetRow{"PastNorthWraps", "0511", 359, 90, 89},
        OffsetRow{"NegativeOffset", "0256", 180, -90, 90},
        OffsetRow{"NegativeToNorthIs360", "0128", 90, -90, 360},
        OffsetRow{"NegativeBelowZeroWraps", "0002", 1, -2, 359},
        OffsetRow{"LargestOffset", "0001", 0, 359, 359},
        OffsetRow{"SmallestOffset", "0512", 360, -359, 1}, OffsetRow{"From360", "0512", 360, 1, 1},
        OffsetRow{"BlankedNumber", " 2 56", 180, 10, 190},
        OffsetRow{"HexNumber", "&H10", 11, 1, 12}, OffsetRow{"ZeroAfterPoint", ".0", 0, 5, 5},
        // Junk is shown as decoded: no number read, or a bearing that is no direction.
        OffsetRow{"Letters", "abcd", 0, 90, std::nullopt},
        OffsetRow{"EmptyBlock", "", 0, 90, std::nullopt},
        OffsetRow{"SignOnly", "-", 0, 90, std::nullopt},
        OffsetRow{"PointOnly", ".", 0, 90, std::nullopt},
        OffsetRow{"HexWithoutDigits", "&Hxy", 0, 90, std::nullopt},
        OffsetRow{"OctalWithNineIsNoNumber", "&O9", 0, 90, std::nullopt},
        OffsetRow{"LargestReading", "9999", 7030, 90, std::nullopt},
        OffsetRow{"Above360", "0514", 361, -1, std::nullopt},
        OffsetRow{"Negative", "-100", -70, 90, std::nullopt},
        OffsetRow{"OutOfRange", "5E4", std::nullopt, 90, std::nullopt}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace torven
