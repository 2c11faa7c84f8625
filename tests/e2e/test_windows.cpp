// The Windows build (scripts/windows) under Wine on Xvfb, driven like the Linux build in
// test_e2e.cpp: the real torven.exe, the real Windows serial and file APIs as Wine provides them,
// and torven-sim on the pseudo-terminal Wine knows as COM1 (or COM2). Also the installer, and the
// small program that shows what Wine does with serial I/O and completion ports.

#include "Glyphs.h"
#include "Readings.h"
#include "Torven.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iostream>

namespace torven::e2e {
namespace {

namespace fs = std::filesystem;

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

    Desktop desktop;
    Workspace work{Wine()};
};

TEST_F(Windows, StartShowsTheWindowWithItsLampsAndMenu) {
    Torven torven(desktop, work);
    EXPECT_EQ(torven.MenuItems().size(), 4u);
    ASSERT_TRUE(torven.WaitForShot([&](const Image& s) { return torven.AllLampsDark(s); }))
        << "the 24 lamps are not cyan at their places";
    const Image shot = torven.Shot();
    EXPECT_TRUE(ShowsZeroes(shot, torven.ReadoutBox()));
    EXPECT_EQ(InkIn(shot, torven.StatusLineBox()), 0) << "the status line starts empty";
    Exit(torven);
}

TEST_F(Windows, ConnectOpensCom1) {
    Simulator sim(work, 1, {"fixed", "256"});
    Torven torven(desktop, work);
    torven.ClickMenu(kConnect);
    ASSERT_TRUE(WaitUntilConnected(torven, kGreen));
    EXPECT_EQ(InkIn(torven.Shot(), torven.StatusLineBox()), 0);
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

// Fails under Wine 8: see tools/wine-serial-repro. The port opens, but Qt SerialPort waits for a
// completion packet that Wine never posts, so no reading arrives.
TEST_F(Windows, ReadingsLightTheirLamps) {
    Simulator sim(work, 1, {"fixed", "256"}); // 180 degrees: lamp 13
    Torven torven(desktop, work);
    torven.ClickMenu(kConnect);
    ASSERT_TRUE(WaitUntilConnected(torven, kGreen));
    EXPECT_TRUE(WaitFor([&] { return torven.LitLamps(torven.Shot()) == std::vector<int>{13}; },
                        milliseconds(5000)));
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
    std::optional<fs::path> own;
    for (const auto& user : fs::directory_iterator(work.DriveC() / "users")) {
        const fs::path file = user.path() / "AppData" / "Local" / "torven" / "comm.set";
        if (fs::exists(file))
            own = file;
    }
    ASSERT_TRUE(own.has_value()) << "no comm.set in the user's AppData\\Local\\torven";
    EXPECT_EQ(std::ifstream(*own).get(), '1');

    ASSERT_EQ(RunToEnd({(installed / "uninstall.exe").string(), "/S"}), 0);
    // The uninstaller copies itself elsewhere and goes on from there: wait for its work.
    EXPECT_TRUE(WaitFor([&] { return !fs::exists(installed); }, milliseconds(60000)))
        << "the program folder is still there";
    EXPECT_FALSE(fs::exists(entry));
    EXPECT_TRUE(fs::exists(*own)) << "the uninstaller took the user's comm.set";
}

// What Wine does with a serial port's overlapped I/O, without Qt in the way: with event objects
// the controller's text arrives; with a completion port WaitCommEvent posts no packet (fails
// under Wine 8).
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
    EXPECT_EQ(Repro("iocp"), 0);
}

} // namespace
} // namespace torven::e2e
