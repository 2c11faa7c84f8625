#include "HostileSupport.h"

#include "PseudoTerminal.h"
#include "Wait.h"

#include <QEventLoop>
#include <QTimer>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <ctime>
#include <fcntl.h>
#include <fstream>
#include <poll.h>
#include <thread>
#include <unistd.h>

namespace torven::test {

double ProcessCpuMs() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

std::int64_t ResidentBytes() {
    std::ifstream statm("/proc/self/statm");
    std::int64_t size = 0;
    std::int64_t resident = 0;
    statm >> size >> resident;
    return resident * sysconf(_SC_PAGESIZE);
}

std::int64_t PeakResidentBytes() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.starts_with("VmHWM:"))
            return std::stoll(line.substr(6)) * 1024;
    }
    return -1;
}

void ResetPeakResident() {
    std::ofstream("/proc/self/clear_refs") << "5";
}

void ServeEventsFor(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

bool WriteWhileServing(const PseudoTerminal& pty, std::string_view bytes,
                       const std::function<bool()>& done, int timeoutMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    std::atomic<bool> failed = false;
    std::atomic<bool> finished = false;
    // The writer waits for room with a deadline of its own, so that a reader that stops reading
    // fails the test instead of hanging it.
    std::thread writer([&, fd = pty.MasterFd()] {
        const int flags = fcntl(fd, F_GETFL);
        fcntl(fd, F_SETFL, flags | O_NONBLOCK);
        std::string_view rest = bytes;
        while (!rest.empty() && std::chrono::steady_clock::now() < deadline) {
            pollfd p{fd, POLLOUT, 0};
            if (poll(&p, 1, 50) <= 0)
                continue;
            const ssize_t n = write(fd, rest.data(), rest.size());
            if (n < 0 && (errno == EINTR || errno == EAGAIN))
                continue;
            if (n < 0)
                break;
            rest.remove_prefix(static_cast<std::size_t>(n));
        }
        fcntl(fd, F_SETFL, flags);
        failed = !rest.empty();
        finished = true;
    });
    const bool took = WaitUntil([&] { return failed || (finished && done()); }, timeoutMs);
    writer.join();
    return took && !failed;
}

} // namespace torven::test
