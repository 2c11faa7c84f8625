#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace torven::sim {

struct DecodedLine {
    std::optional<std::string> bytes; // empty when the line has a malformed escape
    std::string error;                // what is wrong with it, for the user
};

// Turns a script line into the bytes it stands for. Recognised escapes: \r, \n, \t, \0, \\ and
// \xNN (exactly two hex digits), so that a script can put any byte on the line, NUL included.
// \0 is a single NUL: digits after it are plain digits, not octal.
// Any other backslash sequence is an error rather than a guess, so a typo never goes out
// silently as something else.
DecodedLine decodeEscapes(std::string_view line);

// The bytes in the same escaped form, for showing what was sent: printable ASCII stays as it is
// (a backslash doubled), everything else becomes one of the escapes above.
std::string escapeBytes(std::string_view bytes);

} // namespace torven::sim
