#include "BearingDecoding.h"
#include "Following.h"

#include <gtest/gtest.h>

namespace {

using torven::PositionAnswerReader;
using Kind = PositionAnswerReader::Step::Kind;
constexpr std::nullopt_t no = std::nullopt;

TEST(FollowedAzimuth, OnlyWholeDecimalNumbersFromMinus360To720) {
    const std::pair<const char*, double> rows[] = {{"180.000000", 180}, {"206,000000", 206},
                                                   {" 90.5\t", 90.5},   {"+45", 45},
                                                   {"-360", -360},      {"720", 720}};
    for (const auto& [line, azimuth] : rows)
        EXPECT_EQ(torven::parseAzimuth(line), azimuth) << '"' << line << '"';
    for (const char* line :
         {"720.01", "-360.5", "1,5.0", "1e2", "nan", "", ".5", "5.", "+-5", "RPRT"})
        EXPECT_EQ(torven::parseAzimuth(line), std::nullopt) << '"' << line << '"';
}

TEST(FollowedAzimuth, RoundsHalvesUpwardThenWrapsIntoOneTo360WithTheOffset) {
    const struct {
        double azimuth;
        int offset, bearing, lamp;
    } rows[] = {{0.0, 0, 360, 1},    {359.5, 0, 360, 1},   {359.49, 0, 359, 1}, {7.5, 0, 8, 2},
                {-90.5, 0, 270, 19}, {-180.0, 0, 180, 13}, {720.0, 0, 360, 1},  {-360.0, 0, 360, 1},
                {90.0, -90, 360, 1}, {300.0, 90, 30, 3}};
    for (const auto& row : rows) {
        const auto shown = torven::decodeAzimuth(row.azimuth, row.offset);
        EXPECT_EQ(shown.liveBearing, row.bearing) << row.azimuth << " + " << row.offset;
        EXPECT_EQ(shown.readout, " " + std::to_string(row.bearing)) << row.azimuth;
        EXPECT_EQ(shown.litLamp, row.lamp) << row.azimuth;
    }
}

TEST(PositionAnswer, IsWholeWithTwoLinesOrOneThatIsNoAzimuthAndNeverLongerThanALine) {
    const struct {
        std::vector<std::string> pieces;
        Kind kind;
        std::optional<double> azimuth;
    } rows[] = {{{"18", "0.5\r", "\n0", ".00\r\n9\n0\n"}, Kind::Answered, 180.5},
                {{"180.0\n", "0"}, Kind::Waiting, no},
                {{"7\n", std::string(255, '7') + "\r"}, Kind::Waiting, no},
                {{std::string(256, '7'), "\r\n"}, Kind::Overlong, no}};
    for (const auto& row : rows) {
        PositionAnswerReader reader;
        PositionAnswerReader::Step step;
        for (const auto& piece : row.pieces)
            step = reader.take(piece);
        EXPECT_EQ(step.kind, row.kind) << row.pieces[0];
        EXPECT_EQ(step.answer.azimuth, row.azimuth) << row.pieces[0];
        // What follows an answer was not asked for, and more than a line is never kept.
        EXPECT_EQ(reader.pendingSize() > 0, row.kind == Kind::Waiting) << row.pieces[0];
        EXPECT_LE(reader.pendingSize(), PositionAnswerReader::kMaxLineLength);
    }
}

TEST(RemoteAddress, HostAndPortWithIpv6InBrackets) {
    const struct {
        const char* text;
        torven::RemoteAddress address;
    } rows[] = {{"192.168.1.10:4533", {"192.168.1.10", 4533}},
                {"[::1]:65535", {"::1", 65535}},
                {"shack.local:1", {"shack.local", 1}}};
    for (const auto& row : rows) {
        EXPECT_EQ(torven::parseRemoteAddress(row.text), row.address) << row.text;
        EXPECT_EQ(torven::remoteAddressText(row.address), row.text);
    }
    for (const char* text : {"::1:4533", "[shack]:4533", "[::1]4533", "shack", ":4533", "shack:0",
                             "shack:65536", "a b:4533"})
        EXPECT_EQ(torven::parseRemoteAddress(text), std::nullopt) << text;
}

TEST(FollowTexts, ShowTheFarEndsWordsAsPlainTextCutBetweenCharacters) {
    const torven::RemoteAddress far{"::1", 4533};
    const std::string cut =
        torven::noAzimuthText(far, std::string(33, '\t') + "жжжжжжжжжжжжжжжжжжжж");
    EXPECT_NE(cut.find("\\x09ж"), std::string::npos) << cut;
    EXPECT_NE(cut.find("ж…»"), std::string::npos) << cut;
}

} // namespace
