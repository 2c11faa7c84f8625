#pragma once

#include <cstddef>
#include <string_view>

namespace torven {

// Where blanks may stand in a number: anywhere (blanks, tabs and line feeds skipped wherever they
// stand, as the controller's readings and the readout are read), or only around it (blanks and
// tabs before and after, none inside, as a port number is read: "1 2" is not 12).
enum class NumberBlanks { Anywhere, OnlyAround };

// What scanning a text for the number at its start found.
struct NumberScan {
    double value = 0;    // 0 when no number was found
    bool found = false;  // whether any number was there, as opposed to 0 from text without one
    std::size_t end = 0; // how far the scan read: past the number and the blanks after it
};

// Scans the number at the start of `text`: after blanks, the longest leading part that forms a
// number (sign, digits with one decimal point, exponent with E or D), or a whole number after &H
// (hexadecimal) or &O (octal). Never fails: text without a number gives 0, not found. A value too
// large for a double gives plus or minus infinity.
NumberScan scanNumber(std::string_view text, NumberBlanks blanks = NumberBlanks::Anywhere);

// The number-reading rule: the value of the number at the start of `text`, blanks anywhere.
inline double readNumber(std::string_view text) {
    return scanNumber(text).value;
}

} // namespace torven
