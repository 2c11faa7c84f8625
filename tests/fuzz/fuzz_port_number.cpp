// The text-to-port-number conversion and the reading of the port settings file's content under
// arbitrary input.
#include "Check.h"
#include "NumberReading.h"
#include "PortNumber.h"
#include "PortSettingsFormat.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>

namespace {

using torven::toPortNumber;

std::string_view Trimmed(std::string_view s) {
    const std::size_t first = s.find_first_not_of(" \t");
    if (first == std::string_view::npos)
        return {};
    return s.substr(first, s.find_last_not_of(" \t") - first + 1);
}

// The value of a text that is only a sign and decimal digits, worked out in integers; a value
// far beyond 16 bits is capped.
std::optional<long long> SignedDigits(std::string_view s) {
    bool negative = false;
    if (!s.empty() && (s[0] == '+' || s[0] == '-')) {
        negative = s[0] == '-';
        s.remove_prefix(1);
    }
    if (s.empty() || s.find_first_not_of("0123456789") != std::string_view::npos)
        return std::nullopt;
    long long value = 0;
    for (const char c : s)
        value = std::min(value * 10 + (c - '0'), 1'000'000LL);
    return negative ? -value : value;
}

std::string InBase(int value, int base, const char* prefix) {
    char digits[32];
    const auto end = std::to_chars(digits, digits + sizeof digits, value, base).ptr;
    return prefix + std::string(digits, end);
}

void CheckRoundHalfEven(double x) {
    if (!std::isfinite(x))
        return;
    const double r = torven::roundHalfEven(x);
    TORVEN_FUZZ_CHECK(r == std::floor(x) || r == std::ceil(x));
    const double distance = std::fabs(r - x);
    TORVEN_FUZZ_CHECK(distance <= 0.5);
    if (distance == 0.5)
        TORVEN_FUZZ_CHECK(std::fmod(r, 2.0) == 0);
}

void CheckConversion(std::string_view text) {
    const auto port = toPortNumber(text);
    const std::string_view core = Trimmed(text);

    // Blanks around the text change nothing; anything after the number spoils it.
    TORVEN_FUZZ_CHECK(toPortNumber(" \t" + std::string(text) + "\t ") == port);
    TORVEN_FUZZ_CHECK(!toPortNumber(std::string(text) + "x"));

    if (const auto whole = SignedDigits(core)) {
        const bool fits = *whole >= INT16_MIN && *whole <= INT16_MAX;
        TORVEN_FUZZ_CHECK(port.has_value() == fits);
        TORVEN_FUZZ_CHECK(!fits || *port == *whole);
    }
    if (!port)
        return;

    // The number is the text's value rounded, halves to the even neighbour.
    const double n = torven::readNumber(core);
    TORVEN_FUZZ_CHECK(std::isfinite(n) && std::fabs(*port - n) <= 0.5);
    if (std::fabs(*port - n) == 0.5)
        TORVEN_FUZZ_CHECK(*port % 2 == 0);

    // Written as plain decimal, and for a non-negative number as &H and &O, it converts back.
    TORVEN_FUZZ_CHECK(toPortNumber(std::to_string(*port)) == port);
    if (*port >= 0) {
        TORVEN_FUZZ_CHECK(toPortNumber(InBase(*port, 16, "&H")) == port);
        TORVEN_FUZZ_CHECK(toPortNumber(InBase(*port, 8, "&o")) == port);
    }
}

void CheckStoredFile(std::string_view content) {
    const std::size_t lineEnd = content.find_first_of("\r\n");
    const std::string_view firstLine = content.substr(0, lineEnd);
    // A whole file stores what its first line converts to.
    TORVEN_FUZZ_CHECK(torven::storedPortNumber(content, true) == toPortNumber(firstLine));
    // The start of a longer file gives nothing until its first line has ended.
    const auto head = torven::storedPortNumber(content, false);
    TORVEN_FUZZ_CHECK(lineEnd == std::string_view::npos ? !head : head == toPortNumber(firstLine));
    // A line as the dialog writes it is read back as the same number.
    TORVEN_FUZZ_CHECK(torven::storedPortNumber(torven::portSettingsContent(firstLine), false) ==
                      toPortNumber(firstLine));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    CheckConversion(text);
    CheckStoredFile(text);
    if (size >= sizeof(double)) {
        double x = 0;
        std::memcpy(&x, data, sizeof x);
        CheckRoundHalfEven(x);
    }
    CheckRoundHalfEven(torven::readNumber(text));
    return 0;
}
