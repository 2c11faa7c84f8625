#include "NumberReading.h"

#include "Blanks.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>

namespace torven {
namespace {

// A view over the text that steps over the blanks the scan allows where it stands.
class Cursor {
public:
    Cursor(std::string_view text, NumberBlanks blanks)
        : m_text(text), m_blanksInside(blanks == NumberBlanks::Anywhere) {
        skipBlanks();
    }

    // The next significant character, or -1 at the end of the text.
    int peek() {
        if (m_blanksInside)
            skipBlanks();
        return m_pos < m_text.size() ? static_cast<unsigned char>(m_text[m_pos]) : -1;
    }
    void advance() { ++m_pos; }
    std::size_t position() const { return m_pos; }
    void rewind(std::size_t pos) { m_pos = pos; }
    // Past the blanks after what was read: the end of a scan that found a number.
    std::size_t end() {
        skipBlanks();
        return m_pos;
    }

private:
    bool isSkipped(char c) const { return isBlank(c) || (m_blanksInside && c == '\n'); }
    void skipBlanks() {
        while (m_pos < m_text.size() && isSkipped(m_text[m_pos]))
            ++m_pos;
    }

    std::string_view m_text;
    bool m_blanksInside;
    std::size_t m_pos = 0;
};

bool isDigit(int c) {
    return c >= '0' && c <= '9';
}

int lower(int c) {
    return (c >= 'A' && c <= 'Z') ? c - 'A' + 'a' : c;
}

int digitValue(int c, int base) {
    int v = -1;
    if (isDigit(c))
        v = c - '0';
    else if (c >= 'a' && c <= 'f')
        v = c - 'a' + 10;
    else if (c >= 'A' && c <= 'F')
        v = c - 'A' + 10;
    return v < base ? v : -1;
}

NumberScan readRadix(Cursor& in, int base) {
    NumberScan scan;
    for (int d; (d = digitValue(in.peek(), base)) >= 0; in.advance()) {
        scan.value = scan.value * base + d;
        scan.found = true;
    }
    if (scan.found)
        scan.end = in.end();
    return scan;
}

// The common case read straight off the text: blanks, an optional sign, then at most 19 digits
// (a whole number that fits 64 bits) followed by nothing that could continue the number or be
// skipped after it. Empty for anything else, which the general reading handles.
std::optional<NumberScan> readPlainWholeNumber(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && text[i] == ' ')
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        negative = text[i++] == '-';
    const std::size_t first = i;
    std::uint64_t value = 0;
    constexpr std::size_t kMaxDigits = 19;
    for (; i < text.size() && isDigit(text[i]) && i - first < kMaxDigits; ++i)
        value = value * 10 + static_cast<std::uint64_t>(text[i] - '0');
    if (i == first)
        return std::nullopt;
    if (i < text.size()) {
        const int next = lower(static_cast<unsigned char>(text[i]));
        if (isDigit(next) || next == '.' || next == 'e' || next == 'd' || next == ' ' ||
            next == '\t' || next == '\n')
            return std::nullopt;
    }
    // One rounding of the exact integer, as reading its digits gives.
    return NumberScan{negative ? -static_cast<double>(value) : static_cast<double>(value), true, i};
}

} // namespace

NumberScan scanNumber(std::string_view text, NumberBlanks blanks) {
    if (const auto plain = readPlainWholeNumber(text))
        return *plain;

    Cursor in(text, blanks);

    if (in.peek() == '&') {
        in.advance();
        const int kind = lower(in.peek());
        if (kind != 'h' && kind != 'o')
            return {};
        in.advance();
        return readRadix(in, kind == 'h' ? 16 : 8);
    }

    bool negative = false;
    if (in.peek() == '+' || in.peek() == '-') {
        negative = in.peek() == '-';
        in.advance();
    }

    // The number in the form from_chars reads: digits, one '.', then "e" and the exponent.
    std::string number;
    bool seenPoint = false;
    bool seenDigit = false;
    // The decimal exponent of the first significant digit, to tell overflow from underflow.
    std::int64_t magnitude = 0;
    bool significant = false;
    // A whole number that fits 64 bits is also kept as an integer: converting that to double
    // rounds once, exactly as reading the digits would, and costs far less.
    std::uint64_t whole = 0;
    bool wholeFits = true;
    for (int c = in.peek();; c = in.peek()) {
        if (isDigit(c)) {
            seenDigit = true;
            if (whole > (std::numeric_limits<std::uint64_t>::max() - 9) / 10)
                wholeFits = false;
            else
                whole = whole * 10 + static_cast<std::uint64_t>(c - '0');
            if (c != '0')
                significant = true;
            if (!seenPoint && significant)
                ++magnitude;
            else if (seenPoint && !significant)
                --magnitude;
        } else if (c != '.' || seenPoint) {
            break;
        } else {
            seenPoint = true;
        }
        number.push_back(static_cast<char>(c));
        in.advance();
    }
    if (!seenDigit)
        return {};

    const int e = lower(in.peek());
    if (!seenPoint && wholeFits && e != 'e' && e != 'd')
        return {negative ? -static_cast<double>(whole) : static_cast<double>(whole), true,
                in.end()};
    if (e == 'e' || e == 'd') {
        const std::size_t mark = in.position();
        in.advance();
        std::string exponent = "e";
        if (in.peek() == '+' || in.peek() == '-') {
            exponent.push_back(static_cast<char>(in.peek()));
            in.advance();
        }
        std::int64_t exponentValue = 0;
        bool exponentDigits = false;
        for (int c = in.peek(); isDigit(c); c = in.peek()) {
            exponentDigits = true;
            exponent.push_back(static_cast<char>(c));
            if (exponentValue < 1'000'000'000)
                exponentValue = exponentValue * 10 + (c - '0');
            in.advance();
        }
        if (exponentDigits) {
            number += exponent;
            magnitude += exponent[1] == '-' ? -exponentValue : exponentValue;
        } else {
            in.rewind(mark); // "1E" or "1E+" without digits: the exponent is not part of it
        }
    }

    double value = 0;
    const auto result = std::from_chars(number.data(), number.data() + number.size(), value,
                                        std::chars_format::general);
    if (result.ec == std::errc::result_out_of_range)
        value = significant && magnitude > 0 ? std::numeric_limits<double>::infinity() : 0.0;
    return {negative ? -value : value, true, in.end()};
}

} // namespace torven
