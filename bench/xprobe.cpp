// A small X client for the benchmarks:
//   xprobe start [--kill] -- PROGRAM [ARGS...]
//       starts PROGRAM and reports, once its first top-level window is mapped,
//       "MAPPED <ms from exec to mapped> <pid> <window> <width> <height>"; with --kill it then
//       ends the program and waits for it.
//   xprobe xvfb WIDTH HEIGHT
//       starts a private X server (Xvfb) on a free display and reports, once it accepts
//       connections, "XVFB <:display> <pid>"; the server runs on until it is killed.
//   xprobe window PID
//       waits (up to 10 s) for a mapped top-level window of process PID and reports it the same
//       way, with 0 for the time.
//   xprobe ping WINDOW SECONDS INTERVAL_MS
//       sends the window manager's ping (_NET_WM_PING) every INTERVAL_MS for SECONDS and times
//       each answer: the program's UI thread answers it from its event loop, so the time says
//       how long an event waits to be served. Reports
//       "RESULT ping <median ms> <p99 ms> <max ms> <count> <unanswered>".
// Map notifications are taken as events from the root window, so the moment a window is mapped
// is seen as it happens, without polling.
#include "XServer.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <poll.h>
#include <stdexcept>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double MillisSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

[[noreturn]] void Fail(const char* what) {
    std::fprintf(stderr, "xprobe: %s\n", what);
    std::exit(1);
}

// Waits for the next X event until `deadline`; false when the time is up first.
bool NextEvent(Display* display, XEvent& event, Clock::time_point deadline) {
    while (!XPending(display)) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0)
            return false;
        pollfd fd{ConnectionNumber(display), POLLIN, 0};
        if (poll(&fd, 1, static_cast<int>(left)) < 0 && errno != EINTR)
            Fail("poll");
    }
    XNextEvent(display, &event);
    return true;
}

void ReportMapped(Display* display, double millis, long pid, Window window) {
    XWindowAttributes attributes{};
    XGetWindowAttributes(display, window, &attributes);
    std::printf("MAPPED %.2f %ld 0x%lx %d %d\n", millis, pid, window, attributes.width,
                attributes.height);
    std::fflush(stdout);
}

// Ignores X errors: a window may vanish between an event and a look at it.
int IgnoreErrors(Display*, XErrorEvent*) {
    return 0;
}

Display* Open() {
    Display* display = XOpenDisplay(nullptr);
    if (!display)
        Fail("cannot open the display");
    XSetErrorHandler(IgnoreErrors);
    XSelectInput(display, DefaultRootWindow(display), SubstructureNotifyMask);
    XSync(display, False);
    return display;
}

// Waits for a mapped top-level window of `pid`, from now until `deadline`; `alreadyThere`
// looks at the windows that exist now (for a program started earlier).
std::optional<Window> AwaitWindow(Display* display, long pid, Clock::time_point deadline,
                                  bool alreadyThere) {
    if (alreadyThere) {
        for (const auto& w : torven::xserver::ViewableWindowsOf(display, static_cast<pid_t>(pid))) {
            if (!w.overrideRedirect)
                return w.id;
        }
    }
    XEvent event;
    while (NextEvent(display, event, deadline)) {
        if (event.type == MapNotify && event.xmap.event == DefaultRootWindow(display) &&
            !event.xmap.override_redirect &&
            torven::xserver::WindowPid(display, event.xmap.window) == static_cast<pid_t>(pid))
            return event.xmap.window;
    }
    return std::nullopt;
}

int Start(bool kill, char** program) {
    Display* display = Open();
    const auto start = Clock::now();
    const pid_t pid = fork();
    if (pid < 0)
        Fail("fork");
    if (pid == 0) {
        close(ConnectionNumber(display));
        execvp(program[0], program);
        std::fprintf(stderr, "xprobe: cannot run %s: %s\n", program[0], std::strerror(errno));
        _exit(127);
    }
    const auto window = AwaitWindow(display, pid, start + std::chrono::seconds(20), false);
    const double millis = MillisSince(start);
    if (window)
        ReportMapped(display, millis, pid, *window);
    if (kill || !window) {
        ::kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
    }
    XCloseDisplay(display);
    if (!window)
        Fail("no window was mapped");
    return 0;
}

int StartServer(int width, int height) {
    try {
        const auto server = torven::xserver::StartXvfb(width, height, {}, std::chrono::seconds(10));
        std::printf("XVFB %s %ld\n", server.display.c_str(), static_cast<long>(server.pid));
        return 0;
    } catch (const std::exception& e) {
        Fail(e.what());
    }
}

int FindWindow(long pid) {
    Display* display = Open();
    const auto window = AwaitWindow(display, pid, Clock::now() + std::chrono::seconds(10), true);
    if (!window)
        Fail("no window was mapped");
    ReportMapped(display, 0, pid, *window);
    XCloseDisplay(display);
    return 0;
}

int Ping(Window window, double seconds, int intervalMs) {
    Display* display = Open();
    const Atom protocols = XInternAtom(display, "WM_PROTOCOLS", False);
    const Atom ping = XInternAtom(display, "_NET_WM_PING", False);
    const Window root = DefaultRootWindow(display);
    // The answer goes to the root window with these masks.
    XSelectInput(display, root, SubstructureNotifyMask | StructureNotifyMask);

    std::vector<double> times;
    int unanswered = 0;
    const auto end = Clock::now() + std::chrono::duration_cast<Clock::duration>(
                                        std::chrono::duration<double>(seconds));
    long serial = 1;
    while (Clock::now() < end) {
        XEvent request{};
        request.xclient.type = ClientMessage;
        request.xclient.window = window;
        request.xclient.message_type = protocols;
        request.xclient.format = 32;
        request.xclient.data.l[0] = static_cast<long>(ping);
        request.xclient.data.l[1] = ++serial;
        request.xclient.data.l[2] = static_cast<long>(window);
        const auto sent = Clock::now();
        XSendEvent(display, window, False, NoEventMask, &request);
        XFlush(display);

        bool answered = false;
        XEvent event;
        const auto giveUp = sent + std::chrono::seconds(2);
        while (!answered && NextEvent(display, event, giveUp)) {
            answered = event.type == ClientMessage && event.xclient.window == root &&
                       static_cast<Atom>(event.xclient.data.l[0]) == ping &&
                       event.xclient.data.l[1] == serial;
        }
        if (answered)
            times.push_back(MillisSince(sent));
        else
            ++unanswered;
        // The next ping one interval after this one was sent.
        const auto next = sent + std::chrono::milliseconds(intervalMs);
        while (Clock::now() < next && NextEvent(display, event, next)) {
        }
    }
    XCloseDisplay(display);
    if (times.empty())
        Fail("no ping was answered");
    std::sort(times.begin(), times.end());
    const auto at = [&](double q) {
        const auto i = static_cast<std::size_t>(q * static_cast<double>(times.size() - 1) + 0.5);
        return times[std::min(i, times.size() - 1)];
    };
    std::printf("RESULT ping %.2f %.2f %.2f %zu %d\n", at(0.5), at(0.99), times.back(),
                times.size(), unanswered);
    return 0;
}

int Usage() {
    std::fprintf(stderr, "usage: xprobe start [--kill] -- PROGRAM [ARGS...]\n"
                         "       xprobe xvfb WIDTH HEIGHT\n"
                         "       xprobe window PID\n"
                         "       xprobe ping WINDOW SECONDS INTERVAL_MS\n");
    return 2;
}

} // namespace

int main(int argc, char* argv[]) {
    if (argc < 2)
        return Usage();
    const std::string command = argv[1];
    if (command == "start") {
        bool kill = false;
        int i = 2;
        for (; i < argc && std::strcmp(argv[i], "--") != 0; ++i) {
            if (std::strcmp(argv[i], "--kill") == 0)
                kill = true;
            else
                return Usage();
        }
        if (i + 1 >= argc)
            return Usage();
        return Start(kill, argv + i + 1);
    }
    if (command == "xvfb" && argc == 4)
        return StartServer(std::atoi(argv[2]), std::atoi(argv[3]));
    if (command == "window" && argc == 3)
        return FindWindow(std::strtol(argv[2], nullptr, 10));
    if (command == "ping" && argc == 5)
        return Ping(static_cast<Window>(std::strtoul(argv[2], nullptr, 0)), std::atof(argv[3]),
                    std::max(1, std::atoi(argv[4])));
    return Usage();
}
