#pragma once

// A private X server (Xvfb) and the top-level windows on it, in plain Xlib: shared by the
// end-to-end tests and the benchmarks. Xlib's own header stays out of this one, because its
// macros (None, Status, Bool) clash with other libraries' names.

#include <chrono>
#include <optional>
#include <string>
#include <sys/types.h>
#include <vector>

struct _XDisplay;

namespace torven::xserver {

struct StartedServer {
    pid_t pid = -1;
    std::string display; // ":N", for DISPLAY
};

// Starts Xvfb with one screen of `width` × `height` at 24 bits and `extraArguments`, on a display
// it picks itself, and waits up to `patience` until it accepts connections. The server runs on
// after the caller ends: ending it is the caller's business. Throws std::runtime_error.
StartedServer StartXvfb(int width, int height, const std::vector<std::string>& extraArguments,
                        std::chrono::milliseconds patience);

// A window that is a direct child of the root, as every top-level window is without a window
// manager.
struct TopLevel {
    unsigned long id = 0;
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    bool viewable = false;
    bool overrideRedirect = false; // a popup (menu, tooltip) rather than a window of its own
    pid_t pid = 0;                 // from _NET_WM_PID; 0 when the window does not say
    std::string name;              // _NET_WM_NAME
};

// The process that made `window`, as it says itself in _NET_WM_PID.
std::optional<pid_t> WindowPid(_XDisplay* display, unsigned long window);

// What `window` is now, or nothing when it has gone.
std::optional<TopLevel> Describe(_XDisplay* display, unsigned long window);

// Every top-level window now, bottom to top.
std::vector<TopLevel> TopLevels(_XDisplay* display);

// The viewable top-level windows of process `pid`, popups included.
std::vector<TopLevel> ViewableWindowsOf(_XDisplay* display, pid_t pid);

} // namespace torven::xserver
