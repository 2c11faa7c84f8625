#include "NumberReading.h"
#include "Rows.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <string>

namespace {

struct Case {
    const char* name;
    std::string text;
    double expected;
};

using torven::test::PrintTo;

class NumberReading : public testing::TestWithParam<Case> {};

TEST_P(NumberReading, ReadsTheLeadingNumber) {
    EXPECT_DOUBLE_EQ(torven::readNumber(GetParam().text), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, NumberReading,
    testing::Values(
        Case{"PlainDigits", "0256", 256}, Case{"LeadingZeros", "0002", 2}, Case{"Empty", "", 0},
        Case{"LettersOnly", "abcd", 0}, Case{"StopsAtCarriageReturn", "12\r\n", 12},
        Case{"StopsAtLetter", "12ab34", 12}, Case{"LeadingBlankSkipped", " 256", 256},
        Case{"BlankBetweenDigitsSkipped", "1 23", 123},
        Case{"TabAndLineFeedSkipped", "1\t2\n3", 123},
        Case{"CarriageReturnIsNotSkipped", "1\r23", 1}, Case{"Negative", "-100", -100},
        Case{"ExplicitPlus", "+42", 42}, Case{"SignAlone", "-", 0}, Case{"PointAlone", ".", 0},
        Case{"DecimalFraction", "2.5", 2.5}, Case{"LeadingPoint", ".5", 0.5},
        Case{"TrailingPoint", "5.", 5}, Case{"SecondPointStops", "1.2.3", 1.2},
        Case{"CommaIsNotADecimalSeparator", "1,5", 1}, Case{"ExponentE", "5E4", 50000},
        Case{"ExponentLowerD", "1d9", 1e9}, Case{"ExponentWithSign", "25e-1", 2.5},
        Case{"ExponentWithoutDigitsIgnored", "1E", 1},
        Case{"ExponentSignWithoutDigitsIgnored", "7e+x", 7},
        Case{"BlanksInsideExponent", "1 e 2", 100}, Case{"Hexadecimal", "&HFF", 255},
        Case{"HexLowerCase", "&h1a", 26}, Case{"Octal", "&O17", 15}, Case{"AmpersandAlone", "&", 0},
        Case{"AmpersandOther", "&X1", 0}, Case{"HexWithoutDigits", "&H", 0},
        Case{"OctalStopsAtEight", "&O78", 7}, Case{"ReadoutFormPositive", " 180", 180},
        Case{"ReadoutFormNegative", "-70", -70},
        Case{"NulStops",
             std::string("4\0"
                         "5",
                         3),
             4},
        Case{"HighByteStops",
             "9\xff"
             "9",
             9},
        Case{"HugeUnderflowIsZero", "1e-999", 0}, Case{"LongFractionUnderflow", "0.0000e-400", 0}),
    torven::test::RowName());

TEST(NumberReadingLimits, OverflowGivesSignedInfinity) {
    EXPECT_EQ(torven::readNumber("1e999"), INFINITY);
    EXPECT_EQ(torven::readNumber("-1e999"), -INFINITY);
}

TEST(NumberReadingLimits, WholeNumbersRoundOnceLikeTheCLibrary) {
    // Around the largest exact double and the 64-bit limit, where a shortcut could round twice.
    for (const char* text :
         {"9007199254740993", "-9007199254740995", "18446744073709551605", "18446744073709551615",
          "18446744073709551616", "123456789012345678901", "0000000000000000000000000000001"}) {
        SCOPED_TRACE(text);
        EXPECT_EQ(torven::readNumber(text), std::strtod(text, nullptr));
    }
}

TEST(NumberReadingLimits, LongDigitRunsAreReadExactly) {
    const std::string hundredDigits = "6328125" + std::string(93, '0');
    EXPECT_DOUBLE_EQ(torven::readNumber(hundredDigits), 6.328125e99);
}

} // namespace
