#include "PortNumber.h"

#include "NumberReading.h"

#include <cctype>
#include <cmath>
#include <limits>

namespace torven {

namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}
bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// Whether `text` is one number and nothing else: a decimal with an optional sign, point and
// exponent (E or D), or &H / &O followed by digits of that base.
bool isWholeNumber(std::string_view text) {
    std::size_t i = 0;
    const auto at = [&](std::size_t k) {
        return k < text.size() ? text[k] : '\0';
    };
    if (at(0) == '&') {
        const char kind = at(1);
        const bool hex = kind == 'h' || kind == 'H';
        if (!hex && kind != 'o' && kind != 'O')
            return false;
        i = 2;
        const std::size_t first = i;
        while (i < text.size() && (hex ? std::isxdigit(static_cast<unsigned char>(text[i])) != 0
                                       : (text[i] >= '0' && text[i] <= '7')))
            ++i;
        return i > first && i == text.size();
    }
    if (at(i) == '+' || at(i) == '-')
        ++i;
    std::size_t digits = 0;
    while (isDigit(at(i))) {
        ++i;
        ++digits;
    }
    if (at(i) == '.') {
        ++i;
        while (isDigit(at(i))) {
            ++i;
            ++digits;
        }
    }
    if (digits == 0)
        return false;
    if (const char e = at(i); e == 'e' || e == 'E' || e == 'd' || e == 'D') {
        ++i;
        if (at(i) == '+' || at(i) == '-')
            ++i;
        const std::size_t first = i;
        while (isDigit(at(i)))
            ++i;
        if (i == first)
            return false;
    }
    return i == text.size();
}

} // namespace

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
    while (!text.empty() && isBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back()))
        text.remove_suffix(1);
    if (text.empty() || !isWholeNumber(text))
        return std::nullopt;

    // The text is now known to be exactly one number, which the number-reading rule reads whole.
    const double rounded = roundHalfEven(readNumber(text));
    if (!std::isfinite(rounded) || rounded < std::numeric_limits<std::int16_t>::min() ||
        rounded > std::numeric_limits<std::int16_t>::max())
        return std::nullopt;
    return static_cast<std::int16_t>(rounded);
}

} // namespace torven
