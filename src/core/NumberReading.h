#pragma once

#include <string_view>

namespace torven {

// Reads the number at the start of `text` the way the controller's readings and the readout are
// read: blanks, tabs and line feeds are skipped wherever they stand, then the longest leading part
// that forms a number is taken (sign, digits with one decimal point, exponent with E or D), or a
// whole number after &H (hexadecimal) or &O (octal). Never fails: text without a number gives 0.
// A value too large for a double gives plus or minus infinity.
double readNumber(std::string_view text);

} // namespace torven
