#include "BearingDecoding.h"
#include "Following.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace {

using torven::PositionAnswerReader;
using Kind = PositionAnswerReader::Step::Kind;

TEST(FollowedAzimuth, OnlyWholeDecimalNumbersFromMinus360To720) {
    const struct {
        const char* line;
        std::optional<double> azimuth;
    } rows[] = {
        {"180.000000", 180.0},
        {"206,000000", 206.0},
        {" 90.5\t", 90.5},
        {"-180.00", -180.0},
        {"+45", 45.0},
        {"720", 720.0},
        {"-360", -360.0},
        {"720.01", std::nullopt},
        {"-360.5", std::nullopt},
        {"1,5.0", std::nullopt},
        {"1..5", std::nullopt},
        {"1e2", std::nullopt},
        {"nan", std::nullopt},
        {"inf", std::nullopt},
        {"", std::nullopt},
        {",", std::nullopt},
        {".5", std::nullopt},
        {"5.", std::nullopt},
        {"0x10", std::nullopt},
        {"+-5", std::nullopt},
        {"12 34", std::nullopt},
        {"RPRT -6", std::nullopt},
    };
    for (const auto& row : rows)
        EXPECT_EQ(torven::parseAzimuth(row.line), row.azimuth) << '"' << row.line << '"';
}

TEST(FollowedAzimuth, RoundsHalvesUpwardThenWrapsIntoOneTo360WithTheOffset) {
    const struct {
        double azimuth;
        int offset;
        int bearing;
        int lamp;
    } rows[] = {
        {0.0, 0, 360, 1},   {359.5, 0, 360, 1},  {359.49, 0, 359, 1}, {0.5, 0, 1, 1},
        {7.5, 0, 8, 2},     {180.0, 0, 180, 13}, {-90.5, 0, 270, 19}, {-180.0, 0, 180, 13},
        {720.0, 0, 360, 1}, {-360.0, 0, 360, 1}, {90.0, -90, 360, 1}, {300.0, 90, 30, 3},
    };
    for (const auto& row : rows) {
        const auto shown = torven::decodeAzimuth(row.azimuth, row.offset);
        EXPECT_EQ(shown.liveBearing, row.bearing) << row.azimuth << " + " << row.offset;
        EXPECT_EQ(shown.readout, " " + std::to_string(row.bearing)) << row.azimuth;
        EXPECT_EQ(shown.litLamp, row.lamp) << row.azimuth;
    }
}

TEST(PositionAnswer, IsWholeWithTwoLinesOrOneThatIsNoAzimuth) {
    const struct {
        const char* name;
        std::vector<std::string> pieces;
        Kind kind;
        std::optional<double> azimuth;
        std::string firstLine;
    } rows[] = {
        {"OnePiece", {"180.000000\n0.000000\n"}, Kind::Answered, 180.0, "180.000000"},
        {"CutAnywhereWithCrLf", {"18", "0.5\r", "\n0", ".00\r\n"}, Kind::Answered, 180.5, "180.5"},
        {"ElevationAwaited", {"180.0\n", "0"}, Kind::Waiting, std::nullopt, ""},
        {"NoPosition", {"RPRT -6\n"}, Kind::Answered, std::nullopt, "RPRT -6"},
        {"Junk", {"junk\r\n"}, Kind::Answered, std::nullopt, "junk"},
        {"OutOfRange", {"1000\n0\n"}, Kind::Answered, std::nullopt, "1000"},
        {"LongestLine", {std::string(255, '7') + "\r"}, Kind::Waiting, std::nullopt, ""},
        {"OneByteTooLong", {std::string(256, '7'), "\r\n"}, Kind::Overlong, std::nullopt, ""},
    };
    for (const auto& row : rows) {
        PositionAnswerReader reader;
        PositionAnswerReader::Step step;
        for (const auto& piece : row.pieces)
            step = reader.take(piece);
        EXPECT_EQ(step.kind, row.kind) << row.name;
        EXPECT_EQ(step.answer.azimuth, row.azimuth) << row.name;
        EXPECT_EQ(step.answer.firstLine, row.firstLine) << row.name;
    }
}

TEST(PositionAnswer, KeepsNothingBeyondTheAnswerNorMoreThanOneLine) {
    PositionAnswerReader reader;
    EXPECT_EQ(reader.take("10\n0\n20\n0\n").answer.azimuth, 10.0);
    EXPECT_EQ(reader.pendingSize(), 0u) << "what came after the answer was not asked for";
    EXPECT_EQ(reader.take("").kind, Kind::Waiting);

    // A megabyte without a line end, as it arrives: refused once it passes a line's room.
    const std::string piece(4096, 'x');
    Kind kind = Kind::Waiting;
    for (int i = 0; i < 256 && kind == Kind::Waiting; ++i) {
        kind = reader.take(piece.substr(0, 100)).kind;
        EXPECT_LE(reader.pendingSize(), PositionAnswerReader::kMaxLineLength);
    }
    EXPECT_EQ(kind, Kind::Overlong);
    EXPECT_EQ(reader.take(piece).kind, Kind::Overlong);
    EXPECT_EQ(reader.pendingSize(), 0u);
}

TEST(RemoteAddress, HostAndPortWithIpv6InBrackets) {
    const struct {
        const char* text;
        std::optional<torven::RemoteAddress> address;
    } rows[] = {
        {"192.168.1.10:4533", torven::RemoteAddress{"192.168.1.10", 4533}},
        {"[::1]:65535", torven::RemoteAddress{"::1", 65535}},
        {"shack.local:1", torven::RemoteAddress{"shack.local", 1}},
        {"::1:4533", std::nullopt},
        {"[shack]:4533", std::nullopt},
        {"[::1]4533", std::nullopt},
        {"shack", std::nullopt},
        {":4533", std::nullopt},
        {"shack:0", std::nullopt},
        {"shack:65536", std::nullopt},
        {"shack:45x", std::nullopt},
        {"a b:4533", std::nullopt},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(torven::parseRemoteAddress(row.text), row.address) << row.text;
        if (row.address) {
            EXPECT_EQ(torven::remoteAddressText(*row.address), row.text);
        }
    }
}

TEST(FollowTexts, NameTheFarEndAndShowItsWordsAsPlainText) {
    const torven::RemoteAddress far{"::1", 4533};
    const std::string refused =
        torven::followFaultText({torven::FollowFault::Kind::Refused, far, "Connection refused"});
    EXPECT_NE(refused.find("rotctld на [::1]:4533"), std::string::npos) << refused;
    EXPECT_NE(refused.find("каждые 2 с"), std::string::npos) << refused;
    EXPECT_TRUE(refused.ends_with(" (Connection refused)")) << refused;

    const std::string junk = torven::noAzimuthText(far, "a\x1b[2J" + std::string(100, 'b'));
    EXPECT_NE(junk.find("«a\\x1B[2Jbbb"), std::string::npos) << junk;
    EXPECT_NE(junk.find("b…»"), std::string::npos) << junk;
    // A long text is cut between characters, never inside one.
    const std::string cyrillic = torven::noAzimuthText(far, std::string(33, 'x') + "жжжжжжжжжж"
                                                                                   "жжжжжжжж");
    EXPECT_NE(cyrillic.find("ж…»"), std::string::npos) << cyrillic;
}

} // namespace
