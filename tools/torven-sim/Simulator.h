#pragma once

#include "LineEnding.h"
#include "Readings.h"
#include "SimOptions.h"

#include <chrono>
#include <cstdint>
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

    void Run();

private:
    using Clock = std::chrono::steady_clock;
    enum class Wake { Deadline, Signal, Input };

    // Waits until `deadline` (forever when empty), meanwhile draining the line, until a stop
    // signal arrives or, with `wantInput`, the script has something to read.
    Wake WaitUntil(std::optional<Clock::time_point> deadline, bool wantInput);
    std::optional<std::string> NextScriptPayload();
    std::string GeneratedPayload(Clock::time_point scheduled);
    void Send(const std::string& payload);
    // Writes `bytes`, with --baud each once the line would have delivered it; returns how many
    // went out before the line was full or a stop signal came.
    std::size_t WritePaced(std::string_view bytes);
    void AwaitListener();
    Clock::time_point SlotTime() const;

    const Options& options_;
    PseudoTerminal& pty_;
    const int signalFd_;
    const int scriptFd_;
    RandomReadings random_;
    LineSplitter script_;
    bool scriptEnded_ = false;
    std::int64_t scriptLine_ = 0;
    bool stopped_ = false;
    std::int64_t sent_ = 0;
    Clock::time_point start_;
    std::optional<Clock::time_point> end_;
    // Readings are due at anchor_ + slot_/rate: absolute times, so pacing does not drift.
    Clock::time_point anchor_;
    std::int64_t slot_ = 0;
    // With --baud: when the line has delivered the last byte written.
    Clock::time_point lineFreeAt_{};
};

} // namespace torven::sim
