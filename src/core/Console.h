#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace torven {

// What a received block does to the hidden received-text console, decided by its first
// character alone.
enum class ConsoleEdit {
    None,            // any other first character, or an empty block
    RemoveLast,      // backspace (8): the console loses its last character
    AppendLineBreak, // carriage return (13) or line feed (10): the console gains CR LF
};

ConsoleEdit consoleEditFor(std::string_view block);

// Applies `edit` to the console's text. The console holds at most `capacity` characters, like the
// text box that shows it: a line break that would not fit is refused. Returns whether the text
// changed.
bool applyConsoleEdit(std::string& text, ConsoleEdit edit, std::size_t capacity);

} // namespace torven
