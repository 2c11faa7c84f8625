#pragma once

#include <chrono>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace torven {

// How much of the log one subject may fill: a category its first lines of each second, a source
// (a client, by its address) its first lines of each minute. A controller's ten readings a second
// all pass; a flood of targets, commands or reconnections does not fill the disk.
inline constexpr int kLogLinesPerSecond = 20;
inline constexpr int kLogLinesPerSourcePerMinute = 10;
// The sources remembered at once. A new one while every place holds a source still within its
// minute is left out, so that a crowd of addresses cannot grow the memory without end.
inline constexpr std::size_t kLogSourcesKept = 256;

// The first `lines` lines of each window pass. A window starts with the first line after the
// previous window ended, so a quiet spell costs nothing and needs no clock of its own.
class LineAllowance {
public:
    using Clock = std::chrono::steady_clock;
    LineAllowance(int lines, Clock::duration window) : m_lines(lines), m_window(window) {}
    // Whether a line may pass at `now`; one that may is counted.
    bool take(Clock::time_point now);
    // Whether the window that `take` last counted in has ended by `now`.
    bool ended(Clock::time_point now) const { return m_used == 0 || now - m_start >= m_window; }

private:
    int m_lines;
    Clock::duration m_window;
    Clock::time_point m_start{};
    int m_used = 0;
};

// What the log may write, and what it left out: a category at most kLogLinesPerSecond lines a
// second, a source within a category at most kLogLinesPerSourcePerMinute a minute. Each line
// refused is counted as left out of its category, so that one line can later say how many.
// `level` is the caller's: the summary of a category is said at the level of its last line left
// out.
class LogBudget {
public:
    using Clock = LineAllowance::Clock;
    struct LeftOut {
        std::string category;
        std::uint64_t count = 0;
        int level = 0;
    };

    // Whether a line of `category` may be written at `now`.
    bool take(std::string_view category, int level, Clock::time_point now);
    // Whether a line of `category` about `source` may be written at `now` as far as the source's
    // own allowance goes (the category's is asked when the line is written).
    bool takeAbout(std::string_view category, std::string_view source, int level,
                   Clock::time_point now);
    // The lines left out of each category since the last call, which then starts again from none.
    std::vector<LeftOut> takeLeftOut();

private:
    struct Category {
        std::string name;
        LineAllowance allowance;
        std::uint64_t leftOut = 0;
        int level = 0;
    };
    bool leaveOut(std::string_view category, int level);
    Category& categoryNamed(std::string_view name);

    std::vector<Category> m_categories; // a handful: looked through in order
    std::map<std::string, LineAllowance, std::less<>> m_sources; // by category and source
};

} // namespace torven
