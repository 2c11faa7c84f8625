#include "RotctlProtocol.h"
#include "Rows.h"

#include <gtest/gtest.h>

#include <clocale>
#include <locale>
#include <optional>
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
using torven::test::PrintTo;

class RotctlReplies : public testing::TestWithParam<ReplyRow> {};

TEST_P(RotctlReplies, Answer) {
    const ReplyRow& row = GetParam();
    const RotctlReply reply = rotctlReply(row.line, row.state);
    EXPECT_EQ(reply.text, row.reply);
    EXPECT_EQ(reply.error.has_value(), row.reply.find("RPRT -") != std::string::npos);
    EXPECT_FALSE(reply.quit);
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
    torven::test::RowName());

struct SessionRow {
    const char* name;
    std::vector<std::string> reads;
    std::string reply;
    bool close;
};

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
    torven::test::RowName());

// Each refused line is reported for the log as it came (the first kMaxLineLength bytes of an
// overlong one, even before its end, or across reads) with its answer.
TEST(RotctlRefusals, ReportedWithTheLineAsSent) {
    RotctlSession session;
    std::vector<std::string> refused;
    for (const std::string& read :
         {"x\r\np\n+P 1,5 0\n" + kTooLong + "\np\n", std::string(200, 'p'),
          std::string(200, 'p') + "\n", kTooLong}) {
        const RotctlSession::Output out = session.receive(read, At(180));
        for (const RotctlSession::Refusal& refusal : out.refusals) {
            refused.push_back(refusal.line);
            EXPECT_NE(out.reply.find(refusal.reply), std::string::npos) << refusal.reply;
        }
    }
    const std::string cut = kTooLong.substr(1);
    EXPECT_EQ(refused, (std::vector<std::string>{"x", "+P 1,5 0", cut, cut, cut}));
}

RotctlState TakingTargets() {
    RotctlState state = At(180);
    state.takesTargets = true;
    return state;
}

struct TargetRow {
    const char* name;
    std::string line;
    std::string reply;
    std::optional<TargetRequest> target; // empty: nothing taken
};

class RotctlTargets : public testing::TestWithParam<TargetRow> {};

TEST_P(RotctlTargets, Answer) {
    const TargetRow& row = GetParam();
    const RotctlReply reply = rotctlReply(row.line, TakingTargets());
    EXPECT_EQ(reply.text, row.reply);
    EXPECT_EQ(reply.target, row.target);
}

const TargetRequest kStop{};

INSTANTIATE_TEST_SUITE_P(
    Protocol, RotctlTargets,
    testing::Values(
        TargetRow{"Whole", "P 245 0", "RPRT 0\n", TargetRequest{245}},
        TargetRow{"TrackerWithElevation", "P 180.00 45.00", "RPRT 0\n", TargetRequest{180}},
        TargetRow{"Long", "\\set_pos 7.6 90", "RPRT 0\n", TargetRequest{7.6}},
        TargetRow{"Extended", "+P 59 0", "set_pos: 59 0\nRPRT 0\n", TargetRequest{59}},
        TargetRow{"NorthAsZero", "P 0 0", "RPRT 0\n", TargetRequest{0}},
        TargetRow{"NorthAs360", "P 360.0 0", "RPRT 0\n", TargetRequest{360}},
        // Anything else is a wrong parameter and changes nothing.
        TargetRow{"AzimuthAbove", "P 360.01 0", "RPRT -1\n", std::nullopt},
        TargetRow{"AzimuthNegative", "P -1 0", "RPRT -1\n", std::nullopt},
        TargetRow{"ElevationAbove", "P 245 90.5", "RPRT -1\n", std::nullopt},
        TargetRow{"ElevationNegative", "P 245 -0.5", "RPRT -1\n", std::nullopt},
        TargetRow{"ElevationMissing", "P 245", "RPRT -1\n", std::nullopt},
        TargetRow{"NothingGiven", "\\set_pos", "RPRT -1\n", std::nullopt},
        TargetRow{"OneWordTooMany", "P 245 0 0", "RPRT -1\n", std::nullopt},
        // A decimal comma, as clients in a locale that writes one send it, reads as a full stop;
        // a number with two marks is none.
        TargetRow{"DecimalComma", "P 245,5 0", "RPRT 0\n", TargetRequest{245.5}},
        TargetRow{"CommaSixPlaces", "\\set_pos 123,400002 20,000000", "RPRT 0\n",
                  TargetRequest{123.400002}},
        TargetRow{"CommaFirst", "P ,5 0", "RPRT 0\n", TargetRequest{0.5}},
        TargetRow{"CommaLast", "P 5, 90,", "RPRT 0\n", TargetRequest{5}},
        TargetRow{"CommaExtended", "+P 59,5 0", "set_pos: 59,5 0\nRPRT 0\n", TargetRequest{59.5}},
        TargetRow{"CommaAlone", "P , 0", "RPRT -1\n", std::nullopt},
        TargetRow{"TwoCommas", "P 1,2,3 0", "RPRT -1\n", std::nullopt},
        TargetRow{"CommaAndStop", "P 2,4.5 0", "RPRT -1\n", std::nullopt},
        TargetRow{"CommasSideBySide", "P 245,,0 0", "RPRT -1\n", std::nullopt},
        TargetRow{"TwoStops", "P 24.5.0 0", "RPRT -1\n", std::nullopt},
        TargetRow{"CommaAboveRange", "P 360,01 0", "RPRT -1\n", std::nullopt},
        TargetRow{"Junk", "P 24x 0", "RPRT -1\n", std::nullopt},
        TargetRow{"NotANumber", "P nan 0", "RPRT -1\n", std::nullopt},
        TargetRow{"Infinite", "P 10 inf", "RPRT -1\n", std::nullopt},
        TargetRow{"ExtendedRefusal", "+P 400 0", "set_pos: 400 0\nRPRT -1\n", std::nullopt},
        // A stop ends the target; what would move the antenna stays unavailable.
        TargetRow{"Stop", "S", "RPRT 0\n", kStop},
        TargetRow{"StopLong", "\\stop", "RPRT 0\n", kStop},
        TargetRow{"Park", "K", "RPRT -11\n", std::nullopt},
        TargetRow{"Move", "M 2 50", "RPRT -11\n", std::nullopt},
        TargetRow{"Reset", "\\reset 1", "RPRT -11\n", std::nullopt},
        // The position stays the antenna's own.
        TargetRow{"GetPos", "p", kPosition180, std::nullopt},
        TargetRow{"DumpStateSaysElevationsAreTaken", "\\dump_state",
                  "1\n1\nmin_az=0.000000\nmax_az=360.000000\nmin_el=0.000000\n"
                  "max_el=90.000000\nsouth_zero=0\nrot_type=Az\ndone\n",
                  std::nullopt}),
    torven::test::RowName());

// Targets and stops are taken in the order they came, however the reads cut them.
TEST(RotctlTargetSession, TakesEachInOrderAcrossReads) {
    RotctlSession session;
    std::string reply;
    std::vector<TargetRequest> targets;
    for (const std::string read : {"P 24", "5 45\nS\r", "\nP 1 0\nP 2\n", "\n"}) {
        RotctlSession::Output out = session.receive(read, TakingTargets());
        reply += out.reply;
        targets.insert(targets.end(), out.targets.begin(), out.targets.end());
    }
    EXPECT_EQ(reply, "RPRT 0\nRPRT 0\nRPRT 0\nRPRT -1\n");
    EXPECT_EQ(targets, (std::vector<TargetRequest>{{245}, kStop, {1}}));
}

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
    const RotctlReply stop = rotctlReply("P 245.5 0", TakingTargets());
    const RotctlReply comma = rotctlReply("P 245,5 0", TakingTargets());
    std::setlocale(LC_NUMERIC, previousC.c_str());
    std::locale::global(previous);
    EXPECT_EQ(text, "180.000000");
    for (const RotctlReply& reply : {stop, comma}) {
        EXPECT_EQ(reply.text, "RPRT 0\n");
        EXPECT_EQ(reply.target, TargetRequest{245.5});
    }
}

} // namespace
} // namespace torven
