// The Windows build (scripts/windows) under Wine on Xvfb, driven like the Linux build in
// test_e2e.cpp: the real torven.exe, the real Windows serial and file APIs as Wine provides them,
// and torven-sim on the pseudo-terminal Wine knows as COM1 (or COM2). Also the installer, and the
// small program that shows what Wine does with serial I/O and completion ports.
//
// Readings reach the program only under a Wine that posts a completion packet when a serial
// port's WaitCommEvent completes (Wine 10, built by scripts/wine). Under an older Wine the cases
// that need readings assert the known symptom instead, or are not registered (CMakeLists.txt).

#include "Glyphs.h"
#include "Readings.h"
#include "Rotctl.h"
#include "Torven.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iostream>
#include <thread>

namespace torven::e2e {
namespace {

namespace fs = std::filesystem;

constexpr bool kWineDeliversSerialEvents = TORVEN_WINE_DELIVERS_SERIAL_EVENTS != 0;

WineSetup Wine() {
    return {TORVEN_WINDOWS_FOLDER, TORVEN_WINE_TEMPLATE, TORVEN_WINE, TORVEN_WINESERVER};
}

class Windows : public ::testing::Test {
protected:
    void TearDown() override {
        if (HasFailure())
            std::cerr << "Output of the programs:\n" << work.LogText();
    }

    bool WaitUntilConnected(Torven& torven, Rgb lamp, milliseconds limit = kPatience) {
        return WaitFor([&] { return torven.Shot().At(torven.ConnectionLampCentre()) == lamp; },
                       limit);
    }

    void Exit(Torven& torven) {
        torven.ClickMenu(kExit);
        EXPECT_EQ(torven.Proc().WaitExit(kPatience), 0);
    }

    // Runs a Windows program of the workspace's prefix to its end; its exit status.
    std::optional<int> RunToEnd(const std::vector<std::string>& program) {
        Process run(work.Command(program), work.Environment(desktop.Name()), work.Log());
        return run.WaitExit(milliseconds(120000));
    }

    // The file `name` in the per-user folder (%LOCALAPPDATA%\torven) of the prefix's user, if any.
    std::optional<fs::path> UsersFile(const std::string& name) {
        for (const auto& user : fs::directory_iterator(work.DriveC() / "users")) {
            const fs::path file = user.path() / "AppData" / "Local" / "torven" / name;
            if (fs::exists(file))
                return file;
        }
        return std::nullopt;
    }
    std::optional<fs::path> UsersCommSet() { return UsersFile("comm.set"); }

    static std::string BytesOf(const fs::path& file) {
        std::ifstream in(file, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }

    bool ShowsLamps(Torven& torven, const std::vector<int>& lamps) {
        return WaitFor([&] { return torven.LitLamps(torven.Shot()) == lamps; });
    }

    Desktop desktop;
    Workspace work{Wine()};
};

// Only where readings arrive; elsewhere these cases are not registered.
class WindowsReading : public Windows {
protected:
    void SetUp() override {
        ASSERT_TRUE(kWineDeliversSerialEvents) << "this Wine delivers no serial events";
    }
};

TEST_F(Windows, StartShowsTheWindowWithItsLampsAndMenu) {
    Torven torven(desktop, work);
    // Four words on the bar: an item pushed into the overflow button would leave its narrow "»"
    // in the fourth place.
    const auto items = torven.MenuItems();
    ASSERT_EQ(items.size(), 4u);
    for (const Rect& item : items)
        EXPECT_GE(item.w, 12) << "an item of " << item.w << " px is no word";
    ASSERT_TRUE(torven.WaitForShot([&](const Image& s) { return torven.AllLampsDark(s); }))
        << "the 24 lamps are not cyan at their places";
    const Image shot = torven.Shot();
    EXPECT_TRUE(ShowsZeroes(shot, torven.ReadoutBox()));
    EXPECT_EQ(InkIn(shot, torven.StatusLineBox()), 0) << "the status line starts empty";
    Exit(torven);
}

TEST_F(Windows, APortWithoutADeviceShowsTheError) {
    work.WriteCommSet("9\r\n"); // COM9 is mapped to com9 beside the program, which is missing
    Torven torven(desktop, work);
    ASSERT_TRUE(torven.WaitForShot([&](const Image& s) { return torven.AllLampsDark(s); }));
    torven.ClickMenu(kConnect);
    ASSERT_TRUE(torven.WaitForShot([&](const Image& s) {
        return InkIn(s, torven.StatusLineBox()) > 20; // "Ошибка!"
    }));
    EXPECT_NE(torven.Shot().At(torven.ConnectionLampCentre()), kGreen);
    Exit(torven);
}

TEST_F(Windows, PortDialogStoresTheChosenNumberBesideTheProgramAndTheNextStartUsesIt) {
    {
        Torven torven(desktop, work);
        torven.ChoosePortAndAccept(torven.OpenPortDialog(), 2);
        ASSERT_TRUE(WaitFor([&] { return work.CommSetBytes() == "2\r\n"; }))
            << "comm.set holds " << testing::PrintToString(work.CommSetBytes());
        Exit(torven);
    }
    // Only COM2 reaches a device now.
    Simulator sim(work, 2, {"fixed", "256"});
    Torven again(desktop, work);
    again.ClickMenu(kConnect);
    EXPECT_TRUE(WaitUntilConnected(again, kGreen));
    Exit(again);
}

// A comm.set the user may not write beside an unzipped copy: OK keeps the port in the per-user
// file instead, leaves the read-only one as it was, and the next start takes the per-user one.
TEST_F(Windows, AReadOnlyCommSetBesideTheProgramSendsTheSaveToTheUsersFolder) {
    work.WriteCommSet("3\r\n");
    fs::permissions(work.CommSet(), fs::perms::owner_read | fs::perms::group_read);
    {
        Torven torven(desktop, work);
        torven.ChoosePortAndAccept(torven.OpenPortDialog(), 2);
        ASSERT_TRUE(WaitFor([&] {
            const auto own = UsersCommSet();
            return own && BytesOf(*own) == "2\r\n";
        })) << "no comm.set holding 2 in the user's AppData\\Local\\torven";
        EXPECT_EQ(InkIn(torven.Shot(), torven.StatusLineBox()), 0) << "the save reported a fault";
        Exit(torven);
    }
    EXPECT_EQ(work.CommSetBytes(), "3\r\n");
    Simulator sim(work, 2, {"fixed", "256"});
    Torven again(desktop, work);
    again.ClickMenu(kConnect);
    EXPECT_TRUE(WaitUntilConnected(again, kGreen)) << "the next start did not take port 2";
    Exit(again);
}

// A windowed program has no terminal on Windows: the answers show in a message box.
TEST_F(Windows, HelpAndVersionAnswerInAMessageBox) {
    Torven help(desktop, work, {"--help"}, "TORVEN");
    Torven version(desktop, work, {"--version"}, "TORVEN");
    for (Torven* box : {&help, &version}) {
        EXPECT_FALSE(box->AllLampsDark(box->Shot())) << "the main window opened, not a box";
        EXPECT_FALSE(box->Proc().WaitExit(milliseconds(0)).has_value()) << "gone without OK";
    }
    EXPECT_GT(help.Window().h, version.Window().h) << "the help box shows no more than a line";
}

// A windowed program has no terminal: --debug writes its log to %LOCALAPPDATA%\torven\torven.log,
// and a box beside the window says where.
TEST_F(Windows, DebugWritesItsLogToTheUsersFolderAndABoxSaysWhere) {
    Simulator sim(work, 1, {"fixed", "256"});
    Torven torven(desktop, work, {"--debug"}, "TORVEN");
    const auto boxShown = [&] {
        const auto windows = desktop.TopLevels();
        return std::any_of(windows.begin(), windows.end(), [](const TopLevel& window) {
            return window.viewable && window.name == "Журнал отладки";
        });
    };
    EXPECT_TRUE(WaitFor(boxShown)) << "no box says where the log is";
    // OK closes it. (Under Wine on Xvfb, with no window manager, the main window is not drawn
    // while the box is open.)
    for (const TopLevel& window : desktop.TopLevels()) {
        if (window.viewable && window.name == "Журнал отладки")
            desktop.Click({window.geometry.x + window.geometry.w - 45,
                           window.geometry.y + window.geometry.h - 20});
    }
    EXPECT_TRUE(WaitFor([&] { return !boxShown(); })) << "OK left the box open";
    torven.ClickMenu(kConnect);
    ASSERT_TRUE(WaitUntilConnected(torven, kGreen));
    const auto logged = [&](const std::string& part) {
        const auto log = UsersFile("torven.log");
        return log && BytesOf(*log).find(part) != std::string::npos;
    };
    EXPECT_TRUE(WaitFor([&] { return logged(" debug torven.serial: port 1 opened: "); }))
        << (UsersFile("torven.log") ? BytesOf(*UsersFile("torven.log")) : "no torven.log");
    EXPECT_TRUE(logged(" debug torven.app: torven ")) << "the start is not in the log";
    Exit(torven);
}

// Hiding a top-level window, which the roll-away ends with, makes Wine wait for the window
// manager to withdraw it, for two seconds at most; Xvfb runs no window manager, so the whole wait
// is spent. On Windows, and under Wine on a desktop, the hiding is immediate.
constexpr milliseconds kWineWaitsForAWindowManager{2000};

TEST_F(Windows, ExitEndsTheProcessWithinASecond) {
    for (const bool connected : {true, false}) {
        SCOPED_TRACE(connected ? "connected" : "not connected");
        Simulator sim(work, 1, {"fixed", "256"});
        Torven torven(desktop, work);
        if (connected) {
            torven.ClickMenu(kConnect);
            ASSERT_TRUE(WaitUntilConnected(torven, kGreen));
        }
        torven.ClickMenu(kExit);
        const auto status =
            torven.Proc().WaitExit(milliseconds(1000) + kWineWaitsForAWindowManager);
        ASSERT_TRUE(status.has_value()) << "still running a second after «Выход»";
        EXPECT_EQ(*status, 0);
    }
}

// The reading's lamp, and the same bearing served to Hamlib's rotctl on Linux over the loopback
// (the screen shows the digits, which the harness does not read). Under Wine 8 the symptom: the
// port opens, the simulator sends ten readings a second, and none arrives.
TEST_F(Windows, ReadingLightsItsLampAndRotctlReadsTheSameBearing) {
    ASSERT_TRUE(RotctlFound()) << "Hamlib's rotctl is missing: scripts/bootstrap installs it";
    const int port = FreeTcpPort();
    Simulator sim(work, 1, {"fixed", "256"}); // 180 degrees: lamp 13
    Torven torven(desktop, work, {"--rotctld", std::to_string(port)}, "TORVEN");
    torven.ClickMenu(kConnect);
    ASSERT_TRUE(WaitUntilConnected(torven, kGreen));
    const ClientRun info = Rotctl(port, "get_info");
    EXPECT_TRUE(info.succeeded) << "the service does not answer: " << info.out;
    if (kWineDeliversSerialEvents) {
        EXPECT_TRUE(ShowsLamps(torven, {13}));
        EXPECT_EQ(Azimuth(port), "180.00");
    } else {
        EXPECT_FALSE(
            WaitFor([&] { return !torven.LitLamps(torven.Shot()).empty(); }, milliseconds(3000)))
            << "a reading arrived: this Wine delivers serial events, build the full run";
        EXPECT_EQ(Azimuth(port), std::nullopt);
    }
    Exit(torven);
}

// One reading at a time, each once the lamp before it shows (see the Linux steps case).
TEST_F(WindowsReading, StepsLightEachOfTheTwentyFourLamps) {
    Simulator sim(work, 1, {"--flood", "script"});
    Torven torven(desktop, work);
    torven.ClickMenu(kConnect);
    ASSERT_TRUE(WaitUntilConnected(torven, kGreen));
    for (int lamp = 1; lamp <= 24; ++lamp) {
        sim.Send(sim::formatReading(sim::stepsReading(lamp)));
        ASSERT_TRUE(ShowsLamps(torven, {lamp}))
            << "lamp " << lamp << " did not light alone; lit: "
            << testing::PrintToString(torven.LitLamps(torven.Shot()));
    }
    Exit(torven);
}

// "0256" arrives as "02" and, 16 ms later, "56" with the line ending, as a USB adapter's latency
// timer cuts it: a half taken for a reading would light lamp 1 (2 is about 1 degree) or lamp 4
// (56 is about 39 degrees).
TEST_F(WindowsReading, AReadingCutInTwoShowsOnlyTheTrueBearing) {
    Simulator sim(work, 1, {"--split", "16", "--rate", "5", "fixed", "256"});
    Torven torven(desktop, work);
    torven.ClickMenu(kConnect);
    ASSERT_TRUE(WaitUntilConnected(torven, kGreen));
    std::vector<std::vector<int>> seen;
    const auto note = [&] {
        const auto lit = torven.LitLamps(torven.Shot());
        if (lit != std::vector<int>{13} && !lit.empty())
            seen.push_back(lit);
        return lit;
    };
    ASSERT_TRUE(WaitFor([&] { return note() == std::vector<int>{13}; }));
    // Ten more readings, each cut in two, watched as they arrive.
    for (const auto end = Clock::now() + milliseconds(2000); Clock::now() < end;) {
        note();
        std::this_thread::sleep_for(milliseconds(5)); // the machine is shared: no spinning
    }
    EXPECT_TRUE(seen.empty()) << "lit besides lamp 13: " << testing::PrintToString(seen);
    Exit(torven);
}

// The controller's line goes away while connected (a USB adapter pulled): one "Ошибка!" and the red
// lamp; once the device is back, «Связь» reads again.
TEST_F(WindowsReading, ALostDeviceShowsTheErrorAndAReconnectReadsAgain) {
    std::optional<Simulator> sim(std::in_place, work, 1, std::vector<std::string>{"fixed", "256"});
    Torven torven(desktop, work);
    torven.ClickMenu(kConnect);
    ASSERT_TRUE(WaitUntilConnected(torven, kGreen));
    ASSERT_TRUE(ShowsLamps(torven, {13}));

    sim.reset();
    EXPECT_TRUE(torven.WaitForShot([&](const Image& s) {
        return s.At(torven.ConnectionLampCentre()) == kRed && InkIn(s, torven.StatusLineBox()) > 20;
    })) << "no error and red lamp once the device is gone";

    sim.emplace(work, 1, std::vector<std::string>{"fixed", "128"}); // 90 degrees: lamp 7
    torven.ClickMenu(kConnect);
    ASSERT_TRUE(WaitUntilConnected(torven, kGreen));
    EXPECT_TRUE(ShowsLamps(torven, {7}));
    Exit(torven);
}

// The installer, silent: it puts torven in Program Files with a Start-menu entry; the installed
// copy keeps comm.set per user; the uninstaller takes away the program folder and the entry and
// leaves the user's comm.set.
TEST_F(Windows, InstallerInstallsAndUninstallsSilently) {
    ASSERT_EQ(RunToEnd({TORVEN_WINDOWS_SETUP, "/S"}), 0);
    const fs::path installed = work.DriveC() / "Program Files" / "torven";
    const fs::path entry = work.DriveC() / "ProgramData" / "Microsoft" / "Windows" / "Start Menu" /
                           "Programs" / "Индикатор направления антенны.lnk";
    ASSERT_TRUE(fs::exists(installed / "torven.exe"));
    EXPECT_TRUE(fs::exists(installed / "platforms" / "qwindows.dll"));
    EXPECT_TRUE(fs::exists(installed / "licenses" / "torven-COPYING.txt"));
    EXPECT_TRUE(fs::exists(entry));

    {
        Torven torven(desktop, work, installed / "torven.exe");
        const TopLevel dialog = torven.OpenPortDialog();
        desktop.Click(PixelBox(dialog.geometry, 600, 1440, 1095, 375).Centre()); // OK: port 1
        ASSERT_TRUE(WaitFor([&] { return desktop.WindowsOf(torven.Proc().Pid()).size() == 1; }));
        Exit(torven);
    }
    EXPECT_FALSE(fs::exists(installed / "comm.set")) << "an installed copy wrote beside itself";
    const std::optional<fs::path> own = UsersCommSet();
    ASSERT_TRUE(own.has_value()) << "no comm.set in the user's AppData\\Local\\torven";
    EXPECT_EQ(std::ifstream(*own).get(), '1');

    ASSERT_EQ(RunToEnd({(installed / "uninstall.exe").string(), "/S"}), 0);
    // The uninstaller copies itself elsewhere and goes on from there: wait for its work.
    EXPECT_TRUE(WaitFor([&] { return !fs::exists(installed); }, milliseconds(60000)))
        << "the program folder is still there";
    EXPECT_FALSE(fs::exists(entry));
    EXPECT_TRUE(fs::exists(*own)) << "the uninstaller took the user's comm.set";
}

// A Windows logging PC showing the bearing of a controller on the shack's Linux box: torven.exe
// follows a Linux bridge over the network (here the loopback). No serial event reaches Wine, so
// it runs under every Wine.
TEST_F(Windows, FollowingALinuxBridgeLightsItsLamp) {
    Workspace shack; // the Linux side: its own torven and simulator
    const int port = FreeTcpPort();
    Simulator sim(shack, 1, {"fixed", "256"}); // 180 degrees: lamp 13
    BridgeProcess bridge(shack, port);
    ASSERT_TRUE(bridge.WaitServing());
    Torven torven(desktop, work, {"--follow", "127.0.0.1:" + std::to_string(port)}, "TORVEN");
    torven.ClickMenu(kConnect);
    ASSERT_TRUE(WaitUntilConnected(torven, kGreen));
    EXPECT_TRUE(ShowsLamps(torven, {13}));
    Exit(torven);
}

// What Wine does with a serial port's overlapped I/O, without Qt in the way: with event objects
// the controller's text arrives; with a completion port it does under Wine 10, while Wine 8 posts
// no packet for WaitCommEvent.
class WineSerial : public Windows {
protected:
    std::optional<int> Repro(const std::string& mode) {
        Simulator sim(work, 1, {"fixed", "256"});
        return RunToEnd({TORVEN_WINE_SERIAL_REPRO, "COM1", mode});
    }
};

TEST_F(WineSerial, EventObjectsReadTheLine) {
    EXPECT_EQ(Repro("event"), 0);
}

TEST_F(WineSerial, CompletionPortGetsAPacketForEachStep) {
    if (kWineDeliversSerialEvents) {
        EXPECT_EQ(Repro("iocp"), 0);
    } else {
        EXPECT_EQ(Repro("iocp"), 1);
        EXPECT_NE(work.LogText().find("WaitCommEvent: no completion packet"), std::string::npos)
            << work.LogText();
    }
}

} // namespace
} // namespace torven::e2e
