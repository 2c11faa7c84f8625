// A tracker's view of torven's rotctld service, for the benchmarks:
//   rotctld_probe PORT SECONDS INTERVAL_MS
//       connects to the service on 127.0.0.1:PORT, sends "p" (get the position) every
//       INTERVAL_MS for SECONDS on that one connection, as a tracker polls, and times each answer
//       until it is whole: an "RPRT" line (no position), or the azimuth and elevation lines.
//       The service runs on torven's user-interface thread, so the time says how long a client
//       waits while the window is busy. Reports
//       "RESULT p <median ms> <p99 ms> <max ms> <count> <unanswered>".
// An answer that takes longer than kGiveUp counts as unanswered and ends the run.
#include "Loopback.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <poll.h>
#include <string>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

// Far longer than any answer should take: the figure is how long it took, not whether it came.
constexpr auto kGiveUp = std::chrono::seconds(60);

[[noreturn]] void Fail(const char* what) {
    std::fprintf(stderr, "rotctld_probe: %s\n", what);
    std::exit(1);
}

int Connect(int port) {
    const int fd = torven::loopback::connectTo(port);
    if (fd < 0)
        Fail("cannot connect to the service");
    return fd;
}

// Reads until the answer to one "p" is whole; false when it did not come by `deadline`.
bool AwaitAnswer(int fd, std::string& pending, Clock::time_point deadline) {
    int lines = 0;
    for (;;) {
        for (std::size_t end; (end = pending.find('\n')) != std::string::npos;) {
            const bool report = pending.starts_with("RPRT");
            pending.erase(0, end + 1);
            if (report || ++lines == 2)
                return true;
        }
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0)
            return false;
        pollfd ready{fd, POLLIN, 0};
        if (poll(&ready, 1, static_cast<int>(left)) < 0 && errno != EINTR)
            Fail("poll");
        char buffer[512];
        const ssize_t n = read(fd, buffer, sizeof buffer);
        if (n == 0)
            Fail("the service closed the connection");
        if (n > 0)
            pending.append(buffer, static_cast<std::size_t>(n));
        else if (errno != EINTR && errno != EAGAIN)
            Fail("read");
    }
}

} // namespace

int main(int argc, char* argv[]) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: rotctld_probe PORT SECONDS INTERVAL_MS\n");
        return 2;
    }
    const int port = std::atoi(argv[1]);
    const double seconds = std::atof(argv[2]);
    const auto interval = std::chrono::milliseconds(std::max(1, std::atoi(argv[3])));
    const int fd = Connect(port);

    std::vector<double> times;
    int unanswered = 0;
    std::string pending;
    const auto end = Clock::now() + std::chrono::duration_cast<Clock::duration>(
                                        std::chrono::duration<double>(seconds));
    while (Clock::now() < end) {
        const auto sent = Clock::now();
        if (write(fd, "p\n", 2) != 2)
            Fail("write");
        if (!AwaitAnswer(fd, pending, sent + kGiveUp)) {
            ++unanswered;
            break;
        }
        times.push_back(std::chrono::duration<double, std::milli>(Clock::now() - sent).count());
        std::this_thread::sleep_until(sent + interval);
    }
    close(fd);
    if (times.empty())
        Fail("no answer came");
    std::sort(times.begin(), times.end());
    const auto at = [&](double q) {
        const auto i = static_cast<std::size_t>(q * static_cast<double>(times.size() - 1) + 0.5);
        return times[std::min(i, times.size() - 1)];
    };
    std::printf("RESULT p %.2f %.2f %.2f %zu %d\n", at(0.5), at(0.99), times.back(), times.size(),
                unanswered);
    return 0;
}
