#include "LineSettings.h"
#include "Rows.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using torven::LineSettings;
using torven::Parity;
using torven::StopBits;

struct Case {
    const char* name;
    std::string text;
    std::optional<LineSettings> expected;
};

using torven::test::PrintTo;

class LineSettingsText : public testing::TestWithParam<Case> {};

TEST_P(LineSettingsText, ParsesOrRefuses) {
    const auto& expected = GetParam().expected;
    EXPECT_EQ(torven::parseLineSettings(GetParam().text), expected);
    if (expected) { // and the text the settings are said as reads back the same
        EXPECT_EQ(torven::parseLineSettings(torven::lineSettingsText(*expected)), expected);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, LineSettingsText,
    testing::Values(
        Case{"Default", "19200,n,8,1", LineSettings{19200, Parity::None, 8, StopBits::One}},
        Case{"UpperCaseEven", "9600,E,7,2", LineSettings{9600, Parity::Even, 7, StopBits::Two}},
        Case{"OddOneAndHalf", "1200,o,5,1.5",
             LineSettings{1200, Parity::Odd, 5, StopBits::OneAndHalf}},
        Case{"Mark", "300,m,8,1", LineSettings{300, Parity::Mark, 8, StopBits::One}},
        Case{"Space", "115200,S,6,1", LineSettings{115200, Parity::Space, 6, StopBits::One}},
        Case{"BlanksAroundFields", " 4800 , n , 8 , 1 ",
             LineSettings{4800, Parity::None, 8, StopBits::One}},
        Case{"Empty", "", std::nullopt}, Case{"TooFewFields", "19200,n,8", std::nullopt},
        Case{"TooManyFields", "19200,n,8,1,1", std::nullopt},
        Case{"UnknownParity", "19200,x,8,1", std::nullopt},
        Case{"ParityWord", "19200,none,8,1", std::nullopt},
        Case{"FourDataBits", "19200,n,4,1", std::nullopt},
        Case{"NineDataBits", "19200,n,9,1", std::nullopt},
        Case{"ThreeStopBits", "19200,n,8,3", std::nullopt},
        Case{"ZeroBaud", "0,n,8,1", std::nullopt},
        Case{"NegativeBaud", "-9600,n,8,1", std::nullopt},
        Case{"BaudTooHigh", "4000001,n,8,1", std::nullopt},
        Case{"BaudOverflows", "99999999999,n,8,1", std::nullopt},
        Case{"FractionalBaud", "9600.5,n,8,1", std::nullopt},
        Case{"EmptyField", "19200,,8,1", std::nullopt}),
    torven::test::RowName());

} // namespace
