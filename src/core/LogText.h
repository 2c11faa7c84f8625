#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace torven {

// Whether `c` is a control character: C0 (U+0000 to U+001F), DEL (U+007F) or C1 (U+0080 to
// U+009F). None belongs in a name that is shown or served, nor raw in a line of the log.
bool isControlCharacter(char32_t c);

// `utf8` fit for one line of the log: each control character and each of Unicode's line and
// paragraph separators (U+2028, U+2029) written out as a quoted string in Qt's debug output writes
// them ("\n", "\r", "\t", else "\u001B"), and each byte that is no part of UTF-8 as "\xFF". A
// terminal showing the line then neither ends it early, moves its cursor, colours it nor retitles
// itself on a stranger's behalf. The rest, backslashes included, stays as it is.
std::string escapedForLog(std::string_view utf8);

// Whether escapedForLog would change `utf8`: the usual line is passed on without a copy.
bool needsEscapeForLog(std::string_view utf8);

// The line that says how many lines of a category were left out since it last spoke:
// "… 1,234 lines like these left out".
std::string leftOutText(std::uint64_t count);

} // namespace torven
