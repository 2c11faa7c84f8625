#include "ReadingFramer.h"

#include <algorithm>

namespace torven {

std::size_t ReadingFramer::completeLength(std::string_view text) {
    const std::size_t end = text.find_first_of("\r\n");
    if (end == std::string_view::npos)
        return 0;
    if (text[end] == '\n')
        return end + 1;
    // A CR: the reading ends with it unless an LF follows, which then belongs to it. Until the
    // next character arrives, nobody can tell.
    if (end + 1 == text.size())
        return 0;
    return text[end + 1] == '\n' ? end + 2 : end + 1;
}

std::chrono::microseconds ReadingFramer::pauseFor(const LineSettings& settings) {
    using std::chrono::microseconds;
    // Counted in half bits, for one and a half stop bits.
    int halfBits = 2 * (1 + settings.dataBits + (settings.parity == Parity::None ? 0 : 1));
    switch (settings.stopBits) {
    case StopBits::One:
        halfBits += 2;
        break;
    case StopBits::OneAndHalf:
        halfBits += 3;
        break;
    case StopBits::Two:
        halfBits += 4;
        break;
    }
    const std::int64_t baud = std::max<std::int64_t>(1, settings.baudRate);
    constexpr std::int64_t kHalfMicros = microseconds(std::chrono::seconds(1)).count() / 2;
    const std::int64_t halves = std::int64_t{kPauseCharacters} * halfBits * kHalfMicros;
    const microseconds characters((halves + baud - 1) / baud);
    return std::min<microseconds>(characters + kLatencyAllowance, kLongestPause);
}

std::optional<ReadingFramer::Clock::time_point> ReadingFramer::dueAt() const {
    if (m_waiting.empty())
        return std::nullopt;
    return m_waitingSince + m_pause;
}

std::string_view ReadingFramer::withoutLateLineEnd(std::string_view text, Clock::time_point now) {
    // Only the text that comes next can start with the line end owed, and only within its window.
    const LateLineEnd owed = m_lateLineEnd;
    m_lateLineEnd = LateLineEnd::None;
    if (owed == LateLineEnd::None || now >= m_lateLineEndUntil)
        return text;
    if (text.front() == '\n')
        return text.substr(1);
    if (owed == LateLineEnd::LineFeed || text.front() != '\r')
        return text;
    if (text.size() == 1) {
        m_lateLineEnd = LateLineEnd::LineFeed;
        m_lateLineEndUntil = later(now, m_pause);
        return {};
    }
    return text.substr(text[1] == '\n' ? 2 : 1);
}

void ReadingFramer::clear() {
    m_waiting.clear();
    m_lateLineEnd = LateLineEnd::None;
    ++m_clears;
}

} // namespace torven
