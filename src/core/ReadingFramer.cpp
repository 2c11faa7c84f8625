#include "ReadingFramer.h"

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

std::optional<ReadingFramer::Clock::time_point> ReadingFramer::dueAt() const {
    if (m_waiting.empty())
        return std::nullopt;
    return m_waitingSince + kPause;
}

void ReadingFramer::clear() {
    m_waiting.clear();
    ++m_clears;
}

} // namespace torven
