#include "Simulator.h"

#include "Escapes.h"
#include "PseudoTerminal.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <poll.h>
#include <random>
#include <sys/signalfd.h>
#include <system_error>
#include <unistd.h>

namespace torven::sim {

namespace {

using Clock = std::chrono::steady_clock;

// More unread bytes than this on the line means nobody is listening: they are thrown away.
constexpr std::size_t kStaleInputLimit = 256;
// How long bytes written to the line may take to be counted as waiting in it.
constexpr auto kWriteSettle = std::chrono::milliseconds(5);
// How long to wait at the end for a listener to take the last readings.
constexpr auto kFinalDrainTime = std::chrono::seconds(1);
constexpr auto kFinalDrainCheck = std::chrono::milliseconds(10);
constexpr auto kFinalEmptyTime = std::chrono::milliseconds(50);
// A character on the line with --baud: a start bit, eight data bits and a stop bit.
constexpr double kBitsPerCharacter = 10;

[[noreturn]] void throwErrno(const std::string& what) {
    throw std::system_error(errno, std::generic_category(), what);
}

Clock::duration seconds(double seconds) {
    // Tiny rates and huge durations are allowed; past this they all mean "never".
    constexpr double kNever = 1e9;
    return std::chrono::duration_cast<Clock::duration>(
        std::chrono::duration<double>(std::min(seconds, kNever)));
}

} // namespace

Simulator::Simulator(const Options& options, PseudoTerminal& pty, int signalFd, int scriptFd)
    : m_options(options), m_pty(pty), m_signalFd(signalFd), m_scriptFd(scriptFd),
      m_random(options.seed                         ? *options.seed
               : options.pattern == Pattern::Random ? std::random_device{}()
                                                    : 0) {}

Simulator::Clock::time_point Simulator::slotTime() const {
    return m_anchor + seconds(static_cast<double>(m_slot) / m_options.readingsPerSecond);
}

Simulator::Wake Simulator::waitUntil(std::optional<Clock::time_point> deadline, bool wantInput) {
    for (;;) {
        timespec timeout{};
        timespec* timeoutPtr = nullptr;
        if (deadline) {
            const auto left = std::max(*deadline - Clock::now(), Clock::duration::zero());
            const auto secs = std::chrono::duration_cast<std::chrono::seconds>(left);
            timeout.tv_sec = static_cast<time_t>(secs.count());
            timeout.tv_nsec = static_cast<long>(
                std::chrono::duration_cast<std::chrono::nanoseconds>(left - secs).count());
            timeoutPtr = &timeout;
        }
        pollfd fds[3] = {{m_signalFd, POLLIN, 0}, {m_pty.MasterFd(), POLLIN, 0}, {-1, POLLIN, 0}};
        if (wantInput)
            fds[2].fd = m_scriptFd;
        const int ready = ppoll(fds, 3, timeoutPtr, nullptr);
        if (ready < 0) {
            if (errno == EINTR)
                continue;
            throwErrno("ppoll");
        }
        if (fds[0].revents & POLLIN) {
            signalfd_siginfo info{};
            if (read(m_signalFd, &info, sizeof info) > 0) {
                m_stopped = true;
                return Wake::Signal;
            }
        }
        if (fds[1].revents & POLLIN)
            m_pty.DrainIncoming();
        if (fds[2].revents != 0)
            return Wake::Input; // readable, or at its end, or broken: read() tells which
        if (ready == 0 || (deadline && Clock::now() >= *deadline))
            return Wake::Deadline;
    }
}

std::optional<std::string> Simulator::nextScriptPayload() {
    for (;;) {
        auto line = m_script.nextLine();
        if (!line && m_scriptEnded)
            line = m_script.rest();
        if (line) {
            ++m_scriptLine;
            auto decoded = decodeEscapes(*line);
            if (!decoded.bytes)
                throw ScriptError("script line " + std::to_string(m_scriptLine) + ": " +
                                  decoded.error);
            return std::move(*decoded.bytes);
        }
        if (m_scriptEnded)
            return std::nullopt;
        if (waitUntil(m_end, true) != Wake::Input)
            return std::nullopt; // stopped, or out of time
        char buffer[4096];
        const ssize_t n = read(m_scriptFd, buffer, sizeof buffer);
        if (n > 0)
            m_script.append(std::string_view(buffer, static_cast<std::size_t>(n)));
        else if (n == 0)
            m_scriptEnded = true;
        else if (errno != EINTR && errno != EAGAIN)
            throwErrno("reading the script");
    }
}

std::string Simulator::generatedPayload(Clock::time_point scheduled) {
    switch (m_options.pattern) {
    case Pattern::Sweep:
        return formatReading(
            sweepReading(std::chrono::duration<double>(scheduled - m_start).count(),
                         m_options.degreesPerSecond));
    case Pattern::Fixed:
        return formatReading(m_options.fixedReading);
    case Pattern::Random:
        return formatReading(m_random.next());
    case Pattern::Steps:
        return formatReading(stepsReading(static_cast<int>(m_sent % kSectorCount) + 1));
    case Pattern::Script:
        break;
    }
    return {};
}

void Simulator::send(const std::string& payload) {
    const auto writes =
        readingWrites(payload, m_options.lineEnding, m_options.splitMilliseconds.has_value());
    std::string notes;
    for (std::size_t i = 0; i < writes.size(); ++i) {
        if (i > 0 && waitUntil(Clock::now() + seconds(*m_options.splitMilliseconds / 1000.0),
                               false) == Wake::Signal)
            return;
        // Before a reading, not inside one: a listener never gets half a reading.
        const auto discarded = i == 0 ? discardStaleInput() : 0;
        if (discarded > 0)
            notes += " (discarded " + std::to_string(discarded) + " unread bytes)";
        const std::size_t written = writePaced(writes[i]);
        m_written += written;
        m_lastWrite = Clock::now();
        if (m_stopped)
            return;
        if (written < writes[i].size()) {
            // The line is full: like a controller, drop the reading rather than wait.
            notes +=
                " (line full: " + std::to_string(writes[i].size() - written) + " bytes dropped)";
            break;
        }
    }
    m_readingEnds.push_back(m_written);
    if (m_options.verbose) {
        std::string whole;
        for (const auto& piece : writes)
            whole += piece;
        std::fprintf(stderr, "torven-sim: #%lld %s%s\n", static_cast<long long>(m_sent + 1),
                     escapeBytes(whole).c_str(), notes.c_str());
    }
}

std::size_t Simulator::discardStaleInput() {
    if (m_pty.UnreadBytes() <= kStaleInputLimit)
        return 0;
    // Bytes just written join the count a moment later: counted too soon, they would seem read.
    // On a busy machine that moment can be long, so the count must also hold still for a while.
    if (waitUntil(m_lastWrite + kWriteSettle, false) == Wake::Signal)
        return 0;
    const std::size_t unread = m_pty.UnreadBytes();
    if (waitUntil(Clock::now() + kWriteSettle, false) == Wake::Signal ||
        m_pty.UnreadBytes() != unread)
        return 0;
    const std::uint64_t read = m_written - std::min<std::uint64_t>(unread, m_written);
    while (!m_readingEnds.empty() && m_readingEnds.front() < read)
        m_readingEnds.pop_front();
    // A listener that has taken the start of a reading keeps its rest: thrown away, it would
    // leave the start to be joined to a later reading, which is a reading never sent.
    const bool betweenReadings =
        read == 0 || (!m_readingEnds.empty() && m_readingEnds.front() == read);
    if (unread <= kStaleInputLimit || !betweenReadings)
        return 0;
    const std::size_t discarded = m_pty.DiscardStaleInput(kStaleInputLimit);
    if (discarded > 0) {
        m_written = 0;
        m_readingEnds.clear();
    }
    return discarded;
}

std::size_t Simulator::writePaced(std::string_view bytes) {
    if (!m_options.baudRate)
        return m_pty.WriteSome(bytes);
    const auto character = seconds(kBitsPerCharacter / *m_options.baudRate);
    std::size_t written = 0;
    for (const char byte : bytes) {
        // A byte is there for the listener once its stop bit is through, one character's time
        // after the line was free to start it.
        m_lineFreeAt = std::max(m_lineFreeAt, Clock::now()) + character;
        if (waitUntil(m_lineFreeAt, false) == Wake::Signal)
            break;
        if (m_pty.WriteSome(std::string_view(&byte, 1)) == 0)
            break;
        ++written;
    }
    return written;
}

void Simulator::awaitListener() {
    // Closing the pseudo-terminal hangs the line up, which costs a listener the readings it has
    // not read yet; give it a moment to take them. The count of unread bytes lags a write
    // slightly (the kernel hands written bytes to the line a moment later), so the line only
    // counts as read once it has stayed empty for a while.
    const auto start = Clock::now();
    auto emptySince = start;
    for (;;) {
        const auto now = Clock::now();
        if (m_pty.UnreadBytes() > 0)
            emptySince = now;
        if (now - emptySince >= kFinalEmptyTime || now - start >= kFinalDrainTime)
            return;
        if (waitUntil(now + kFinalDrainCheck, false) == Wake::Signal)
            return;
    }
}

void Simulator::run() {
    m_start = m_anchor = Clock::now();
    if (m_options.durationSeconds)
        m_end = m_start + seconds(*m_options.durationSeconds);
    const bool script = m_options.pattern == Pattern::Script;
    const auto period =
        m_options.flood ? Clock::duration::zero() : seconds(1.0 / m_options.readingsPerSecond);

    while (!m_options.count || m_sent < *m_options.count) {
        std::string payload;
        if (script) {
            auto line = nextScriptPayload();
            if (!line)
                break;
            payload = std::move(*line);
        }
        // With --flood the deadline is now: the wait only looks for signals and incoming bytes.
        const auto due = m_options.flood ? Clock::now() : slotTime();
        if (waitUntil(m_end ? std::min(due, *m_end) : due, false) == Wake::Signal)
            break;
        if (m_end && Clock::now() >= *m_end)
            break;
        if (!script)
            payload = generatedPayload(due);
        send(payload);
        if (m_stopped)
            break;
        ++m_sent;
        if (!m_options.flood) {
            ++m_slot;
            // Far behind (a slow script source, a stopped process): start a fresh schedule
            // instead of sending a burst to catch up.
            const auto now = Clock::now();
            if (slotTime() + period < now) {
                m_anchor = now;
                m_slot = 0;
            }
        }
    }
    if (!m_stopped)
        awaitListener();
}

} // namespace torven::sim
