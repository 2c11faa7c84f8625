#pragma once

// A private X server (Xvfb) for driving real programs: their top-level windows, the pixels on
// the screen, and mouse clicks through xdotool. Also the small process and waiting helpers the
// end-to-end tests share.

#include "Poll.h"

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <ostream>
#include <string>
#include <sys/types.h>
#include <vector>

struct _XDisplay;

namespace torven::e2e {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// Deadlines are generous: sanitizer builds start slowly, and the machine is shared.
inline constexpr milliseconds kPatience{20000};

// Polls `condition` every 2 ms until it holds or `limit` has passed; returns whether it held.
template <typename Condition> bool WaitFor(Condition condition, milliseconds limit = kPatience) {
    return test::WaitFor(condition, limit, test::Sleep{milliseconds(2)});
}

struct Point {
    int x = 0;
    int y = 0;
};

struct Rect {
    int x = 0;
    int y = 0;
    int w = 0;
    int h = 0;
    Point Centre() const { return {x + w / 2, y + h / 2}; }
    bool operator==(const Rect&) const = default;
};

struct Rgb {
    int r = 0;
    int g = 0;
    int b = 0;
    bool operator==(const Rgb&) const = default;
    int Luminance() const { return (r * 299 + g * 587 + b * 114) / 1000; }
};

std::string ToString(Rgb colour);
// For the test framework's messages: #RRGGBB.
inline void PrintTo(Rgb colour, std::ostream* out) {
    *out << ToString(colour);
}

// A copy of part of the screen; pixels are addressed in screen coordinates.
class Image {
public:
    Image() = default;
    Image(Rect area, std::vector<Rgb> pixels) : area_(area), pixels_(std::move(pixels)) {}
    const Rect& Area() const { return area_; }
    Rgb At(Point p) const {
        return pixels_[static_cast<std::size_t>((p.y - area_.y) * area_.w + (p.x - area_.x))];
    }
    bool operator==(const Image&) const = default;

private:
    Rect area_;
    std::vector<Rgb> pixels_;
};

// A window that is a direct child of the root, as every top-level window is without a window
// manager.
struct TopLevel {
    unsigned long id = 0;
    Rect geometry;
    bool viewable = false;
    pid_t pid = 0;
    std::string name;
};

// A started program. The destructor kills it if it is still running.
class Process {
public:
    // Runs argv[0] with `env` (NAME=value entries), its output appended to `log`, its standard
    // input from `input` when given (else empty).
    Process(const std::vector<std::string>& argv, const std::vector<std::string>& env,
            const std::filesystem::path& log, int input = -1);
    ~Process();
    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;

    pid_t Pid() const { return pid_; }
    // The exit status once it has ended within `limit` (128 + signal for a signal), or nothing.
    std::optional<int> WaitExit(milliseconds limit);

private:
    pid_t pid_ = -1;
    std::optional<int> status_;
};

// This process's environment without the entries whose names start with one of `drop`.
std::vector<std::string> EnvironmentWithout(const std::vector<std::string>& drop);

class Desktop {
public:
    static constexpr int kWidth = 1024;
    static constexpr int kHeight = 768;

    // Starts Xvfb on a free display and connects to it; throws when that fails.
    Desktop();
    ~Desktop();
    Desktop(const Desktop&) = delete;
    Desktop& operator=(const Desktop&) = delete;

    // ":N", for the DISPLAY of the programs started on it.
    const std::string& Name() const { return name_; }
    // Ends the X server, as a crash or a lost remote display would: every client loses its
    // connection. Nothing else of the desktop may be used afterwards.
    void EndServer();

    std::vector<TopLevel> TopLevels();
    // The viewable top-level windows of process `pid`.
    std::vector<TopLevel> WindowsOf(pid_t pid);
    Image Grab(Rect area);
    // A click of the left button at `p`, as a person makes it.
    void Click(Point p);
    // Keys pressed as a person presses them, into the window that has the keyboard focus: a key
    // combination in xdotool's words ("ctrl+a"), or text typed character by character.
    void PressKeys(const std::string& combination);
    void Type(const std::string& text);
    // Moves a top-level window's top-left corner to `to`, as a person drags it by its title.
    void Move(const TopLevel& window, Point to);

    // From now on, notes every change of the shape (the visible part) of `window`.
    void WatchShape(unsigned long window);
    // The visible parts the watched windows took since, in window coordinates; an unshaped
    // window's changes are left out.
    std::vector<Rect> ShapesTaken();

private:
    void Xdotool(const std::vector<std::string>& arguments);

    std::string name_;
    pid_t server_ = -1;
    _XDisplay* x_ = nullptr;
};

} // namespace torven::e2e
