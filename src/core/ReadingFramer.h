#pragma once

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
class ReadingFramer {
public:
    using Clock = std::chrono::steady_clock;

    // USB serial adapters hand received bytes over when their latency timer runs out, 16 ms by
    // default on the common chips, so a reading of a few characters can be cut in two that far
    // apart, and the event loop adds its own few milliseconds. 40 ms covers such a cut twice
    // over, yet is well below what an eye notices on a readout.
    static constexpr std::chrono::milliseconds kPause{40};

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

    // Forgets the waiting text (the line closed or its device went away).
    void clear();

    std::string_view waiting() const { return m_waiting; }

private:
    // The length of the first complete reading at the start of `text`, line end included; 0 when
    // `text` holds none yet.
    static std::size_t completeLength(std::string_view text);

    // Calls `onReading` with each complete reading at the start of `text` and with every
    // capacity's worth of text that holds no line end. Returns how much of `text` it took, or
    // nothing when clear() was called meanwhile.
    template <typename OnReading>
    std::optional<std::size_t> handOn(std::string_view text, OnReading& onReading);

    std::string m_waiting;
    Clock::time_point m_waitingSince{};
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
    onReading(std::string_view(reading));
}

} // namespace torven
