#include "PortNumber.h"

#include "NumberReading.h"

#include <cmath>
#include <limits>

namespace torven {

double roundHalfEven(double value) {
    const double floor = std::floor(value);
    const double fraction = value - floor;
    if (fraction < 0.5)
        return floor;
    if (fraction > 0.5)
        return floor + 1;
    return std::fmod(floor, 2.0) == 0 ? floor : floor + 1;
}

std::optional<std::int16_t> toPortNumber(std::string_view text) {
    // One number and nothing else: blanks may stand around it, not inside.
    const NumberScan number = scanNumber(text, NumberBlanks::OnlyAround);
    if (!number.found || number.end != text.size())
        return std::nullopt;
    const double rounded = roundHalfEven(number.value);
    if (!std::isfinite(rounded) || rounded < std::numeric_limits<std::int16_t>::min() ||
        rounded > std::numeric_limits<std::int16_t>::max())
        return std::nullopt;
    return static_cast<std::int16_t>(rounded);
}

std::string notAPortNumberText(std::string_view shown) {
    return "«" + std::string(shown) + "» — не номер порта. Введите целое число от -32768 до 32767.";
}

} // namespace torven
