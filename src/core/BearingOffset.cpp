#include "BearingOffset.h"

namespace torven {

namespace {

// The characters the number-reading rule skips wherever they stand.
bool isIgnored(char c) {
    return c == ' ' || c == '\t' || c == '\n';
}

bool isDigitIn(char c, int base) {
    if (c >= '0' && c <= '9')
        return c - '0' < base;
    const char lower = static_cast<char>(c | 0x20);
    return base == 16 && lower >= 'a' && lower <= 'f';
}

} // namespace

bool readsNumber(std::string_view text) {
    std::size_t i = 0;
    const auto next = [&]() -> char {
        while (i < text.size() && isIgnored(text[i]))
            ++i;
        return i < text.size() ? text[i] : '\0';
    };

    char c = next();
    if (c == '&') {
        ++i;
        const char kind = static_cast<char>(next() | 0x20);
        if (kind != 'h' && kind != 'o')
            return false;
        ++i;
        return isDigitIn(next(), kind == 'h' ? 16 : 8);
    }
    if (c == '+' || c == '-') {
        ++i;
        c = next();
    }
    // Digits with at most one decimal point: a number as soon as one digit appears.
    if (c == '.') {
        ++i;
        c = next();
    }
    return isDigitIn(c, 10);
}

std::optional<std::int16_t> offsetBearing(std::string_view rawReading,
                                          std::optional<std::int16_t> bearing, int offset) {
    if (offset == 0 || !bearing || *bearing < 0 || *bearing > 360 || !readsNumber(rawReading))
        return std::nullopt;
    const long long sum = static_cast<long long>(*bearing) + offset;
    return static_cast<std::int16_t>(((sum - 1) % 360 + 360) % 360 + 1);
}

} // namespace torven
