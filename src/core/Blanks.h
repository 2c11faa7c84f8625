#pragma once

#include <string_view>

namespace torven {

// A blank: a space or a tab, which the text fields allow around what they hold.
constexpr bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

// `text` without the blanks at its start and end.
constexpr std::string_view trimmedBlanks(std::string_view text) {
    while (!text.empty() && isBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

} // namespace torven
