#pragma once

#include <string>
#include <vector>

namespace torven {

// A settings file or port link that belongs to another user, and so is not used.
struct ForeignEntry {
    std::string shown; // the entry as the system names it (with what a link points at)
    std::string owner; // the user it belongs to
};

// Why those entries are not used and what to do, in Russian. Empty when there are none.
std::string distrustNoticeText(const std::vector<ForeignEntry>& entries);

} // namespace torven
