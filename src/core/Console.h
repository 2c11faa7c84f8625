#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace torven {

// What a received reading does to the hidden received-text console, decided by its first
// character alone.
enum class ConsoleEdit {
    None,            // any other first character, or an empty reading
    RemoveLast,      // backspace (8): the console loses its last character
    AppendLineBreak, // carriage return (13) or line feed (10): the console gains CR LF
};

ConsoleEdit consoleEditFor(std::string_view reading);

// Applies `edit` to the console's text. The console holds at most `capacity` characters, like the
// text box that shows it: a line break that would not fit is refused. Returns whether the text
// changed.
bool applyConsoleEdit(std::string& text, ConsoleEdit edit, std::size_t capacity);

// The hidden received-text console: its text, which the program keeps and reads, and the edits
// received readings make to it. The text box Text2 only shows it. Each edit costs the same
// whatever the length of the text, so a flood of line ends is taken at the line's speed.
class Console {
public:
    // What the console holds before the first edit: the text box's laid-out text.
    static constexpr std::string_view kInitialText = "Text2";
    // As much as the platform's single-line text box holds.
    static constexpr std::size_t kCapacity = 32767;

    // Applies what `reading` does to the console; returns whether the text changed.
    bool take(std::string_view reading) {
        return applyConsoleEdit(m_text, consoleEditFor(reading), kCapacity);
    }

    const std::string& text() const { return m_text; }

private:
    std::string m_text{kInitialText};
};

} // namespace torven
