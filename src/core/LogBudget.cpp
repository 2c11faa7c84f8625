#include "LogBudget.h"

#include <algorithm>

namespace torven {

bool LineAllowance::take(Clock::time_point now) {
    if (ended(now)) {
        m_start = now;
        m_used = 0;
    }
    if (m_used >= m_lines)
        return false;
    ++m_used;
    return true;
}

LogBudget::Category& LogBudget::categoryNamed(std::string_view name) {
    const auto found = std::find_if(m_categories.begin(), m_categories.end(),
                                    [&](const Category& c) { return c.name == name; });
    if (found != m_categories.end())
        return *found;
    return m_categories.emplace_back(
        Category{std::string(name), LineAllowance(kLogLinesPerSecond, std::chrono::seconds(1))});
}

bool LogBudget::leaveOut(std::string_view category, int level) {
    Category& c = categoryNamed(category);
    ++c.leftOut;
    c.level = level;
    return false;
}

bool LogBudget::take(std::string_view category, int level, Clock::time_point now) {
    return categoryNamed(category).allowance.take(now) || leaveOut(category, level);
}

bool LogBudget::takeAbout(std::string_view category, std::string_view source, int level,
                          Clock::time_point now) {
    std::string key(category);
    key.append(1, '\n').append(source);
    auto found = m_sources.find(key);
    if (found == m_sources.end()) {
        if (m_sources.size() >= kLogSourcesKept)
            std::erase_if(m_sources, [&](const auto& entry) { return entry.second.ended(now); });
        if (m_sources.size() >= kLogSourcesKept)
            return leaveOut(category, level);
        found = m_sources
                    .emplace(std::move(key),
                             LineAllowance(kLogLinesPerSourcePerMinute, std::chrono::minutes(1)))
                    .first;
    }
    return found->second.take(now) || leaveOut(category, level);
}

std::vector<LogBudget::LeftOut> LogBudget::takeLeftOut() {
    std::vector<LeftOut> leftOut;
    for (Category& c : m_categories) {
        if (c.leftOut > 0)
            leftOut.push_back({c.name, c.leftOut, c.level});
        c.leftOut = 0;
    }
    return leftOut;
}

} // namespace torven
