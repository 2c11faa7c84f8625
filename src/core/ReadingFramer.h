#pragma once

#include "LineSettings.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace torven {

// Cuts the text a serial line delivers into readings, whatever pieces the transport hands over.
//
// A reading ends with LF, or with a CR followed by anything but LF. A CR that ends what has
// arrived so far waits for the next character, which may be the LF of a CR LF. Text after the
// last line end waits for the rest of its reading for one pause, counted from its first
// character; then it is a reading as it stands. So a controller that sends no line end at all
// is still shown, one pause late, and pieces further apart than the pause (a controller that
// really stopped mid-reading) each count as a reading of their own.
//
// The pause follows the speed of the line: on a slow line a whole reading takes longer to arrive
// than a fast line's allowance, and cutting it there would show a wrong bearing.
//
// A reading ended by the pause may still get its line end late: the first CR, LF or CR LF that
// starts the next text received within the late line end's window belongs to it and is dropped,
// not taken as a blank line of its own (which would show no bearing at all). A blank line after
// a reading that ended with its own line end is a reading as ever.
class ReadingFramer {
public:
    using Clock = std::chrono::steady_clock;

    // USB serial adapters hand received bytes over when their latency timer runs out, 16 ms by
    // default on the common chips, so a reading of a few characters can be cut in two that far
    // apart, and the event loop adds its own few milliseconds. 40 ms covers such a cut twice
    // over, yet is well below what an eye notices on a readout.
    static constexpr std::chrono::milliseconds kLatencyAllowance{40};
    // A reading of four characters and its line end, with room to spare: the characters the
    // pause waits for beyond the allowance.
    static constexpr int kPauseCharacters = 8;
    // However slow the line, a reading is shown within a second of its first character.
    static constexpr std::chrono::milliseconds kLongestPause{1000};
    // How long after the pause has ended a reading its line end may still come. A controller
    // whose line end trails its digits by a tenth of a second is not rare, and one more pause
    // (some 44 ms on a fast line) would turn that line end into a blank line, blanking the
    // bearing after every reading; a controller that sends unended readings and blank lines of
    // their own so close together is not known.
    static constexpr std::chrono::milliseconds kLateLineEndWindow{1000};

    // The pause on a line of `settings`: the time kPauseCharacters characters take on it (a
    // character being a start bit, the data bits, the parity bit if any and the stop bits), plus
    // the allowance, at most the longest pause; rounded up to whole microseconds.
    static std::chrono::microseconds pauseFor(const LineSettings& settings);

    // The line now runs at `settings` (until then, the default 19200,n,8,1): the pause follows
    // from here on.
    void setLineSettings(const LineSettings& settings) { m_pause = pauseFor(settings); }
    Clock::duration pause() const { return m_pause; }

    // Waiting text never grows past the serial line's receive buffer: at that size it is a
    // reading as it stands.
    static constexpr std::size_t kCapacity = 1024;

    // Takes `text`, received at `now`, and calls `onReading(std::string_view)` for every reading
    // it completes, oldest first. A reading is only valid during its call. A call of clear()
    // from within `onReading` drops the rest.
    template <typename OnReading>
    void take(std::string_view text, Clock::time_point now, OnReading&& onReading);

    // When the waiting text is due to be taken as it stands; nothing while no text waits.
    std::optional<Clock::time_point> dueAt() const;

    // Calls `onReading` with the waiting text when it is due at `now`.
    template <typename OnReading> void takeDue(Clock::time_point now, OnReading&& onReading);

    // Forgets the waiting text and any line end still owed (the line closed or its device went
    // away).
    void clear();

    std::string_view waiting() const { return m_waiting; }

private:
    // The length of the first complete reading at the start of `text`, line end included; 0 when
    // `text` holds none yet.
    static std::size_t completeLength(std::string_view text);

    // `text` (not empty) without the late line end it starts with, when one is owed at `now`. A
    // CR at its very end leaves the LF of a CR LF owed for one more pause.
    std::string_view withoutLateLineEnd(std::string_view text, Clock::time_point now);

    // Calls `onReading` with each complete reading at the start of `text` and with every
    // capacity's worth of text that holds no line end. Returns how much of `text` it took, or
    // nothing when clear() was called meanwhile.
    template <typename OnReading>
    std::optional<std::size_t> handOn(std::string_view text, OnReading& onReading);

    // `when` + `by`, or the clock's end when that lies beyond it (a caller may take what is due
    // "at the end of time").
    static Clock::time_point later(Clock::time_point when, Clock::duration by) {
        return when > Clock::time_point::max() - by ? Clock::time_point::max() : when + by;
    }

    // What a reading ended by the pause may still get as its line end.
    enum class LateLineEnd { None, Any, LineFeed };

    std::string m_waiting;
    Clock::time_point m_waitingSince{};
    Clock::duration m_pause = pauseFor(LineSettings{});
    LateLineEnd m_lateLineEnd = LateLineEnd::None;
    Clock::time_point m_lateLineEndUntil{};
    std::uint64_t m_clears = 0; // counts clear() calls, so that a reading's handler can stop us
};

template <typename OnReading>
std::optional<std::size_t> ReadingFramer::handOn(std::string_view text, OnReading& onReading) {
    const std::uint64_t clears = m_clears;
    std::size_t taken = 0;
    for (;;) {
        std::string_view rest = text.substr(taken);
        std::size_t length = completeLength(rest);
        if (length == 0 && rest.size() >= kCapacity)
            length = kCapacity;
        if (length == 0)
            return taken;
        onReading(rest.substr(0, length));
        if (m_clears != clears)
            return std::nullopt;
        taken += length;
    }
}

template <typename OnReading>
void ReadingFramer::take(std::string_view text, Clock::time_point now, OnReading&& onReading) {
    if (text.empty())
        return;
    text = withoutLateLineEnd(text, now);
    if (text.empty())
        return;
    if (m_waiting.empty()) {
        // The common case, whole readings: they are handed on straight from `text`.
        const auto taken = handOn(text, onReading);
        if (!taken)
            return;
        m_waiting.assign(text.substr(*taken));
        m_waitingSince = now;
        return;
    }
    const std::size_t before = m_waiting.size();
    m_waiting.append(text);
    const auto taken = handOn(std::string_view(m_waiting), onReading);
    if (!taken)
        return;
    m_waiting.erase(0, *taken);
    // Text whose start arrived just now waits a whole pause of its own.
    if (*taken >= before)
        m_waitingSince = now;
}

template <typename OnReading>
void ReadingFramer::takeDue(Clock::time_point now, OnReading&& onReading) {
    const auto due = dueAt();
    if (!due || now < *due)
        return;
    const std::string reading = std::move(m_waiting);
    m_waiting.clear();
    // Owed before the call: the reading's handler may clear() it away. A reading that ends with a
    // CR still lacks the LF of a CR LF, nothing more.
    m_lateLineEnd = reading.ends_with('\r') ? LateLineEnd::LineFeed : LateLineEnd::Any;
    m_lateLineEndUntil = later(now, kLateLineEndWindow);
    onReading(std::string_view(reading));
}

} // namespace torven
