#include "XServer.h"

#include "Spawn.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>

namespace torven::xserver {

namespace {

using Clock = std::chrono::steady_clock;

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

std::string Utf8Property(Display* x, Window w, Atom property) {
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    std::string value;
    if (XGetWindowProperty(x, w, property, 0, 256, False, XInternAtom(x, "UTF8_STRING", False),
                           &type, &format, &count, &after, &data) == Success &&
        data && format == 8)
        value.assign(reinterpret_cast<char*>(data), count);
    if (data)
        XFree(data);
    return value;
}

// Reads the display number Xvfb writes once it accepts connections: digits, then a newline.
std::optional<std::string> ReadDisplayNumber(int fd, Clock::time_point deadline) {
    std::string number;
    while (number.empty() || number.back() != '\n') {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        pollfd p{fd, POLLIN, 0};
        if (left.count() <= 0 || poll(&p, 1, static_cast<int>(left.count())) <= 0)
            return std::nullopt;
        char c;
        const ssize_t n = read(fd, &c, 1);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return std::nullopt;
        number += c;
    }
    number.pop_back();
    return number;
}

} // namespace

StartedServer StartXvfb(int width, int height, const std::vector<std::string>& extraArguments,
                        std::chrono::milliseconds patience) {
    // Xvfb picks a free display itself and writes its number to the descriptor once it
    // accepts connections: no guessing, no race with other servers starting at the same time.
    int ready[2];
    if (pipe2(ready, O_CLOEXEC) != 0)
        throw std::runtime_error(std::string("pipe: ") + std::strerror(errno));
    std::vector<std::string> args = {
        "/usr/bin/Xvfb", "-displayfd", "3",
        "-screen",       "0",          std::to_string(width) + "x" + std::to_string(height) + "x24",
        "-nolisten",     "tcp",        "-noreset"};
    args.insert(args.end(), extraArguments.begin(), extraArguments.end());

    SpawnOptions options;
    options.redirections = {Redirection::Dup(ready[1], 3),
                            Redirection::Open(STDIN_FILENO, "/dev/null", O_RDONLY),
                            Redirection::Open(STDOUT_FILENO, "/dev/null", O_WRONLY),
                            Redirection::Open(STDERR_FILENO, "/dev/null", O_WRONLY)};
    StartedServer server;
    try {
        server.pid = Spawn(args, options);
    } catch (const std::runtime_error&) {
        close(ready[0]);
        close(ready[1]);
        throw;
    }
    close(ready[1]);
    const auto number = ReadDisplayNumber(ready[0], Clock::now() + patience);
    close(ready[0]);
    if (!number || number->empty()) {
        kill(server.pid, SIGKILL);
        waitpid(server.pid, nullptr, 0);
        throw std::runtime_error("Xvfb did not start");
    }
    server.display = ":" + *number;
    return server;
}

std::optional<pid_t> WindowPid(Display* display, unsigned long window) {
    const auto pid = CardinalProperty(display, window, XInternAtom(display, "_NET_WM_PID", False));
    if (!pid)
        return std::nullopt;
    return static_cast<pid_t>(*pid);
}

std::optional<TopLevel> Describe(Display* display, unsigned long window) {
    XWindowAttributes attributes{};
    if (!XGetWindowAttributes(display, window, &attributes))
        return std::nullopt;
    TopLevel w;
    w.id = window;
    w.x = attributes.x;
    w.y = attributes.y;
    w.width = attributes.width;
    w.height = attributes.height;
    w.viewable = attributes.map_state == IsViewable;
    w.overrideRedirect = attributes.override_redirect;
    w.pid = WindowPid(display, window).value_or(0);
    w.name = Utf8Property(display, window, XInternAtom(display, "_NET_WM_NAME", False));
    return w;
}

std::vector<TopLevel> TopLevels(Display* display) {
    Window root = 0, parent = 0;
    Window* children = nullptr;
    unsigned count = 0;
    std::vector<TopLevel> found;
    if (!XQueryTree(display, DefaultRootWindow(display), &root, &parent, &children, &count))
        return found;
    for (unsigned i = 0; i < count; ++i) {
        if (auto w = Describe(display, children[i]))
            found.push_back(std::move(*w));
    }
    if (children)
        XFree(children);
    return found;
}

std::vector<TopLevel> ViewableWindowsOf(Display* display, pid_t pid) {
    std::vector<TopLevel> windows;
    for (auto& w : TopLevels(display)) {
        if (w.viewable && w.pid == pid)
            windows.push_back(std::move(w));
    }
    return windows;
}

} // namespace torven::xserver
