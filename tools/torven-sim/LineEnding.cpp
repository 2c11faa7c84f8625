#include "LineEnding.h"

namespace torven::sim {

std::optional<LineEnding> parseLineEnding(std::string_view word) {
    if (word == "crlf")
        return LineEnding::CrLf;
    if (word == "cr")
        return LineEnding::Cr;
    if (word == "lf")
        return LineEnding::Lf;
    if (word == "none")
        return LineEnding::None;
    return std::nullopt;
}

std::string_view lineEndingBytes(LineEnding ending) {
    switch (ending) {
    case LineEnding::CrLf:
        return "\r\n";
    case LineEnding::Cr:
        return "\r";
    case LineEnding::Lf:
        return "\n";
    case LineEnding::None:
        break;
    }
    return "";
}

std::vector<std::string> readingWrites(std::string_view payload, LineEnding ending, bool split) {
    std::string whole(payload);
    whole.append(lineEndingBytes(ending));
    std::vector<std::string> writes;
    if (split && whole.size() > 2) {
        writes.push_back(whole.substr(0, 2));
        writes.push_back(whole.substr(2));
    } else if (!whole.empty()) {
        writes.push_back(std::move(whole));
    }
    return writes;
}

std::optional<std::string> LineSplitter::nextLine() {
    const auto end = m_pending.find('\n');
    if (end == std::string::npos)
        return std::nullopt;
    std::string line = m_pending.substr(0, end);
    m_pending.erase(0, end + 1);
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    return line;
}

std::optional<std::string> LineSplitter::rest() {
    if (m_pending.empty())
        return std::nullopt;
    std::string line = std::move(m_pending);
    m_pending.clear();
    if (line.back() == '\r')
        line.pop_back();
    return line;
}

} // namespace torven::sim
