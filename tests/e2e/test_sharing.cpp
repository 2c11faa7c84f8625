// The built torven sharing its bearing with Hamlib's own client (rotctl, model 2: NET rotctl), as
// a tracker or a logbook reads it, with the simulator on its port; and the options that turn the
// bearing, name the window and pick the port for one run.

#include "Glyphs.h"
#include "Readings.h"
#include "Rotctl.h"
#include "Torven.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <iostream>
#include <optional>
#include <regex>
#include <sstream>
#include <string>

namespace torven::e2e {
namespace {

class Sharing : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(RotctlFound())
            << "Hamlib's rotctl is missing: scripts/bootstrap installs libhamlib-utils";
    }
    void TearDown() override {
        if (HasFailure())
            std::cerr << "Output of the programs:\n" << work.LogText();
    }

    void Connect(Torven& torven) {
        torven.ClickMenu(kConnect);
        ASSERT_TRUE(torven.WaitForShot(
            [&](const Image& s) { return s.At(torven.ConnectionLampCentre()) == kGreen; }));
    }
    bool ShowsLamps(Torven& torven, const std::vector<int>& lamps) {
        return torven.WaitForShot([&](const Image& s) { return torven.LitLamps(s) == lamps; });
    }
    bool Logged(const std::string& part) const {
        return work.LogText().find(part) != std::string::npos;
    }

    Desktop desktop;
    Workspace work;
};

TEST_F(Sharing, RotctlReadsTheBearingCannotMoveTheAntennaAndGetsNoneOnceTheDeviceIsLost) {
    const int port = FreeTcpPort();
    std::optional<Simulator> sim(std::in_place, work, 1,
                                 std::vector<std::string>{"fixed", "256"}); // 180 degrees
    Torven torven(desktop, work, {"--rotctld", std::to_string(port)}, "TORVEN");

    const ClientRun closed = Rotctl(port, "get_pos");
    EXPECT_FALSE(closed.succeeded) << "no port is open, yet rotctl got: " << closed.out;

    Connect(torven);
    ASSERT_TRUE(ShowsLamps(torven, {13}));
    EXPECT_EQ(Azimuth(port), "180.00");

    const ClientRun move = Rotctl(port, "set_pos 90 0");
    EXPECT_FALSE(move.succeeded);
    EXPECT_NE(move.out.find("Feature not available"), std::string::npos) << move.out;
    EXPECT_EQ(Azimuth(port), "180.00") << "the refused move changed the bearing";

    sim.reset(); // the controller's line goes away
    EXPECT_TRUE(WaitFor([&] { return !Azimuth(port); }))
        << "the lost device's last bearing is still served as live";
    torven.ClickMenu(kExit);
    EXPECT_EQ(torven.Proc().WaitExit(kPatience), 0);
}

// With --targets, Hamlib's rotctl and the bytes a tracker and a logger send set the target the
// window marks; the position served stays the antenna's own, and a stop clears the mark.
TEST_F(Sharing, TargetsAreMarkedOnTheDiamondAndNeverServedAsThePosition) {
    const int port = FreeTcpPort();
    Simulator sim(work, 1, {"fixed", "256"}); // 180 degrees
    Torven torven(desktop, work, {"--rotctld", std::to_string(port), "--targets"}, "TORVEN");
    Connect(torven);
    ASSERT_TRUE(ShowsLamps(torven, {13}));
    const auto marked = [&](const std::vector<int>& lamps, bool statusInk) {
        return torven.WaitForShot([&](const Image& s) {
            return torven.MarkedLamps(s) == lamps && torven.LitLamps(s) == std::vector<int>{13} &&
                   (InkIn(s, torven.StatusLineBox()) > 0) == statusInk;
        });
    };

    const ClientRun set = Rotctl(port, "set_pos 245 45");
    EXPECT_TRUE(set.succeeded) << set.out;
    EXPECT_TRUE(marked({17}, true)) << "no mark on Shape17, or no \"→ 245°\"";
    EXPECT_EQ(Azimuth(port), "180.00") << "the target was served as the position";
    const ClientRun stop = Rotctl(port, "stop");
    EXPECT_TRUE(stop.succeeded) << stop.out;
    EXPECT_TRUE(marked({}, false));

    {
        // A tracker with "Monitor" unticked: its target, polls, then stop and quit.
        RawClient tracker(port);
        ASSERT_TRUE(tracker.Send("P 180.00 45.00\n"));
        EXPECT_EQ(tracker.Read(7), "RPRT 0\n");
        EXPECT_TRUE(marked({13}, true)) << "the mark and the lit lamp together";
        for (int poll = 0; poll < 3; ++poll) {
            ASSERT_TRUE(tracker.Send("p\n"));
            EXPECT_EQ(tracker.Read(20), "180.000000\n0.000000\n") << "poll " << poll;
        }
        ASSERT_TRUE(tracker.Send("S\n"));
        EXPECT_EQ(tracker.Read(7), "RPRT 0\n");
        ASSERT_TRUE(tracker.Send("q\n"));
        EXPECT_TRUE(tracker.WaitClosed());
        EXPECT_TRUE(marked({}, false));
    }
    {
        // A logger's "Short path", with its blank line, between its polls in the extended form.
        RawClient logger(port);
        const std::string position = "get_pos:\nAzimuth: 180.000000\nElevation: 0.000000\nRPRT 0\n";
        ASSERT_TRUE(logger.Send("+p\n"));
        EXPECT_EQ(logger.Read(position.size()), position);
        ASSERT_TRUE(logger.Send("P 59 0\n\n"));
        EXPECT_EQ(logger.Read(7), "RPRT 0\n");
        for (int poll = 0; poll < 2; ++poll) {
            ASSERT_TRUE(logger.Send("+p\n"));
            EXPECT_EQ(logger.Read(position.size()), position) << "poll " << poll;
        }
    }
    EXPECT_TRUE(marked({5}, true)) << "the target outlives the client that sent it";
}

// 0000 is north, 0384 is 270 degrees, "abcd" holds no number at all.
TEST_F(Sharing, OffsetTurnsBearingsButNotJunk) {
    const int port = FreeTcpPort();
    Simulator sim(work, 1, {"--flood", "script"});
    Torven torven(desktop, work, {"--rotctld", std::to_string(port), "--offset", "90"}, "TORVEN");
    Connect(torven);

    sim.Send("0000");
    ASSERT_TRUE(ShowsLamps(torven, {7})) << "90 degrees lights the east lamp";
    EXPECT_EQ(Azimuth(port), "90.00");

    sim.Send("0384");
    ASSERT_TRUE(ShowsLamps(torven, {1})) << "360 lights the north lamp";
    EXPECT_EQ(Azimuth(port), "360.00");

    sim.Send("abcd");
    ASSERT_TRUE(ShowsLamps(torven, {}));
    EXPECT_EQ(Azimuth(port), std::nullopt) << "junk must not be served as a bearing";
}

// Hamlib's dummy rotator (rotctld -m 1) starts at 0 and turns about 6 degrees a second toward a
// target set with rotctl: a window following it walks its lamp along and serves what it shows.
TEST_F(Sharing, FollowingHamlibsDummyRotatorFromNorthToEast) {
    const int hamlib = FreeTcpPort();
    const int served = FreeTcpPort();
    Process rotctld({TORVEN_ROTCTLD, "-m", "1", "-T", "127.0.0.1", "-t", std::to_string(hamlib)},
                    EnvironmentWithout({}), work.Log());
    Torven torven(
        desktop, work,
        {"--follow", "127.0.0.1:" + std::to_string(hamlib), "--rotctld", std::to_string(served)},
        "TORVEN");
    Connect(torven);
    ASSERT_TRUE(ShowsLamps(torven, {1})) << "the dummy's 0 is north";
    EXPECT_TRUE(WaitFor([&] { return Azimuth(served) == "360.00"; })) << "north is served as 360";
    ASSERT_TRUE(Rotctl(hamlib, "set_pos 90 0").succeeded);
    EXPECT_TRUE(WaitFor([&] { return Azimuth(served) == "90.00"; }, milliseconds(40000)));
    EXPECT_TRUE(ShowsLamps(torven, {7}));
}

// The lines of the log that start with their time to the millisecond and level, then `start`,
// and hold `part`.
int LinesWith(const std::string& text, const std::string& start, const std::string& part) {
    static const std::regex logged(R"(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3} (?:debug|info) (.*))");
    std::istringstream lines(text);
    int count = 0;
    std::smatch match;
    for (std::string line; std::getline(lines, line);)
        count += std::regex_match(line, match, logged) && match[1].str().rfind(start, 0) == 0 &&
                 line.find(part) != std::string::npos;
    return count;
}

// --debug on Linux: a line each, with its time and category, on the terminal. (A line error needs a
// driver's counters, which a pseudo-terminal does not keep: tests/hostile sees that line.)
TEST_F(Sharing, DebugLogsTheConnectTheReadingTheClientAndTheCloseALineEach) {
    const int port = FreeTcpPort();
    Simulator sim(work, 1, {"--flood", "script"});
    Torven torven(desktop, work, {"--debug", "--rotctld", std::to_string(port)}, "TORVEN");
    Connect(torven);
    sim.Send("0256");
    ASSERT_TRUE(ShowsLamps(torven, {13}));
    EXPECT_EQ(Azimuth(port), "180.00");
    EXPECT_TRUE(WaitFor([&] {
        return LinesWith(work.LogText(), "torven.rotctld: client 127.0.0.1:", " left;") == 1;
    })) << work.LogText();
    torven.ClickMenu(kExit);
    EXPECT_EQ(torven.Proc().WaitExit(kPatience), 0);

    const std::string log = work.LogText();
    const struct {
        const char* start;
        const char* part;
        int count;
    } expected[] = {
        {"torven.app: torven ", " started as ", 1},
        {"torven.settings: no ", "comm.set", 2}, // neither beside the program nor per user
        {"torven.serial: port 1 opened: ", " at 19200,n,8,1", 1},
        {"torven.reception: reading ", "\"0256\\r\\n\"", 1},
        {"torven.rotctld: client 127.0.0.1:", " connected;", 1},
        {"torven.serial: port 1 closed: ", "", 1},
    };
    for (const auto& line : expected)
        EXPECT_EQ(LinesWith(log, line.start, line.part), line.count) << line.start << "\n" << log;
}

// A reading the line delivers in two pieces 10 ms apart, far inside the pause, while seven clients
// keep the service busy with targets: every reading is taken whole, and a tracker polling
// meanwhile is only ever answered the true bearing.
TEST_F(Sharing, AReadingInTwoPiecesIsTakenWholeWhileClientsKeepTheServiceBusy) {
    const int port = FreeTcpPort();
    Simulator sim(work, 1, {"fixed", "256", "--split", "10", "--rate", "20"}); // 180 degrees
    Torven torven(desktop, work, {"--rotctld", std::to_string(port), "--targets", "--debug"},
                  "TORVEN");
    Connect(torven);
    ASSERT_TRUE(ShowsLamps(torven, {13}));
    Process flood({CLIENT_FLOOD_PATH, std::to_string(port), "7", "2000000", "20"},
                  EnvironmentWithout({}), work.Log());
    ASSERT_EQ(flood.WaitExit(std::chrono::seconds(100)), 0);
    torven.ClickMenu(kExit);
    EXPECT_EQ(torven.Proc().WaitExit(kPatience), 0);

    const std::string log = work.LogText();
    // The tracker's answers, as the flood's tracker prints them.
    const auto starting = [&log](const std::string& start) {
        const std::regex line("(^|\n)" + start);
        return std::distance(std::sregex_iterator(log.begin(), log.end(), line), {});
    };
    EXPECT_GT(starting("AZIMUTH "), 0);
    EXPECT_EQ(starting("AZIMUTH 180\\.000000 "), starting("AZIMUTH "));
    const int readings = LinesWith(log, "torven.reception: reading ", "");
    EXPECT_GT(readings, 0);
    EXPECT_EQ(LinesWith(log, "torven.reception: reading \"0256\\r\\n\": bearing 180", ""),
              readings);
}

// Two rotators on one desk: each copy reads its own port, named and placed apart, each served on
// its own TCP port, and neither touches the stored port.
TEST_F(Sharing, TwoCopiesEachReadTheirOwnRotatorAndLeaveCommSetAlone) {
    work.WriteCommSet("1\r\n");
    Simulator south(work, 3, {"fixed", "256"}); // 180 degrees
    Simulator east(work, 4, {"fixed", "128"});  // 90 degrees
    const int southPort = FreeTcpPort();
    Torven first(desktop, work,
                 {"--port", "3", "--name", "Юг", "--position", "0,0", "--rotctld",
                  std::to_string(southPort)},
                 "TORVEN — Юг");
    const int eastPort = FreeTcpPort();
    Torven second(desktop, work,
                  {"--port", "4", "--name", "Восток", "--position", "500,0", "--rotctld",
                   std::to_string(eastPort)},
                  "TORVEN — Восток");
    EXPECT_EQ(first.Window().y, second.Window().y);
    EXPECT_GE(second.Window().x - first.Window().x, 500 - 10);

    Connect(first);
    Connect(second);
    ASSERT_TRUE(ShowsLamps(first, {13}));
    ASSERT_TRUE(ShowsLamps(second, {7}));
    EXPECT_EQ(Azimuth(southPort), "180.00");
    EXPECT_EQ(Azimuth(eastPort), "90.00");
    const ClientRun info = Rotctl(eastPort, "get_info");
    EXPECT_NE(info.out.find("torven — Восток"), std::string::npos) << info.out;

    first.ChoosePortAndAccept(first.OpenPortDialog(), 2);
    EXPECT_EQ(work.CommSetBytes(), "1\r\n") << "--port must leave comm.set as it was";
}

// The built torven without a window (--headless), a bridge beside a controller started by hand
// with no display in its environment: Hamlib's rotctl reads the bearing across a device that goes
// away and comes back, and the end releases the line.
TEST_F(Sharing, BridgeServesTheBearingAcrossALostDeviceAndEndsReleasingTheLine) {
    const int port = FreeTcpPort();
    std::optional<Simulator> sim(std::in_place, work, 1,
                                 std::vector<std::string>{"fixed", "256"}); // 180 degrees
    BridgeProcess bridge(work, port, {"--port", "1", "--line-settings", "9600,e,7,1"});
    EXPECT_TRUE(WaitFor([&] { return Azimuth(port) == "180.00"; }));
    EXPECT_TRUE(Logged("torven.serial: line open: \"" + work.Link(1).string()));
    EXPECT_TRUE(Logged(") at 9600,e,7,1\n")) << "the line opened with other settings";

    sim.reset(); // the adapter pulled out
    EXPECT_TRUE(WaitFor([&] { return !Azimuth(port); }))
        << "the lost device's last bearing is still served";
    const std::regex lost(R"((^|\n)\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3} info torven\.serial: )"
                          R"(line lost: )");
    EXPECT_TRUE(WaitFor([&] { return std::regex_search(work.LogText(), lost); }))
        << "the loss is told with its time";

    sim.emplace(work, 1, std::vector<std::string>{"fixed", "128"}); // back, at 90 degrees
    EXPECT_TRUE(WaitFor([&] { return Azimuth(port) == "90.00"; })) << "the bridge gave up";
    EXPECT_TRUE(Logged("torven.serial: line back: "));

    std::string lock = std::filesystem::canonical(work.Link(1)).string().substr(5); // pts/N
    std::replace(lock.begin(), lock.end(), '/', '_');
    ASSERT_EQ(kill(bridge.Proc().Pid(), SIGTERM), 0);
    EXPECT_EQ(bridge.Proc().WaitExit(kPatience), 0);
    for (const char* folder : {"/var/lock/LCK..", "/tmp/LCK.."})
        EXPECT_FALSE(std::filesystem::exists(folder + lock)) << "the lock outlived the bridge";
}

// A fault that cannot pass by itself ends the bridge at once, with status 1 and the reason.
TEST_F(Sharing, BridgeOnALineThatIsNoSerialLineEndsWithStatusOne) {
    BridgeProcess bridge(work, FreeTcpPort(), {"--device", work.Program().string()});
    EXPECT_EQ(bridge.Proc().WaitExit(kPatience), 1);
    EXPECT_TRUE(Logged("giving up: \"Не удалось открыть " + work.Program().string()));
}

} // namespace
} // namespace torven::e2e
