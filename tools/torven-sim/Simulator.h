#pragma once

#include "LineEnding.h"
#include "Readings.h"
#include "SimOptions.h"

#include <chrono>
#include <cstdint>
#include <deque>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

namespace torven {
class PseudoTerminal;
}

namespace torven::sim {

// A script line that cannot be decoded: a usage error, reported with its line number.
struct ScriptError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// The controller: sends readings on `pty` as `options` say (paced, flooding, or from a script
// read from `scriptFd`) until their count or time is up or a stop signal can be read from
// `signalFd`, meanwhile reading and dropping whatever the listener sends back. System failures
// throw std::system_error, a bad script line ScriptError.
class Simulator {
public:
    Simulator(const Options& options, PseudoTerminal& pty, int signalFd, int scriptFd);

    void run();

private:
    using Clock = std::chrono::steady_clock;
    enum class Wake { Deadline, Signal, Input };

    // Waits until `deadline` (forever when empty), meanwhile draining the line, until a stop
    // signal arrives or, with `wantInput`, the script has something to read.
    Wake waitUntil(std::optional<Clock::time_point> deadline, bool wantInput);
    std::optional<std::string> nextScriptPayload();
    std::string generatedPayload(Clock::time_point scheduled);
    void send(const std::string& payload);
    // Throws away what the listener has not read when that is more than a listener leaves (no
    // one listens), as long as the listener stands between two readings; returns how much.
    std::size_t discardStaleInput();
    // Writes `bytes`, with --baud each once the line would have delivered it; returns how many
    // went out before the line was full or a stop signal came.
    std::size_t writePaced(std::string_view bytes);
    void awaitListener();
    Clock::time_point slotTime() const;

    const Options& m_options;
    PseudoTerminal& m_pty;
    const int m_signalFd;
    const int m_scriptFd;
    RandomReadings m_random;
    LineSplitter m_script;
    bool m_scriptEnded = false;
    std::int64_t m_scriptLine = 0;
    bool m_stopped = false;
    std::int64_t m_sent = 0;
    Clock::time_point m_start;
    std::optional<Clock::time_point> m_end;
    // Readings are due at m_anchor + m_slot/rate: absolute times, so pacing does not drift.
    Clock::time_point m_anchor;
    std::int64_t m_slot = 0;
    // Bytes written since the line was last emptied, and where each reading still unread ends.
    std::uint64_t m_written = 0;
    std::deque<std::uint64_t> m_readingEnds;
    Clock::time_point m_lastWrite{};
    // With --baud: when the line has delivered the last byte written.
    Clock::time_point m_lineFreeAt{};
};

} // namespace torven::sim
