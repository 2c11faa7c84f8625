#include "PortNumber.h"
#include "Rows.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace {

struct Case {
    const char* name;
    std::string text;
    std::optional<std::int16_t> expected;
};

using torven::test::PrintTo;

class PortNumberConversion : public testing::TestWithParam<Case> {};

TEST_P(PortNumberConversion, ConvertsOrRefuses) {
    EXPECT_EQ(torven::toPortNumber(GetParam().text), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PortNumberConversion,
    testing::Values(
        Case{"Digit", "3", 3}, Case{"BlanksAround", " 7 ", 7}, Case{"LeadingBlank", " 4", 4},
        Case{"TabsAround", "\t5\t", 5}, Case{"HalfRoundsDownToEven", "2.5", 2},
        Case{"HalfRoundsUpToEven", "3.5", 4}, Case{"FractionRoundsToNearest", "2.6", 3},
        Case{"NegativeHalfToEven", "-2.5", -2}, Case{"Negative", "-3", -3}, Case{"Plus", "+9", 9},
        Case{"Exponent", "1E2", 100}, Case{"ExponentD", "12d-1", 1},
        Case{"Hexadecimal", "&H10", 16}, Case{"Octal", "&O10", 8}, Case{"Largest", "32767", 32767},
        Case{"Smallest", "-32768", -32768}, Case{"JustAboveRange", "32768", std::nullopt},
        Case{"RoundsOutOfRange", "32767.5", std::nullopt},
        Case{"BelowRange", "-32769", std::nullopt}, Case{"FarOutOfRange", "99999", std::nullopt},
        Case{"Empty", "", std::nullopt}, Case{"BlanksOnly", "   ", std::nullopt},
        Case{"Letters", "abc", std::nullopt}, Case{"TrailingLetters", "3a", std::nullopt},
        Case{"InnerBlank", "1 2", std::nullopt}, Case{"BlankAfterSign", "- 3", std::nullopt},
        Case{"BlankInsideHex", "&H 10", std::nullopt}, Case{"CommaDecimal", "3,5", std::nullopt},
        Case{"PointOnly", ".", std::nullopt}, Case{"SignOnly", "-", std::nullopt},
        Case{"ExponentWithoutDigits", "3e", std::nullopt},
        Case{"HexWithoutDigits", "&H", std::nullopt}, Case{"BadOctalDigit", "&O8", std::nullopt},
        Case{"Nul", std::string("3\0", 2), std::nullopt}, Case{"Huge", "1e400", std::nullopt},
        Case{"CarriageReturn", "3\r", std::nullopt}),
    torven::test::RowName());

TEST(RoundHalfEven, RoundsHalvesToTheEvenNeighbour) {
    EXPECT_EQ(torven::roundHalfEven(0.5), 0);
    EXPECT_EQ(torven::roundHalfEven(1.5), 2);
    EXPECT_EQ(torven::roundHalfEven(-0.5), 0);
    EXPECT_EQ(torven::roundHalfEven(-1.5), -2);
    EXPECT_EQ(torven::roundHalfEven(2.4999), 2);
}

} // namespace
