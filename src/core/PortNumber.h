#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace torven {

// Converts the text of the port box or of the stored port line to a port number: leading and
// trailing blanks are ignored, the rest must be a number (as the number-reading rule forms it,
// with nothing after it), a fraction is rounded to the nearest whole number with halves going to
// the even neighbour, and the result must fit a signed 16-bit integer. Empty when it does not.
std::optional<std::int16_t> toPortNumber(std::string_view text);

// "«TEXT» — не номер порта. …": the port box's text refused, with what a port number is.
std::string notAPortNumberText(std::string_view shown);

// The port dialog's note when the command line chose the port for this run only.
inline constexpr std::string_view kPortForThisRunNote =
    "Порт задан в командной строке (--port): выбор действует до выхода, comm.set не меняется.";

// Rounds to the nearest whole number, an exact half to the even neighbour (2.5 -> 2, 3.5 -> 4).
double roundHalfEven(double value);

} // namespace torven
