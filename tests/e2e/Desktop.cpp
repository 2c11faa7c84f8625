#include "Desktop.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/shape.h>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
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

std::vector<char*> CStrings(std::vector<std::string>& strings) {
    std::vector<char*> out;
    for (auto& s : strings)
        out.push_back(s.data());
    out.push_back(nullptr);
    return out;
}

std::optional<unsigned long> CardinalProperty(Display* x, Window w, Atom property) {
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    std::optional<unsigned long> value;
    if (XGetWindowProperty(x, w, property, 0, 1, False, XA_CARDINAL, &type, &format, &count, &after,
                           &data) == Success &&
        data && format == 32 && count == 1)
        value = *reinterpret_cast<unsigned long*>(data);
    if (data)
        XFree(data);
    return value;
}

std::string Utf8Property(Display* x, Window w, Atom property, Atom utf8) {
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    std::string value;
    if (XGetWindowProperty(x, w, property, 0, 256, False, utf8, &type, &format, &count, &after,
                           &data) == Success &&
        data && format == 8)
        value.assign(reinterpret_cast<char*>(data), count);
    if (data)
        XFree(data);
    return value;
}

} // namespace

std::string ToString(Rgb c) {
    char text[16];
    std::snprintf(text, sizeof text, "#%02X%02X%02X", c.r, c.g, c.b);
    return text;
}

Process::Process(const std::vector<std::string>& argv, const std::vector<std::string>& env,
                 const std::filesystem::path& log, int input) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (input >= 0)
        posix_spawn_file_actions_adddup2(&actions, input, STDIN_FILENO);
    else
        posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, log.c_str(),
                                     O_WRONLY | O_CREAT | O_APPEND, 0644);
    posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
    // A program started from a desktop or a terminal takes the signals that end programs; the
    // test's own runner may have been started with some of them ignored (nohup, a background job).
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t endSignals;
    sigemptyset(&endSignals);
    for (const int signal : {SIGTERM, SIGINT, SIGHUP})
        sigaddset(&endSignals, signal);
    posix_spawnattr_setsigdefault(&attributes, &endSignals);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF);
    auto args = argv;
    auto vars = env;
    const int error = posix_spawn(&pid_, args[0].c_str(), &actions, &attributes,
                                  CStrings(args).data(), CStrings(vars).data());
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    if (error != 0) {
        pid_ = -1;
        throw std::runtime_error("cannot start " + argv[0] + ": " + std::strerror(error));
    }
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
    // Xvfb picks a free display itself and writes its number to the descriptor once it
    // accepts connections: no guessing, no race with the other tests' servers.
    int ready[2];
    if (pipe2(ready, O_CLOEXEC) != 0)
        throw std::runtime_error("pipe failed");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, ready[1], 3);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    // A black root (-br) so that whatever a window leaves uncovered reads as plain black.
    std::vector<std::string> args = {"/usr/bin/Xvfb",
                                     "-displayfd",
                                     "3",
                                     "-screen",
                                     "0",
                                     std::to_string(kWidth) + "x" + std::to_string(kHeight) + "x24",
                                     "-dpi",
                                     "96",
                                     "-nolisten",
                                     "tcp",
                                     "-br",
                                     "-noreset"};
    const int error =
        posix_spawn(&server_, args[0].c_str(), &actions, nullptr, CStrings(args).data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(ready[1]);
    if (error != 0) {
        close(ready[0]);
        server_ = -1;
        throw std::runtime_error(std::string("cannot start Xvfb: ") + std::strerror(error));
    }

    std::string number;
    const auto deadline = Clock::now() + kPatience;
    while (number.empty() || number.back() != '\n') {
        const auto left = std::chrono::duration_cast<milliseconds>(deadline - Clock::now());
        pollfd p{ready[0], POLLIN, 0};
        if (left.count() <= 0 || poll(&p, 1, static_cast<int>(left.count())) <= 0)
            break;
        char c;
        const ssize_t n = read(ready[0], &c, 1);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        number += c;
    }
    close(ready[0]);
    if (number.empty() || number.back() != '\n') {
        kill(server_, SIGKILL);
        waitpid(server_, nullptr, 0);
        throw std::runtime_error("Xvfb did not start");
    }
    number.pop_back();
    name_ = ":" + number;

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

std::vector<TopLevel> Desktop::TopLevels() {
    const Atom pidAtom = XInternAtom(x_, "_NET_WM_PID", False);
    const Atom nameAtom = XInternAtom(x_, "_NET_WM_NAME", False);
    const Atom utf8 = XInternAtom(x_, "UTF8_STRING", False);
    Window root = 0, parent = 0;
    Window* children = nullptr;
    unsigned count = 0;
    std::vector<TopLevel> found;
    if (!XQueryTree(x_, DefaultRootWindow(x_), &root, &parent, &children, &count))
        return found;
    for (unsigned i = 0; i < count; ++i) {
        XWindowAttributes attributes{};
        if (!XGetWindowAttributes(x_, children[i], &attributes))
            continue;
        TopLevel w;
        w.id = children[i];
        w.geometry = {attributes.x, attributes.y, attributes.width, attributes.height};
        w.viewable = attributes.map_state == IsViewable;
        w.pid = static_cast<pid_t>(CardinalProperty(x_, children[i], pidAtom).value_or(0));
        w.name = Utf8Property(x_, children[i], nameAtom, utf8);
        found.push_back(std::move(w));
    }
    if (children)
        XFree(children);
    return found;
}

std::vector<TopLevel> Desktop::WindowsOf(pid_t pid) {
    std::vector<TopLevel> windows;
    for (auto& w : TopLevels()) {
        if (w.viewable && w.pid == pid)
            windows.push_back(std::move(w));
    }
    return windows;
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
    auto env = EnvironmentWithout({"DISPLAY="});
    env.push_back("DISPLAY=" + name_);
    // The server handles the move and the button in order: no need to wait for the pointer
    // between them (and --sync waits long when the pointer is already there).
    Process xdotool(
        {"/usr/bin/xdotool", "mousemove", std::to_string(p.x), std::to_string(p.y), "click", "1"},
        env, "/dev/null");
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
