#include "RotctlProtocol.h"

#include <gtest/gtest.h>

#include <clocale>
#include <locale>
#include <ostream>
#include <string>
#include <vector>

namespace torven {
namespace {

const std::string kPosition180 = "180.000000\n0.000000\n";
const std::string kDumpState = "1\n1\nmin_az=0.000000\nmax_az=360.000000\nmin_el=0.000000\n"
                               "max_el=0.000000\nsouth_zero=0\nrot_type=Az\ndone\n";

RotctlState At(std::optional<int> azimuth, std::string info = "torven") {
    return RotctlState{azimuth, std::move(info)};
}

struct ReplyRow {
    const char* name;
    std::string line;
    RotctlState state;
    std::string reply;
};
// A row shows as its name in the test listing.
void PrintTo(const ReplyRow& row, std::ostream* out) {
    *out << row.name;
}

class RotctlReplies : public testing::TestWithParam<ReplyRow> {};

TEST_P(RotctlReplies, Answer) {
    const ReplyRow& row = GetParam();
    bool quit = true;
    EXPECT_EQ(rotctlReply(row.line, row.state, &quit), row.reply);
    EXPECT_FALSE(quit);
}

INSTANTIATE_TEST_SUITE_P(
    Protocol, RotctlReplies,
    testing::Values(
        // Position queries in every form the clients use.
        ReplyRow{"ShortGetPos", "p", At(180), kPosition180},
        ReplyRow{"LongGetPos", "\\get_pos", At(180), kPosition180},
        ReplyRow{"BlanksAround", " \tp  ", At(180), kPosition180},
        ReplyRow{"NorthAsZero", "p", At(0), "0.000000\n0.000000\n"},
        ReplyRow{"NorthAs360", "p", At(360), "360.000000\n0.000000\n"},
        ReplyRow{"ExtendedShort", "+p", At(180),
                 "get_pos:\nAzimuth: 180.000000\nElevation: 0.000000\nRPRT 0\n"},
        ReplyRow{"ExtendedLong", "+\\get_pos", At(37),
                 "get_pos:\nAzimuth: 37.000000\nElevation: 0.000000\nRPRT 0\n"},
        ReplyRow{"ExtendedOneLine", ";p", At(180),
                 "get_pos:;Azimuth: 180.000000;Elevation: 0.000000;RPRT 0\n"},
        // No live bearing: an I/O error, never a stale or junk number.
        ReplyRow{"Unavailable", "p", At(std::nullopt), "RPRT -6\n"},
        ReplyRow{"UnavailableLong", "\\get_pos", At(std::nullopt), "RPRT -6\n"},
        ReplyRow{"UnavailableExtended", "+p", At(std::nullopt), "get_pos:\nRPRT -6\n"},
        ReplyRow{"JunkAbove360", "p", At(7030), "RPRT -6\n"},
        ReplyRow{"NegativeJunk", "p", At(-70), "RPRT -6\n"},
        // Anything that would move the rotator is not available.
        ReplyRow{"SetPos", "P 90 0", At(180), "RPRT -11\n"},
        ReplyRow{"SetPosLong", "\\set_pos 90 0", At(180), "RPRT -11\n"},
        ReplyRow{"SetPosExtended", "+P 90.5  0", At(180), "set_pos: 90.5 0\nRPRT -11\n"},
        ReplyRow{"Stop", "S", At(180), "RPRT -11\n"},
        ReplyRow{"Park", "\\park", At(180), "RPRT -11\n"},
        ReplyRow{"Move", "M 2 50", At(180), "RPRT -11\n"},
        ReplyRow{"Reset", "R 1", At(std::nullopt), "RPRT -11\n"},
        // Always answered, port open or not.
        ReplyRow{"DumpState", "\\dump_state", At(std::nullopt), kDumpState},
        // Labelled as Hamlib's rotctld labels them, with the default form's values.
        ReplyRow{"DumpStateExtended", "+\\dump_state", At(180),
                 "dump_state:\nrotctld Protocol Ver: 1\nRotor Model: 1\nMinimum Azimuth: 0.000000\n"
                 "Maximum Azimuth: 360.000000\nMinimum Elevation: 0.000000\n"
                 "Maximum Elevation: 0.000000\nSouth Zero: 0\nrot_type=Az\ndone\nRPRT 0\n"},
        ReplyRow{"Info", "_", At(std::nullopt), "torven\n"},
        ReplyRow{"InfoNamed", "\\get_info", At(180, "torven — Мачта"), "torven — Мачта\n"},
        ReplyRow{"InfoKeptOnOneLine", "_", At(180, "torven\r\nRPRT 0"), "torven  RPRT 0\n"},
        ReplyRow{"InfoExtended", "+_", At(180), "get_info:\nInfo: torven\nRPRT 0\n"},
        // Unknown commands are answered with an error, never with silence.
        ReplyRow{"UnknownShort", "x", At(180), "RPRT -1\n"},
        ReplyRow{"ShortWithTail", "px", At(180), "RPRT -1\n"},
        ReplyRow{"UnknownLong", "\\get_freq", At(180), "RPRT -1\n"},
        ReplyRow{"LongNameIsCaseSensitive", "\\GET_POS", At(180), "RPRT -1\n"},
        ReplyRow{"BackslashAlone", "\\", At(180), "RPRT -1\n"},
        ReplyRow{"PrefixAlone", "+", At(180), "RPRT -1\n"},
        ReplyRow{"EmptyLineIsNoCommand", "", At(180), ""}),
    [](const auto& info) { return std::string(info.param.name); });

struct SessionRow {
    const char* name;
    std::vector<std::string> reads;
    std::string reply;
    bool close;
};
// A row shows as its name in the test listing.
void PrintTo(const SessionRow& row, std::ostream* out) {
    *out << row.name;
}

class RotctlFraming : public testing::TestWithParam<SessionRow> {};

TEST_P(RotctlFraming, RepliesInOrder) {
    const SessionRow& row = GetParam();
    RotctlSession session;
    std::string reply;
    bool close = false;
    for (const std::string& read : row.reads) {
        const RotctlSession::Output out = session.receive(read, At(180));
        reply += out.reply;
        close = out.close;
    }
    EXPECT_EQ(reply, row.reply);
    EXPECT_EQ(close, row.close);
}

const std::string kLongest = "p" + std::string(RotctlSession::kMaxLineLength - 1, ' ');
const std::string kTooLong(RotctlSession::kMaxLineLength + 1, 'p');

INSTANTIATE_TEST_SUITE_P(
    Protocol, RotctlFraming,
    testing::Values(
        SessionRow{"LineFeed", {"p\n"}, kPosition180, false},
        SessionRow{"CarriageReturnLineFeed", {"p\r\n"}, kPosition180, false},
        SessionRow{"SplitAcrossReads", {"\\get", "_pos\r", "\n"}, kPosition180, false},
        SessionRow{
            "SeveralInOneRead", {"p\n_\r\np\n"}, kPosition180 + "torven\n" + kPosition180, false},
        SessionRow{"NoLineEndYet", {"p"}, "", false},
        SessionRow{"BlankLinesIgnored", {"\n\r\n\np\n"}, kPosition180, false},
        SessionRow{"LongestLineWithLf", {kLongest + "\n"}, kPosition180, false},
        SessionRow{"LongestLineWithCrLf", {kLongest + "\r\n"}, kPosition180, false},
        SessionRow{
            "TooLongDroppedThenNext", {kTooLong + "\np\n"}, "RPRT -8\n" + kPosition180, false},
        SessionRow{
            "TooLongAnsweredBeforeItsEnd", {kTooLong + std::string(5000, 'x')}, "RPRT -8\n", false},
        SessionRow{"TooLongOverSeveralReads",
                   {std::string(200, 'p'), std::string(200, 'p'), "p\np\n"},
                   "RPRT -8\n" + kPosition180,
                   false},
        SessionRow{"QuitClosesAndEndsTheRead", {"p\nq\np\n", "p\n"}, kPosition180, true},
        SessionRow{"QuitWithCrLf", {"q\r\n"}, "", true}),
    [](const auto& info) { return std::string(info.param.name); });

// A locale with a decimal comma, as ru_RU has, must not reach the numbers clients parse.
TEST(RotctlNumbers, FullStopWhateverTheLocale) {
    struct DecimalComma : std::numpunct<char> {
        char do_decimal_point() const override { return ','; }
    };
    const std::locale previous =
        std::locale::global(std::locale(std::locale::classic(), new DecimalComma));
    const std::string previousC = std::setlocale(LC_NUMERIC, nullptr);
    std::setlocale(LC_NUMERIC, "ru_RU.UTF-8"); // when the machine has it
    const std::string text = rotctlNumber(180);
    std::setlocale(LC_NUMERIC, previousC.c_str());
    std::locale::global(previous);
    EXPECT_EQ(text, "180.000000");
}

} // namespace
} // namespace torven
