#include "Console.h"

namespace torven {

ConsoleEdit consoleEditFor(std::string_view reading) {
    if (reading.empty())
        return ConsoleEdit::None;
    switch (static_cast<unsigned char>(reading.front())) {
    case 8:
        return ConsoleEdit::RemoveLast;
    case 13:
    case 10:
        return ConsoleEdit::AppendLineBreak;
    default:
        return ConsoleEdit::None;
    }
}

bool applyConsoleEdit(std::string& text, ConsoleEdit edit, std::size_t capacity) {
    switch (edit) {
    case ConsoleEdit::RemoveLast:
        if (text.empty())
            return false;
        text.pop_back();
        return true;
    case ConsoleEdit::AppendLineBreak:
        if (text.size() > capacity || capacity - text.size() < 2)
            return false;
        text += "\r\n";
        return true;
    case ConsoleEdit::None:
        break;
    }
    return false;
}

} // namespace torven
