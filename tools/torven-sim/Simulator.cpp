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
// How long to wait at the end for a listener to take the last readings.
constexpr auto kFinalDrainTime = std::chrono::seconds(1);
constexpr auto kFinalDrainCheck = std::chrono::milliseconds(10);
constexpr auto kFinalEmptyTime = std::chrono::milliseconds(50);
// A character on the line with --baud: a start bit, eight data bits and a stop bit.
constexpr double kBitsPerCharacter = 10;

[[noreturn]] void ThrowErrno(const std::string& what) {
    throw std::system_error(errno, std::generic_category(), what);
}

Clock::duration Seconds(double seconds) {
    // Tiny rates and huge durations are allowed; past this they all mean "never".
    constexpr double kNever = 1e9;
    return std::chrono::duration_cast<Clock::duration>(
        std::chrono::duration<double>(std::min(seconds, kNever)));
}

} // namespace

Simulator::Simulator(const Options& options, PseudoTerminal& pty, int signalFd, int scriptFd)
    : options_(options), pty_(pty), signalFd_(signalFd), scriptFd_(scriptFd),
      random_(options.seed                         ? *options.seed
              : options.pattern == Pattern::Random ? std::random_device{}()
                                                   : 0) {}

Simulator::Clock::time_point Simulator::SlotTime() const {
    return anchor_ + Seconds(static_cast<double>(slot_) / options_.readingsPerSecond);
}

Simulator::Wake Simulator::WaitUntil(std::optional<Clock::time_point> deadline, bool wantInput) {
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
        pollfd fds[3] = {{signalFd_, POLLIN, 0}, {pty_.MasterFd(), POLLIN, 0}, {-1, POLLIN, 0}};
        if (wantInput)
            fds[2].fd = scriptFd_;
        const int ready = ppoll(fds, 3, timeoutPtr, nullptr);
        if (ready < 0) {
            if (errno == EINTR)
                continue;
            ThrowErrno("ppoll");
        }
        if (fds[0].revents & POLLIN) {
            signalfd_siginfo info{};
            if (read(signalFd_, &info, sizeof info) > 0) {
                stopped_ = true;
                return Wake::Signal;
            }
        }
        if (fds[1].revents & POLLIN)
            pty_.DrainIncoming();
        if (fds[2].revents != 0)
            return Wake::Input; // readable, or at its end, or broken: read() tells which
        if (ready == 0 || (deadline && Clock::now() >= *deadline))
            return Wake::Deadline;
    }
}

std::optional<std::string> Simulator::NextScriptPayload() {
    for (;;) {
        auto line = script_.NextLine();
        if (!line && scriptEnded_)
            line = script_.Rest();
        if (line) {
            ++scriptLine_;
            auto decoded = DecodeEscapes(*line);
            if (!decoded.bytes)
                throw ScriptError("script line " + std::to_string(scriptLine_) + ": " +
                                  decoded.error);
            return std::move(*decoded.bytes);
        }
        if (scriptEnded_)
            return std::nullopt;
        if (WaitUntil(end_, true) != Wake::Input)
            return std::nullopt; // stopped, or out of time
        char buffer[4096];
        const ssize_t n = read(scriptFd_, buffer, sizeof buffer);
        if (n > 0)
            script_.Append(std::string_view(buffer, static_cast<std::size_t>(n)));
        else if (n == 0)
            scriptEnded_ = true;
        else if (errno != EINTR && errno != EAGAIN)
            ThrowErrno("reading the script");
    }
}

std::string Simulator::GeneratedPayload(Clock::time_point scheduled) {
    switch (options_.pattern) {
    case Pattern::Sweep:
        return FormatReading(SweepReading(std::chrono::duration<double>(scheduled - start_).count(),
                                          options_.degreesPerSecond));
    case Pattern::Fixed:
        return FormatReading(options_.fixedReading);
    case Pattern::Random:
        return FormatReading(random_.Next());
    case Pattern::Steps:
        return FormatReading(StepsReading(static_cast<int>(sent_ % kSectorCount) + 1));
    case Pattern::Script:
        break;
    }
    return {};
}

void Simulator::Send(const std::string& payload) {
    const auto writes =
        ReadingWrites(payload, options_.lineEnding, options_.splitMilliseconds.has_value());
    std::string notes;
    for (std::size_t i = 0; i < writes.size(); ++i) {
        if (i > 0 && WaitUntil(Clock::now() + Seconds(*options_.splitMilliseconds / 1000.0),
                               false) == Wake::Signal)
            return;
        // Before a reading, not inside one: a listener never gets half a reading.
        const auto discarded = i == 0 ? pty_.DiscardStaleInput(kStaleInputLimit) : 0;
        if (discarded > 0)
            notes += " (discarded " + std::to_string(discarded) + " unread bytes)";
        const std::size_t written = WritePaced(writes[i]);
        if (stopped_)
            return;
        if (written < writes[i].size()) {
            // The line is full: like a controller, drop the reading rather than wait.
            notes +=
                " (line full: " + std::to_string(writes[i].size() - written) + " bytes dropped)";
            break;
        }
    }
    if (options_.verbose) {
        std::string whole;
        for (const auto& piece : writes)
            whole += piece;
        std::fprintf(stderr, "torven-sim: #%lld %s%s\n", static_cast<long long>(sent_ + 1),
                     EscapeBytes(whole).c_str(), notes.c_str());
    }
}

std::size_t Simulator::WritePaced(std::string_view bytes) {
    if (!options_.baudRate)
        return pty_.WriteSome(bytes);
    const auto character = Seconds(kBitsPerCharacter / *options_.baudRate);
    std::size_t written = 0;
    for (const char byte : bytes) {
        // A byte is there for the listener once its stop bit is through, one character's time
        // after the line was free to start it.
        lineFreeAt_ = std::max(lineFreeAt_, Clock::now()) + character;
        if (WaitUntil(lineFreeAt_, false) == Wake::Signal)
            break;
        if (pty_.WriteSome(std::string_view(&byte, 1)) == 0)
            break;
        ++written;
    }
    return written;
}

void Simulator::AwaitListener() {
    // Closing the pseudo-terminal hangs the line up, which costs a listener the readings it has
    // not read yet; give it a moment to take them. The count of unread bytes lags a write
    // slightly (the kernel hands written bytes to the line a moment later), so the line only
    // counts as read once it has stayed empty for a while.
    const auto start = Clock::now();
    auto emptySince = start;
    for (;;) {
        const auto now = Clock::now();
        if (pty_.UnreadBytes() > 0)
            emptySince = now;
        if (now - emptySince >= kFinalEmptyTime || now - start >= kFinalDrainTime)
            return;
        if (WaitUntil(now + kFinalDrainCheck, false) == Wake::Signal)
            return;
    }
}

void Simulator::Run() {
    start_ = anchor_ = Clock::now();
    if (options_.durationSeconds)
        end_ = start_ + Seconds(*options_.durationSeconds);
    const bool script = options_.pattern == Pattern::Script;
    const auto period =
        options_.flood ? Clock::duration::zero() : Seconds(1.0 / options_.readingsPerSecond);

    while (!options_.count || sent_ < *options_.count) {
        std::string payload;
        if (script) {
            auto line = NextScriptPayload();
            if (!line)
                break;
            payload = std::move(*line);
        }
        // With --flood the deadline is now: the wait only looks for signals and incoming bytes.
        const auto due = options_.flood ? Clock::now() : SlotTime();
        if (WaitUntil(end_ ? std::min(due, *end_) : due, false) == Wake::Signal)
            break;
        if (end_ && Clock::now() >= *end_)
            break;
        if (!script)
            payload = GeneratedPayload(due);
        Send(payload);
        if (stopped_)
            break;
        ++sent_;
        if (!options_.flood) {
            ++slot_;
            // Far behind (a slow script source, a stopped process): start a fresh schedule
            // instead of sending a burst to catch up.
            const auto now = Clock::now();
            if (SlotTime() + period < now) {
                anchor_ = now;
                slot_ = 0;
            }
        }
    }
    if (!stopped_)
        AwaitListener();
}

} // namespace torven::sim
