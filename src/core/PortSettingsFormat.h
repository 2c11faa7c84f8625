#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace torven {

// The port settings file holds one line: the port box text as typed, then CR LF.
std::string portSettingsContent(std::string_view portText);

// How much of the file is ever read: a port number never needs more, and a huge file must not be
// read whole.
inline constexpr std::size_t kPortSettingsReadLimit = 4096;

// The longest port text a start reads back whole: its line end must come within the bytes read.
inline constexpr std::size_t kLongestPortText = kPortSettingsReadLimit - 1;

// Whether a port text of `length` characters is too long to store: a start would not read it
// back whole.
constexpr bool portTextTooLong(std::size_t length) {
    return length > kLongestPortText;
}

// The stored port number from the start of the file: its first line (up to the first CR, LF or
// the end of the file) converted by the port-number rule. `head` is the first bytes of the file;
// `complete` says whether it is the whole file. A first line that does not end within `head` of an
// incomplete file is too long to be a port number. Empty when the line does not convert.
std::optional<std::int16_t> storedPortNumber(std::string_view head, bool complete);

} // namespace torven
