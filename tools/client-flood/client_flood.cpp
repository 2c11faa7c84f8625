// client-flood: clients that keep a rotctld service busy, and a tracker polling it meanwhile.
//   client-flood PORT CLIENTS BYTES INTERVAL_MS
// opens CLIENTS connections to 127.0.0.1:PORT, each sending BYTES of "P 100 0\n" (a target, as
// a tracker sets it) as fast as the service takes them and reading every answer; meanwhile one
// more connection sends "p" (get the position) every INTERVAL_MS and times each answer until it
// is whole: an "RPRT" line, or the azimuth and elevation lines. All in one thread. Ends once
// every busy client has had its answers, and reports
//   "RESULT p <median ms> <p99 ms> <max ms> <count> <unanswered>"
//   "AZIMUTH <as answered> <count>"   for each azimuth answered, in the order of the text
// An answer that takes longer than kGiveUp counts as unanswered and ends the run.
#include "Loopback.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <map>
#include <poll.h>
#include <string>
#include <string_view>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

constexpr std::string_view kCommand = "P 100 0\n";
constexpr auto kGiveUp = std::chrono::seconds(60);

[[noreturn]] void Fail(const char* what) {
    std::fprintf(stderr, "client-flood: %s\n", what);
    std::exit(1);
}

int Connect(int port) {
    const int fd = torven::loopback::connectTo(port);
    if (fd < 0)
        Fail("cannot connect to the service");
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
    return fd;
}

// Appends what the connection has for us; false once the service has closed it.
bool Receive(int fd, std::string& into) {
    char buffer[65536];
    for (;;) {
        const ssize_t n = read(fd, buffer, sizeof buffer);
        if (n > 0) {
            into.append(buffer, static_cast<std::size_t>(n));
            continue;
        }
        if (n < 0 && (errno == EAGAIN || errno == EINTR))
            return true;
        return false;
    }
}

struct Busy {
    int fd = -1;
    std::size_t toSend = 0;      // bytes of commands not yet sent
    std::size_t answers = 0;     // answers still due
    std::size_t sentInPiece = 0; // how far into the command text the last write ended
    bool done() const { return toSend == 0 && answers == 0; }
};

} // namespace

int main(int argc, char* argv[]) {
    if (argc != 5) {
        std::fprintf(stderr, "usage: client-flood PORT CLIENTS BYTES INTERVAL_MS\n");
        return 2;
    }
    const int port = std::atoi(argv[1]);
    const int clients = std::max(0, std::atoi(argv[2]));
    const std::size_t commands = std::strtoull(argv[3], nullptr, 10) / kCommand.size();
    const auto interval = std::chrono::milliseconds(std::max(1, std::atoi(argv[4])));

    std::string text;
    for (std::size_t i = 0; i < 8192; ++i)
        text += kCommand;
    std::vector<Busy> busy(static_cast<std::size_t>(clients));
    for (Busy& b : busy)
        b = Busy{Connect(port), commands * kCommand.size(), commands, 0};
    const int tracker = Connect(port);

    std::vector<double> times;
    std::map<std::string, int> azimuths;
    int unanswered = 0;
    std::string answer;
    int lines = 0;
    bool waiting = false; // for the answer to the "p" sent at `asked`
    Clock::time_point asked{};
    auto nextAsk = Clock::now();
    for (;;) {
        const bool busyDone =
            std::all_of(busy.begin(), busy.end(), [](const Busy& b) { return b.done(); });
        if (busyDone && !waiting)
            break;
        const auto now = Clock::now();
        if (!waiting && now >= nextAsk) {
            if (write(tracker, "p\n", 2) != 2)
                Fail("write");
            waiting = true;
            asked = now;
            nextAsk = now + interval;
        }
        if (waiting && now - asked > kGiveUp) {
            ++unanswered;
            break;
        }
        std::vector<pollfd> fds;
        for (const Busy& b : busy)
            fds.push_back(
                {b.fd, static_cast<short>(b.done() ? 0 : POLLIN | (b.toSend ? POLLOUT : 0)), 0});
        fds.push_back({tracker, POLLIN, 0});
        const auto wait = waiting ? std::chrono::milliseconds(100)
                                  : std::chrono::ceil<std::chrono::milliseconds>(nextAsk - now);
        if (poll(fds.data(), fds.size(), static_cast<int>(std::max<long>(0, wait.count()))) < 0 &&
            errno != EINTR)
            Fail("poll");
        for (std::size_t i = 0; i < busy.size(); ++i) {
            Busy& b = busy[i];
            if (fds[i].revents & POLLOUT) {
                const std::size_t piece = std::min(b.toSend, text.size() - b.sentInPiece);
                const ssize_t n = write(b.fd, text.data() + b.sentInPiece, piece);
                if (n > 0) {
                    b.toSend -= static_cast<std::size_t>(n);
                    b.sentInPiece = (b.sentInPiece + static_cast<std::size_t>(n)) % text.size();
                }
            }
            if (fds[i].revents & (POLLIN | POLLHUP | POLLERR)) {
                std::string got;
                const bool open = Receive(b.fd, got);
                b.answers -=
                    std::min<std::size_t>(b.answers, std::count(got.begin(), got.end(), '\n'));
                if (!open)
                    Fail("the service closed a busy client's connection");
            }
        }
        if (fds.back().revents & (POLLIN | POLLHUP | POLLERR)) {
            if (!Receive(tracker, answer))
                Fail("the service closed the tracker's connection");
            for (std::size_t end; waiting && (end = answer.find('\n')) != std::string::npos;) {
                const std::string line = answer.substr(0, end);
                answer.erase(0, end + 1);
                const bool report = line.starts_with("RPRT");
                if (report)
                    ++azimuths[line];
                else if (lines++ == 0)
                    ++azimuths[line];
                if (report || lines == 2) {
                    times.push_back(
                        std::chrono::duration<double, std::milli>(Clock::now() - asked).count());
                    waiting = false;
                    lines = 0;
                }
            }
        }
    }
    if (times.empty())
        Fail("no answer came");
    std::sort(times.begin(), times.end());
    const auto at = [&](double q) {
        const auto i = static_cast<std::size_t>(q * static_cast<double>(times.size() - 1) + 0.5);
        return times[std::min(i, times.size() - 1)];
    };
    std::printf("RESULT p %.2f %.2f %.2f %zu %d\n", at(0.5), at(0.99), times.back(), times.size(),
                unanswered);
    for (const auto& [azimuth, count] : azimuths)
        std::printf("AZIMUTH %s %d\n", azimuth.c_str(), count);
    return 0;
}
