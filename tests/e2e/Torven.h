#pragma once

// The built torven and torven-sim, run the way a person runs them, in a folder of their own.

#include "Desktop.h"

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace torven::e2e {

inline const Rgb kBlack{0, 0, 0};
inline const Rgb kCyan{0x00, 0xFF, 0xFF};
inline const Rgb kMagenta{0xFF, 0x00, 0xFF};
inline const Rgb kGreen{0x00, 0xFF, 0x00};
inline const Rgb kRed{0xFF, 0x00, 0x00};
inline const Rgb kTargetRing{0x00, 0x00, 0x80};

// The Windows build of torven run under Wine: the unzipped folder, a Wine prefix made once to
// copy for each workspace, and the Wine programs.
struct WineSetup {
    std::filesystem::path folder;
    std::filesystem::path prefixTemplate;
    std::filesystem::path wine;
    std::filesystem::path wineserver;
};

// A fresh temporary folder holding a copy of torven: its comm.set and comN links live beside
// the copy, and its per-user folders below, so nothing of the user's or the repository's is read
// or written. Removed with everything in it.
//
// Under Wine the copy is the whole unzipped folder, with a Wine prefix of its own in wine/ whose
// ports COM1 to COM9 are the links com1 to com9 beside the copy: the same links torven-sim makes
// for the Linux build.
class Workspace {
public:
    Workspace();
    explicit Workspace(const WineSetup& wine);
    ~Workspace();
    Workspace(const Workspace&) = delete;
    Workspace& operator=(const Workspace&) = delete;

    const std::filesystem::path& Dir() const { return dir_; }
    const std::filesystem::path& Program() const { return program_; }
    std::filesystem::path CommSet() const { return dir_ / "comm.set"; }
    std::filesystem::path Link(int port) const { return dir_ / ("com" + std::to_string(port)); }
    std::filesystem::path Log() const { return dir_ / "output.log"; }
    // The file's bytes, or nothing when it does not exist.
    std::optional<std::string> CommSetBytes() const;
    void WriteCommSet(const std::string& bytes) const;
    std::string LogText() const;

    bool UnderWine() const { return wine_.has_value(); }
    // The Wine prefix's C: drive.
    std::filesystem::path DriveC() const { return dir_ / "wine" / "drive_c"; }
    // How a program of the workspace starts: `program` and its arguments, run directly or
    // through Wine, with the environment that keeps it inside the workspace.
    std::vector<std::string> Command(const std::vector<std::string>& program) const;
    std::vector<std::string> Environment(const std::string& display) const;

private:
    std::filesystem::path dir_;
    std::filesystem::path program_;
    std::optional<WineSetup> wine_;
};

// torven-sim serving port `port` of the workspace's torven; `pattern` is its command line after
// the link, e.g. {"fixed", "256"}. Ready once the link stands. With the pattern "script", the
// lines come from Send.
class Simulator {
public:
    Simulator(const Workspace& workspace, int port, const std::vector<std::string>& pattern);
    ~Simulator();
    Simulator(const Simulator&) = delete;
    Simulator& operator=(const Simulator&) = delete;

    // One line of the script: the simulator sends it with its line ending.
    void Send(const std::string& line);

private:
    int script_ = -1;
    std::unique_ptr<Process> process_;
};

// The workspace's torven on the desktop, its main window found by its process and title.
class Torven {
public:
    Torven(Desktop& desktop, const Workspace& workspace);
    // Another copy of torven than the workspace's own, e.g. one installed in its Wine prefix.
    Torven(Desktop& desktop, const Workspace& workspace, const std::filesystem::path& program);
    // The workspace's torven started with `arguments`; its main window has the caption `title`.
    Torven(Desktop& desktop, const Workspace& workspace, const std::vector<std::string>& arguments,
           const std::string& title);

    Process& Proc() { return *process_; }
    Rect Window() const { return window_; }
    unsigned long WindowId() const { return windowId_; }
    // The client area: the window below its menu bar.
    Rect Client() const;
    // The screen position of the middle of a box of the layout, given in twips.
    Point Centre(int left, int top, int width, int height) const;
    Point LampCentre(int lamp) const; // 1 to 24
    Point ConnectionLampCentre() const;
    Rect StatusLineBox() const;
    Rect ReadoutBox() const;
    Rect ReceiveLampBox() const;

    Image Shot() { return desktop_.Grab(window_); }
    // The lamps (1 to 24) shown lit, in order.
    std::vector<int> LitLamps(const Image& shot) const;
    bool AllLampsDark(const Image& shot) const;
    // The lamps (1 to 24) marked with a target's ring, in order: the ring's colour on both sides
    // of the middle, just inside the circle's edge.
    std::vector<int> MarkedLamps(const Image& shot) const;

    // The menu bar's items, left to right, found as the runs of dark text on the bar.
    std::vector<Rect> MenuItems();
    void ClickMenu(int item);
    // Opens "Настр." → "Коммуникация" and returns the port dialog's window.
    TopLevel OpenPortDialog();
    // In the open port dialog, picks `port` (1 to 9) from the port list and clicks OK.
    void ChoosePortAndAccept(const TopLevel& dialog, int port);
    // In the open port dialog, replaces the line settings text with `settings`, typed.
    void TypeLineSettings(const TopLevel& dialog, const std::string& settings);
    // Waits until the window shows what `condition` asks of a shot of it; returns whether it did.
    template <typename Condition> bool WaitForShot(Condition condition) {
        return WaitFor([&] { return condition(Shot()); });
    }

private:
    Torven(Desktop& desktop, const Workspace& workspace, const std::filesystem::path& program,
           const std::vector<std::string>& arguments, const std::string& title);

    Desktop& desktop_;
    std::unique_ptr<Process> process_;
    Rect window_;
    unsigned long windowId_ = 0;
};

// The workspace's torven as a bridge without a window (--headless), serving on `tcpPort`, with
// nothing that names a display in its environment. Killed when it goes.
class BridgeProcess {
public:
    BridgeProcess(const Workspace& workspace, int tcpPort,
                  std::vector<std::string> arguments = {"--port", "1"});
    Process& Proc() { return *process_; }
    // Whether it serves a position within the patience.
    bool WaitServing();

private:
    int port_;
    std::unique_ptr<Process> process_;
};

// A box of a window's layout, given in twips from its top left corner, on the screen.
Rect PixelBox(Rect window, int left, int top, int width, int height);

// The menu bar's items, in order.
enum MenuItem { kConnect = 0, kSettings = 1, kAbout = 2, kExit = 3 };

} // namespace torven::e2e
