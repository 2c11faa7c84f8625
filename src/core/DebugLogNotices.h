#pragma once

#include <string>
#include <string_view>

namespace torven {

// The message shown once when --debug starts on a system whose windowed programs have no
// terminal: where the log is written, so that it can be found and sent on.
std::string debugLogNotice(std::string_view path);

// The same message when the log file could not be opened: which file, the system's own words in
// brackets, and that torven goes on without the log.
std::string debugLogFailedNotice(std::string_view path, std::string_view systemWords);

} // namespace torven
