#include "Desktop.h"

#include "Spawn.h"
#include "XServer.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/shape.h>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace torven::e2e {

namespace {

// Windows come and go while they are listed; a request about one that has just gone is no fault.
int IgnoreXErrors(Display*, XErrorEvent*) {
    return 0;
}

int ShiftOf(unsigned long mask) {
    int shift = 0;
    while (mask && !(mask & 1)) {
        mask >>= 1;
        ++shift;
    }
    return shift;
}

} // namespace

std::string ToString(Rgb c) {
    char text[16];
    std::snprintf(text, sizeof text, "#%02X%02X%02X", c.r, c.g, c.b);
    return text;
}

Process::Process(const std::vector<std::string>& argv, const std::vector<std::string>& env,
                 const std::filesystem::path& log, int input) {
    // A program started from a desktop or a terminal takes the signals that end programs; the
    // test's own runner may have been started with some of them ignored (nohup, a background job).
    pid_ = Spawn(
        argv, {.redirections = {input >= 0 ? Redirection::Dup(input, STDIN_FILENO)
                                           : Redirection::Open(STDIN_FILENO, "/dev/null", O_RDONLY),
                                Redirection::Open(STDOUT_FILENO, log.string(),
                                                  O_WRONLY | O_CREAT | O_APPEND, 0644),
                                Redirection::Dup(STDOUT_FILENO, STDERR_FILENO)},
               .environment = env,
               .defaultEndSignals = true});
}

Process::~Process() {
    if (pid_ > 0 && !status_) {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
    }
}

std::optional<int> Process::WaitExit(milliseconds limit) {
    WaitFor(
        [&] {
            if (status_)
                return true;
            int status = 0;
            if (waitpid(pid_, &status, WNOHANG) != pid_)
                return false;
            status_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            return true;
        },
        limit);
    return status_;
}

std::vector<std::string> EnvironmentWithout(const std::vector<std::string>& drop) {
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e) {
        const std::string entry = *e;
        bool keep = true;
        for (const auto& prefix : drop)
            keep = keep && entry.rfind(prefix, 0) != 0;
        if (keep)
            env.push_back(entry);
    }
    return env;
}

Desktop::Desktop() {
    // A black root (-br) so that whatever a window leaves uncovered reads as plain black.
    const auto server = xserver::StartXvfb(kWidth, kHeight, {"-dpi", "96", "-br"}, kPatience);
    server_ = server.pid;
    name_ = server.display;

    XSetErrorHandler(IgnoreXErrors);
    x_ = XOpenDisplay(name_.c_str());
    if (!x_) {
        kill(server_, SIGTERM);
        waitpid(server_, nullptr, 0);
        throw std::runtime_error("cannot connect to " + name_);
    }
}

Desktop::~Desktop() {
    EndServer();
}

void Desktop::EndServer() {
    if (x_)
        XCloseDisplay(x_);
    x_ = nullptr;
    if (server_ > 0) {
        kill(server_, SIGTERM);
        waitpid(server_, nullptr, 0);
    }
    server_ = -1;
}

namespace {

std::vector<TopLevel> Converted(std::vector<xserver::TopLevel> windows) {
    std::vector<TopLevel> converted;
    for (auto& w : windows)
        converted.push_back(
            {w.id, {w.x, w.y, w.width, w.height}, w.viewable, w.pid, std::move(w.name)});
    return converted;
}

} // namespace

std::vector<TopLevel> Desktop::TopLevels() {
    return Converted(xserver::TopLevels(x_));
}

std::vector<TopLevel> Desktop::WindowsOf(pid_t pid) {
    return Converted(xserver::ViewableWindowsOf(x_, pid));
}

Image Desktop::Grab(Rect area) {
    XImage* image =
        XGetImage(x_, DefaultRootWindow(x_), area.x, area.y, static_cast<unsigned>(area.w),
                  static_cast<unsigned>(area.h), AllPlanes, ZPixmap);
    if (!image)
        throw std::runtime_error("cannot read the screen");
    const int rs = ShiftOf(image->red_mask), gs = ShiftOf(image->green_mask),
              bs = ShiftOf(image->blue_mask);
    std::vector<Rgb> pixels;
    pixels.reserve(static_cast<std::size_t>(area.w * area.h));
    for (int y = 0; y < area.h; ++y) {
        for (int x = 0; x < area.w; ++x) {
            const unsigned long p = XGetPixel(image, x, y);
            pixels.push_back({static_cast<int>((p & image->red_mask) >> rs),
                              static_cast<int>((p & image->green_mask) >> gs),
                              static_cast<int>((p & image->blue_mask) >> bs)});
        }
    }
    XDestroyImage(image);
    return Image(area, std::move(pixels));
}

void Desktop::Click(Point p) {
    // The server handles the move and the button in order: no need to wait for the pointer
    // between them (and --sync waits long when the pointer is already there).
    Xdotool({"mousemove", std::to_string(p.x), std::to_string(p.y), "click", "1"});
}

void Desktop::PressKeys(const std::string& combination) {
    Xdotool({"key", combination});
}

void Desktop::Type(const std::string& text) {
    Xdotool({"type", text});
}

void Desktop::Move(const TopLevel& window, Point to) {
    Xdotool({"windowmove", "--sync", std::to_string(window.id), std::to_string(to.x),
             std::to_string(to.y)});
}

void Desktop::Xdotool(const std::vector<std::string>& arguments) {
    auto env = EnvironmentWithout({"DISPLAY="});
    env.push_back("DISPLAY=" + name_);
    std::vector<std::string> argv = {"/usr/bin/xdotool"};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    Process xdotool(argv, env, "/dev/null");
    if (xdotool.WaitExit(kPatience) != 0)
        throw std::runtime_error("xdotool failed");
}

} // namespace torven::e2e

namespace torven::e2e {

void Desktop::WatchShape(unsigned long window) {
    int eventBase = 0, errorBase = 0;
    if (!XShapeQueryExtension(x_, &eventBase, &errorBase))
        throw std::runtime_error("the X server has no shape extension");
    XShapeSelectInput(x_, window, ShapeNotifyMask);
    XSync(x_, False);
}

std::vector<Rect> Desktop::ShapesTaken() {
    int eventBase = 0, errorBase = 0;
    XShapeQueryExtension(x_, &eventBase, &errorBase);
    // A round trip: every change the server made before now is in the queue after it.
    XSync(x_, False);
    std::vector<Rect> shapes;
    while (XPending(x_) > 0) {
        XEvent event;
        XNextEvent(x_, &event);
        if (event.type != eventBase + ShapeNotify)
            continue;
        const auto& shape = reinterpret_cast<const XShapeEvent&>(event);
        if (shape.kind == ShapeBounding && shape.shaped)
            shapes.push_back(
                {shape.x, shape.y, static_cast<int>(shape.width), static_cast<int>(shape.height)});
    }
    return shapes;
}

} // namespace torven::e2e
