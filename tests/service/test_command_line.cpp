#include "CommandLine.h"
#include "Rows.h"

#include <gtest/gtest.h>

#include <ostream>

namespace torven {
namespace {

CommandLine Parse(QStringList arguments) {
    arguments.prepend(QStringLiteral("torven"));
    return parseCommandLine(arguments, QStringLiteral("1.2.3"));
}

struct RunRow {
    const char* name;
    QStringList arguments;
    CommandLineOptions expected;
};
using torven::test::PrintTo;

CommandLineOptions With(auto change) {
    CommandLineOptions o;
    change(o);
    return o;
}

class CommandLineRuns : public testing::TestWithParam<RunRow> {};

TEST_P(CommandLineRuns, Options) {
    const RunRow& row = GetParam();
    const CommandLine result = Parse(row.arguments);
    ASSERT_EQ(result.action, CommandLine::Action::Run) << result.text.toStdString();
    const CommandLineOptions& got = result.options;
    const CommandLineOptions& want = row.expected;
    EXPECT_EQ(got.rotctldPort, want.rotctldPort);
    EXPECT_EQ(got.rotctldAddress, want.rotctldAddress)
        << got.rotctldAddress.toString().toStdString();
    // "::" as IPv6 only and as both families compare equal.
    EXPECT_EQ(got.rotctldAddress.protocol(), want.rotctldAddress.protocol());
    EXPECT_EQ(got.targets, want.targets);
    EXPECT_EQ(got.offset, want.offset);
    EXPECT_EQ(got.portNumber, want.portNumber);
    EXPECT_EQ(got.name, want.name) << got.name.toStdString();
    EXPECT_EQ(got.position, want.position);
    EXPECT_EQ(got.debug, want.debug);
    EXPECT_EQ(got.headless, want.headless);
    EXPECT_EQ(got.lineSettings, want.lineSettings) << got.lineSettings.toStdString();
    EXPECT_EQ(got.device, want.device) << got.device.toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    CommandLine, CommandLineRuns,
    testing::Values(
        RunRow{"NothingIsThePlainProgram", {}, {}},
        RunRow{"ServiceOnLoopback", {"--rotctld", "4533"}, With([](auto& o) {
                   o.rotctldPort = 4533;
               })},
        RunRow{"ServiceOnIpv6WithEquals",
               {"--rotctld=4534", "--rotctld-address=::1"},
               With([](auto& o) {
                   o.rotctldPort = 4534;
                   o.rotctldAddress = QHostAddress(QHostAddress::LocalHostIPv6);
               })},
        RunRow{"ServiceOnEveryAddressWhenAsked",
               {"--rotctld-address", "0.0.0.0", "--rotctld", "65535"},
               With([](auto& o) {
                   o.rotctldPort = 65535;
                   o.rotctldAddress = QHostAddress(QHostAddress::AnyIPv4);
               })},
        RunRow{"ServiceOnEveryAddressOfBothFamilies",
               {"--rotctld", "4533", "--rotctld-address", "::"},
               With([](auto& o) {
                   o.rotctldPort = 4533;
                   o.rotctldAddress = QHostAddress(QHostAddress::Any);
               })},
        RunRow{"TargetsWithTheService", {"--targets", "--rotctld", "4533"}, With([](auto& o) {
                   o.rotctldPort = 4533;
                   o.targets = true;
               })},
        RunRow{"OffsetEdges", {"--offset", "-359"}, With([](auto& o) { o.offset = -359; })},
        RunRow{"OffsetWithPlus", {"--offset", "+359"}, With([](auto& o) { o.offset = 359; })},
        RunRow{"OffsetWithTheMinusSignTheHelpPrints",
               {"--offset", QStringLiteral("\u2212359")},
               With([](auto& o) { o.offset = -359; })},
        RunRow{"LocalhostIsTheLoopback",
               {"--rotctld", "4533", "--rotctld-address", "LocalHost"},
               With([](auto& o) { o.rotctldPort = 4533; })},
        RunRow{"QtOptionsAndTheirValuesAreLeftToQt",
               {"-style", "fusion", "--port", "3", "--platform=offscreen", "-reverse"},
               With([](auto& o) { o.portNumber = 3; })},
        RunRow{"PortForThisRun", {"--port", "3"}, With([](auto& o) { o.portNumber = 3; })},
        RunRow{"NameTidied", {"--name", QStringLiteral("  Мачта\n 2 ")}, With([](auto& o) {
                   o.name = QStringLiteral("Мачта 2");
               })},
        RunRow{"LongestName", {"--name", QString(64, QChar(0x416))}, With([](auto& o) {
                   o.name = QString(64, QChar(0x416));
               })},
        RunRow{"LongestNameCountsCharactersNotUtf16Units",
               {"--name", QStringLiteral("😀").repeated(64)},
               With([](auto& o) { o.name = QStringLiteral("😀").repeated(64); })},
        RunRow{"PositionMayBeNegative", {"--position", "-1920, 40"}, With([](auto& o) {
                   o.position = QPoint(-1920, 40);
               })},
        RunRow{"BridgeOnANamedDevice",
               {"--headless", "--rotctld", "4533", "--device", "/dev/ttyS0", "--line-settings",
                " 9600,e,7,1 "},
               With([](auto& o) {
                   o.headless = true;
                   o.rotctldPort = 4533;
                   o.device = "/dev/ttyS0";
                   o.lineSettings = "9600,e,7,1";
               })},
        RunRow{"EverythingTogether",
               {"--port", "2", "--name", "A", "--position", "10,20", "--offset", "90", "--rotctld",
                "4540", "--debug"},
               With([](auto& o) {
                   o.debug = true;
                   o.portNumber = 2;
                   o.name = "A";
                   o.position = QPoint(10, 20);
                   o.offset = 90;
                   o.rotctldPort = 4540;
               })}),
    torven::test::RowName());

struct FailRow {
    const char* name;
    QStringList arguments;
    QString says; // a part of the Russian message
};

class CommandLineFailures : public testing::TestWithParam<FailRow> {};

TEST_P(CommandLineFailures, Refused) {
    const FailRow& row = GetParam();
    const CommandLine result = Parse(row.arguments);
    EXPECT_EQ(result.action, CommandLine::Action::Fail);
    EXPECT_TRUE(result.text.contains(row.says)) << result.text.toStdString();
    // Every word of the answer is Russian but for what the user typed.
    EXPECT_FALSE(result.text.contains(QStringLiteral("value"))) << result.text.toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    CommandLine, CommandLineFailures,
    testing::Values(FailRow{"UnknownOption", {"--rotator", "1"}, "Неизвестный параметр: --rotator"},
                    FailRow{"UnknownWordWithOneDashAsTyped", {"-bogus"}, "параметр: -bogus "},
                    FailRow{"UnknownAmongQtOptions",
                            {"-style", "fusion", "--bogus=1"},
                            "Неизвестный параметр: --bogus "},
                    FailRow{"MissingValue", {"--port"}, "После --port нет значения"},
                    FailRow{"ValueForAFlag", {"--version=2"}, "--version не принимает значения"},
                    FailRow{"StrayArgument", {"4533"}, "Лишний аргумент: 4533"},
                    FailRow{"ServicePortZero", {"--rotctld", "0"}, "--rotctld"},
                    FailRow{"ServicePortTooLarge", {"--rotctld", "65536"}, "--rotctld"},
                    FailRow{"ServicePortText", {"--rotctld", "rotctld"}, "«rotctld»"},
                    FailRow{
                        "AddressWithoutService", {"--rotctld-address", "::1"}, "--rotctld PORT"},
                    FailRow{"TargetsWithoutService", {"--targets"}, "--rotctld PORT"},
                    FailRow{"HostNameIsNoAddress",
                            {"--rotctld", "4533", "--rotctld-address", "rotator.local"},
                            "«rotator.local»"},
                    FailRow{"OffsetFullTurn", {"--offset", "360"}, "--offset"},
                    FailRow{"OffsetBelow", {"--offset", "-360"}, "--offset"},
                    FailRow{"OffsetFraction", {"--offset", "12.5"}, "--offset"},
                    FailRow{"PortZero", {"--port", "0"}, "--port"},
                    FailRow{"PortBeyond16Bits", {"--port", "32768"}, "--port"},
                    FailRow{"EmptyName", {"--name", " \t"}, "--name"},
                    FailRow{"NameTooLong", {"--name", QString(65, QChar(0x416))}, "длиннее 64"},
                    FailRow{"NameWithEscape", {"--name", "A\x1b]0;T\a"}, "символ U+001B"},
                    FailRow{"NameWithC1", {"--name", QStringLiteral("A\u009B")}, "U+009B"},
                    FailRow{"TypedEscapeShown", {"--port", "\x1b]0;T\a"}, "«\\u001B]0;T\\u0007»"},
                    FailRow{"PositionOneNumber", {"--position", "100"}, "--position"},
                    FailRow{"PositionThreeNumbers", {"--position", "1,2,3"}, "--position"},
                    FailRow{"PositionLetters", {"--position", "x,y"}, "--position"},
                    FailRow{"BridgeWithoutService", {"--headless"}, "нужен --rotctld PORT"},
                    FailRow{"BridgeWithTargets",
                            {"--headless", "--rotctld", "1", "--targets"},
                            "--targets не действует"},
                    FailRow{"LineSettingsForTheWindow",
                            {"--line-settings", "9600,n,8,1"},
                            "только вместе с --headless"},
                    FailRow{"LineSettingsTheDialogRefuses",
                            {"--headless", "--rotctld", "1", "--line-settings", "9600,x,8,1"},
                            "«9600,x,8,1»"},
                    FailRow{"DeviceForTheWindow", {"--device", "/dev/ttyS0"}, "--device действует"},
                    FailRow{"DeviceAndPort",
                            {"--headless", "--rotctld", "1", "--device", "d", "--port", "1"},
                            "что-то одно"}),
    torven::test::RowName());

INSTANTIATE_TEST_SUITE_P(
    Follow, CommandLineFailures,
    testing::Values(FailRow{"WithoutAPort", {"--follow", "shack"}, "а не «shack»"},
                    FailRow{"AndAPort", {"--follow", "a:1", "--port", "1"}, "--follow и --port"},
                    FailRow{
                        "Itself", {"--rotctld", "1", "--follow", "LocalHost:1"}, "сам за собой"}),
    torven::test::RowName());

TEST(CommandLineAnswers, HelpAndVersionEndTheRun) {
    const CommandLine help = Parse({"--help", "--rotctld", "bad"});
    EXPECT_EQ(help.action, CommandLine::Action::ShowHelp);
    for (const char* option :
         {"--rotctld <PORT>", "--rotctld-address <ADDRESS>", "--targets", "--offset <DEGREES>",
          "--port <N>", "--name <TEXT>", "--position <X,Y>", "--debug", "--version", "--headless",
          "--line-settings <SETTINGS>", "--device <PATH>", "--follow"})
        EXPECT_TRUE(help.text.contains(QLatin1String(option))) << option;
    EXPECT_TRUE(help.text.startsWith(QStringLiteral("Использование: torven [параметры]\n")))
        << help.text.toStdString();
    EXPECT_FALSE(help.text.contains(QStringLiteral("Options:")));

    const CommandLine version = Parse({"-v"});
    EXPECT_EQ(version.action, CommandLine::Action::ShowVersion);
    EXPECT_EQ(version.text, QStringLiteral("torven 1.2.3\n"));
}

} // namespace
} // namespace torven
