// The built torven under Xvfb, driven through its menus with real clicks, with the simulator on
// its port. What it shows is read from the screen: pixel colours at the lamps' centres, which the
// layout gives, and ink in the boxes of the readout and the status line.

#include "Glyphs.h"
#include "Readings.h"
#include "Rotctl.h"
#include "Rows.h"
#include "Torven.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <iostream>
#include <optional>
#include <sys/ioctl.h>
#include <thread>
#include <unistd.h>

namespace torven::e2e {
namespace {

// Long enough for a dozen readings at the rates used below, and for a caret to blink.
constexpr milliseconds kQuietSpell{600};

// Calls `check` on shots of the window for `spell`.
template <typename Check> void Observe(Torven& torven, milliseconds spell, Check check) {
    const auto end = Clock::now() + spell;
    while (Clock::now() < end) {
        check(torven.Shot());
        std::this_thread::sleep_for(milliseconds(5)); // the machine is shared: no spinning
    }
}

class EndToEnd : public ::testing::Test {
protected:
    void TearDown() override {
        if (HasFailure())
            std::cerr << "Output of the programs:\n" << work.LogText();
    }

    bool WaitUntilConnected(Torven& torven, Rgb lamp) {
        return torven.WaitForShot(
            [&](const Image& s) { return s.At(torven.ConnectionLampCentre()) == lamp; });
    }

    // Ends torven through its menu, as a person does.
    void Exit(Torven& torven) {
        torven.ClickMenu(kExit);
        EXPECT_EQ(torven.Proc().WaitExit(kPatience), 0);
    }

    Desktop desktop;
    Workspace work;
};

TEST_F(EndToEnd, StartShowsDarkLampsAndZeroesAndNothingFlashes) {
    Torven torven(desktop, work);
    ASSERT_EQ(torven.MenuItems().size(), 4u);
    ASSERT_TRUE(torven.WaitForShot([&](const Image& s) { return torven.AllLampsDark(s); }));
    const Image first = torven.Shot();
    EXPECT_TRUE(ShowsZeroes(first, torven.ReadoutBox()));
    EXPECT_EQ(InkIn(first, torven.StatusLineBox()), 0) << "the status line starts empty";
    const Rgb connection = first.At(torven.ConnectionLampCentre());
    EXPECT_NE(connection, kGreen);
    EXPECT_NE(connection, kRed);

    int changed = 0;
    Observe(torven, kQuietSpell, [&](const Image& shot) { changed += shot != first; });
    EXPECT_EQ(changed, 0) << "nothing on the window may change while nothing arrives";
}

TEST_F(EndToEnd, ConnectWithAFixedReadingLightsItsSectorLamp) {
    Simulator sim(work, 1, {"fixed", "256"}); // 180 degrees: Shape13, south
    Torven torven(desktop, work);
    ASSERT_TRUE(torven.WaitForShot([&](const Image& s) { return torven.AllLampsDark(s); }));

    torven.ClickMenu(kConnect);
    ASSERT_TRUE(WaitUntilConnected(torven, kGreen));
    ASSERT_TRUE(torven.WaitForShot(
        [&](const Image& s) { return torven.LitLamps(s) == std::vector<int>{13}; }));
    const Image shot = torven.Shot();
    EXPECT_GT(InkIn(shot, torven.ReadoutBox()), 0);
    EXPECT_FALSE(ShowsZeroes(shot, torven.ReadoutBox())) << "the readout still shows 000";
    Exit(torven);
}

// The readings of the simulator's steps pattern, one sector after another. They are fed one at a
// time, each once the lamp before it shows: the pattern's own clock would outrun a shot now and
// then on a busy machine, and a missed step would prove nothing.
TEST_F(EndToEnd, StepsLightEachLampInTurnAndDisconnectKeepsTheLast) {
    Simulator sim(work, 1, {"--flood", "script"});
    Torven torven(desktop, work);
    torven.ClickMenu(kConnect);
    ASSERT_TRUE(WaitUntilConnected(torven, kGreen));

    // A shot taken while a step is being drawn may show the lamp before beside the new one; any
    // other lamp lit is a fault.
    int strays = 0;
    for (int lamp = 1; lamp <= 24; ++lamp) {
        sim.Send(sim::formatReading(sim::stepsReading(lamp)));
        const bool shown = torven.WaitForShot([&](const Image& shot) {
            const auto lit = torven.LitLamps(shot);
            for (int k : lit)
                strays += k != lamp && k != (lamp + 22) % 24 + 1;
            return lit == std::vector<int>{lamp};
        });
        ASSERT_TRUE(shown) << "lamp " << lamp << " did not light alone; lit: "
                           << testing::PrintToString(torven.LitLamps(torven.Shot()));
    }
    EXPECT_EQ(strays, 0) << "a lamp outside the step was lit";

    torven.ClickMenu(kConnect);
    ASSERT_TRUE(WaitUntilConnected(torven, kRed));
    const auto last = torven.LitLamps(torven.Shot());
    ASSERT_EQ(last.size(), 1u);
    for (int lamp = 1; lamp <= 6; ++lamp)
        sim.Send(sim::formatReading(sim::stepsReading(lamp)));
    int changed = 0;
    Observe(torven, kQuietSpell,
            [&](const Image& shot) { changed += torven.LitLamps(shot) != last; });
    EXPECT_EQ(changed, 0) << "the simulator goes on sending, but the closed port shows nothing";
    Exit(torven);
}

// A slow line: at 600 baud a reading and its line end take 100 ms to arrive, longer than a fast
// line's pause. Opened with the settings typed into the dialog, torven waits for each reading
// whole: 0128 is 90 degrees, Shape7 (east). Cut after "012" it would light Shape2 (8 degrees)
// and then, for "8" alone, Shape1 (5 degrees).
TEST_F(EndToEnd, ASlowLineOpenedWithTypedSettingsShowsWholeReadings) {
    Simulator sim(work, 1, {"--baud", "600", "--rate", "4", "fixed", "128"});
    Torven torven(desktop, work, {"--position", "0,0"}, "TORVEN");
    const TopLevel dialog = torven.OpenPortDialog();
    torven.TypeLineSettings(dialog, "600,n,8,1");
    // The dialog opens over its window; moved aside, it leaves the menu and the lamps in sight.
    desktop.Move(dialog, {Desktop::kWidth / 2, Desktop::kHeight / 2});
    torven.ClickMenu(kConnect); // the dialog stays open: its text is not confirmed, only typed
    ASSERT_TRUE(WaitUntilConnected(torven, kGreen));
    ASSERT_TRUE(torven.WaitForShot([&](const Image& s) {
        return torven.LitLamps(s) == std::vector<int>{7};
    })) << "lit: "
        << testing::PrintToString(torven.LitLamps(torven.Shot()));

    int wrong = 0;
    Observe(torven, kQuietSpell,
            [&](const Image& shot) { wrong += torven.LitLamps(shot) != std::vector<int>{7}; });
    EXPECT_EQ(wrong, 0) << "a reading was cut on the slow line";
    Exit(torven);
}

TEST_F(EndToEnd, APortWithoutADeviceShowsTheErrorInTheStatusLine) {
    work.WriteCommSet("99\r\n"); // no link com99, and no system lists 99 serial ports
    Torven torven(desktop, work);
    ASSERT_TRUE(torven.WaitForShot([&](const Image& s) { return torven.AllLampsDark(s); }));
    const Image before = torven.Shot();
    ASSERT_EQ(InkIn(before, torven.StatusLineBox()), 0);

    torven.ClickMenu(kConnect);
    ASSERT_TRUE(torven.WaitForShot([&](const Image& s) {
        return InkIn(s, torven.StatusLineBox()) > 20; // "Ошибка!" is some 40 letters' pixels
    }));
    // The lamp changes only when the port opens or closes: it keeps its colour from the start.
    const Image shot = torven.Shot();
    EXPECT_EQ(shot.At(torven.ConnectionLampCentre()), before.At(torven.ConnectionLampCentre()));
    EXPECT_TRUE(torven.AllLampsDark(shot));
    Exit(torven);
}

TEST_F(EndToEnd, PortDialogStoresTheChosenNumberAndTheNextStartUsesIt) {
    {
        Torven torven(desktop, work);
        torven.ChoosePortAndAccept(torven.OpenPortDialog(), 2);
        ASSERT_TRUE(WaitFor([&] { return work.CommSetBytes() == "2\r\n"; }))
            << "comm.set holds " << testing::PrintToString(work.CommSetBytes());
        ASSERT_TRUE(WaitFor([&] { return desktop.WindowsOf(torven.Proc().Pid()).size() == 1; }))
            << "OK leaves the dialog open";
        Exit(torven);
    }

    // Only port 2 reaches the simulator; port 1 would be the system's first serial port, if any.
    Simulator sim(work, 2, {"fixed", "256"});
    Torven again(desktop, work);
    again.ClickMenu(kConnect);
    ASSERT_TRUE(WaitUntilConnected(again, kGreen));
    EXPECT_TRUE(again.WaitForShot(
        [&](const Image& s) { return again.LitLamps(s) == std::vector<int>{13}; }));
    Exit(again);
}

// A window following a bridge (torven serving the simulator's bearing) over rotctld: with the
// bridge gone the lamp turns red and the last bearing stays; back, it is followed unclicked.
TEST_F(EndToEnd, FollowingABridgeLostAndBackNeedsNoClick) {
    const int port = FreeTcpPort();
    std::optional<Simulator> sim(std::in_place, work, 1, std::vector<std::string>{"fixed", "256"});
    std::optional<BridgeProcess> bridge(std::in_place, work, port);
    ASSERT_TRUE(bridge->WaitServing());
    Torven torven(desktop, work, {"--follow", "127.0.0.1:" + std::to_string(port)}, "TORVEN");
    const auto shows = [&torven](Rgb connection, int lamp) {
        return [&torven, connection, lamp] {
            const Image s = torven.Shot();
            return s.At(torven.ConnectionLampCentre()) == connection &&
                   torven.LitLamps(s) == std::vector<int>{lamp};
        };
    };
    torven.ClickMenu(kConnect);
    ASSERT_TRUE(WaitFor(shows(kGreen, 13))) << "0256 is 180 degrees";
    bridge.reset();
    ASSERT_TRUE(WaitFor(shows(kRed, 13)));
    sim.emplace(work, 1, std::vector<std::string>{"fixed", "128"}); // 90 degrees
    bridge.emplace(work, port);
    EXPECT_TRUE(WaitFor(shows(kGreen, 7), milliseconds(5000))) << "not back within 5 s";
}

TEST_F(EndToEnd, ExitRollsTheWindowAwayAndEndsWithinASecond) {
    Torven torven(desktop, work);
    const Rect w = torven.Window();
    ASSERT_EQ(torven.MenuItems().size(), 4u);
    desktop.WatchShape(torven.WindowId());

    torven.ClickMenu(kExit);
    const auto status = torven.Proc().WaitExit(milliseconds(1000));
    ASSERT_TRUE(status.has_value()) << "still running a second after «Выход»";
    EXPECT_EQ(*status, 0);

    // The window shrinks towards its bottom left corner, step by step, until nothing is left
    // (or a single pixel, as good as nothing).
    auto shapes = desktop.ShapesTaken();
    std::erase_if(shapes, [](const Rect& s) { return s.w * s.h <= 1; });
    ASSERT_GE(shapes.size(), 2u) << "the window vanished without rolling away";
    for (std::size_t i = 0; i < shapes.size(); ++i) {
        const Rect& s = shapes[i];
        EXPECT_EQ(s.x, 0) << "step " << i;
        EXPECT_EQ(s.y + s.h, w.h) << "step " << i;
        EXPECT_LT(s.w * s.h, w.w * w.h) << "step " << i;
        if (i > 0) {
            EXPECT_LE(s.w * s.h, shapes[i - 1].w * shapes[i - 1].h) << "step " << i;
        }
    }
    const Image after = desktop.Grab(w);
    int shown = 0;
    for (int y = w.y; y < w.y + w.h; ++y) {
        for (int x = w.x; x < w.x + w.w; ++x)
            shown += after.At({x, y}) != kBlack;
    }
    EXPECT_EQ(shown, 0) << "pixels of the window are still on the screen";
}

// What still keeps others off the device behind a port link: the lock file named after it, and
// the line's exclusive-use flag (which refuses every other open but root's).
struct LineHold {
    bool lockFile = false;
    bool exclusive = false;
};

LineHold HoldOn(const std::filesystem::path& link) {
    const std::string device = std::filesystem::canonical(link).string(); // /dev/pts/N
    std::string name = device.substr(std::string("/dev/").size());
    std::replace(name.begin(), name.end(), '/', '_');
    LineHold hold;
    for (const char* folder : {"/var/lock", "/tmp"})
        hold.lockFile = hold.lockFile || std::filesystem::exists(folder + ("/LCK.." + name));
    const int fd = open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        hold.exclusive = errno == EBUSY;
        return hold;
    }
    int exclusive = 0;
    hold.exclusive = ioctl(fd, TIOCGEXCL, &exclusive) == 0 && exclusive != 0;
    close(fd);
    return hold;
}

class EndingWhileConnected : public EndToEnd {
protected:
    // Starts torven on the simulator's port, connects, and checks that the line is held.
    void StartConnected() {
        torven.emplace(desktop, work);
        torven->ClickMenu(kConnect);
        ASSERT_TRUE(WaitUntilConnected(*torven, kGreen));
        const LineHold held = HoldOn(work.Link(1));
        ASSERT_TRUE(held.lockFile && held.exclusive) << "an open port holds its line";
    }

    void ExpectLineFree() {
        const LineHold hold = HoldOn(work.Link(1));
        EXPECT_FALSE(hold.lockFile) << "the lock file outlived torven";
        EXPECT_FALSE(hold.exclusive) << "the line is still for exclusive use";
    }

    Simulator sim{work, 1, {"fixed", "256"}};
    std::optional<Torven> torven;
};

struct EndSignal {
    const char* name;
    int signal;
};

class EndingBySignal : public EndingWhileConnected,
                       public testing::WithParamInterface<EndSignal> {};

TEST_P(EndingBySignal, ReleasesTheLineAndEndsWithStatusZero) {
    StartConnected();
    ASSERT_EQ(kill(torven->Proc().Pid(), GetParam().signal), 0);
    EXPECT_EQ(torven->Proc().WaitExit(kPatience), 0);
    ExpectLineFree();
}

INSTANTIATE_TEST_SUITE_P(Signals, EndingBySignal,
                         testing::Values(EndSignal{"Terminate", SIGTERM},
                                         EndSignal{"Interrupt", SIGINT},
                                         EndSignal{"HangUp", SIGHUP}),
                         torven::test::RowName());

// The display goes away (its server ends, a remote session drops): Qt ends the program through
// exit(1), where only exit-time handlers run.
TEST_F(EndingWhileConnected, LostDisplayStillReleasesTheLine) {
    StartConnected();
    desktop.EndServer();
    EXPECT_EQ(torven->Proc().WaitExit(kPatience), 1);
    ExpectLineFree();
}

// Without a display torven answers every command line on the terminal, with the status a script
// can act on, and says in one line why it cannot show its window rather than aborting.
TEST(StartWithoutADisplay, AnswersOnTheTerminalWithItsStatus) {
    Workspace work;
    auto env = EnvironmentWithout({"DISPLAY=", "WAYLAND_", "QT_"});
    env.push_back("QT_QPA_PLATFORM=xcb");
    struct Row {
        const char* name;
        std::vector<std::string> args;
        std::filesystem::path output;
        int status;
        std::string says; // the one line written, in part
    };
    const Row rows[] = {
        {"Mistake", {"-bogus"}, work.Log(), 2, "Неизвестный параметр: -bogus "},
        {"MistakeAfterAQtOption",
         {"-style", "fusion", "--offset", "400"},
         work.Log(),
         2,
         "--offset"},
        {"NoDisplay", {"--port", "2"}, work.Log(), 1, "окно негде показать"},
        {"Version", {"--version"}, work.Log(), 0, "torven "},
        {"VersionIntoAFullDisk", {"--version"}, "/dev/full", 1, ""},
        {"HelpIntoAFullDisk", {"--help"}, "/dev/full", 1, ""},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        std::filesystem::remove(work.Log());
        std::vector<std::string> argv{work.Program().string()};
        argv.insert(argv.end(), row.args.begin(), row.args.end());
        Process torven(argv, env, row.output);
        EXPECT_EQ(torven.WaitExit(kPatience), row.status);
        if (row.says.empty())
            continue;
        const std::string text = work.LogText();
        EXPECT_NE(text.find(row.says), std::string::npos) << text;
        EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 1) << text;
    }
}

} // namespace
} // namespace torven::e2e
