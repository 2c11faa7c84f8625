// The reception chain under arbitrary blocks: the number-reading rule, the bearing decoding and
// the choice of the lit sector lamp.
#include "BearingDecoding.h"
#include "Check.h"
#include "NumberReading.h"
#include "SectorLamps.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>

namespace {

using torven::readNumber;

// Whether lamp k's sector holds bearing b, taken from the sector table rather than from the
// arithmetic the lamp rule uses.
bool InSector(int k, int b) {
    if (k == 1)
        return (b >= 1 && b <= 7) || (b >= 353 && b <= 360);
    const int centre = (k - 1) * 15;
    return b >= centre - 7 && b <= centre + 7;
}

// The one lamp whose sector holds b, or 0; checks that no two sectors hold it.
int LampOfSector(int b) {
    int lamp = 0;
    for (int k = 1; k <= torven::kLampCount; ++k) {
        if (InSector(k, b)) {
            TORVEN_FUZZ_CHECK(lamp == 0);
            lamp = k;
        }
    }
    return lamp;
}

std::string WithoutIgnored(std::string_view text) {
    std::string out;
    for (const char c : text)
        if (c != ' ' && c != '\t' && c != '\n')
            out.push_back(c);
    return out;
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// The value of a reading that is a plain whole number (a sign, digits, then nothing that could
// continue a number), worked out in integers.
std::optional<long long> PlainWhole(std::string_view reading) {
    const std::string s = WithoutIgnored(reading);
    std::size_t i = 0;
    bool negative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-'))
        negative = s[i++] == '-';
    const std::size_t first = i;
    long long value = 0;
    for (; i < s.size() && IsDigit(s[i]) && i - first < 15; ++i)
        value = value * 10 + (s[i] - '0');
    if (i == first ||
        (i < s.size() && std::string_view(".eEdD0123456789").find(s[i]) != std::string_view::npos))
        return std::nullopt;
    return negative ? -value : value;
}

void CheckNumberReading(std::string_view text) {
    const double n = readNumber(text);
    TORVEN_FUZZ_CHECK(!std::isnan(n));
    // Blanks, tabs and line feeds are ignored wherever they stand.
    const std::string bare = WithoutIgnored(text);
    TORVEN_FUZZ_CHECK(readNumber(bare) == n);
    if (bare.empty()) {
        TORVEN_FUZZ_CHECK(n == 0);
        return;
    }
    const char first = bare.front();
    // Text that cannot start a number reads as 0.
    if (std::string_view("+-.&0123456789").find(first) == std::string_view::npos)
        TORVEN_FUZZ_CHECK(n == 0);
    // A minus sign in front negates an unsigned decimal.
    if (IsDigit(first) || first == '.')
        TORVEN_FUZZ_CHECK(readNumber("-" + bare) == -n);
    if (const auto whole = PlainWhole(text))
        TORVEN_FUZZ_CHECK(n == static_cast<double>(*whole));
}

// The value a readout shows, read without the number-reading rule; checks its form on the way:
// a blank or a minus sign, then digits without leading zeros, and never a negative zero.
double ReadoutValue(const std::string& readout) {
    TORVEN_FUZZ_CHECK(readout.size() >= 2);
    TORVEN_FUZZ_CHECK(readout[0] == ' ' || readout[0] == '-');
    const std::string_view digits = std::string_view(readout).substr(1);
    TORVEN_FUZZ_CHECK(digits.find_first_not_of("0123456789") == std::string_view::npos);
    TORVEN_FUZZ_CHECK(digits == "0" || digits[0] != '0');
    TORVEN_FUZZ_CHECK(!(readout[0] == '-' && digits == "0"));
    double magnitude = 0;
    const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), magnitude);
    TORVEN_FUZZ_CHECK(ec == std::errc{} && end == digits.data() + digits.size());
    return readout[0] == '-' ? -magnitude : magnitude;
}

void CheckDecoding(std::string_view block) {
    const torven::DecodedReading decoded = torven::decodeReading(block);
    TORVEN_FUZZ_CHECK(decoded.rawReading == block.substr(0, 4));

    const double shown = ReadoutValue(decoded.readout);
    const double degrees = std::trunc(readNumber(decoded.rawReading) * 360.0 / 512.0);
    TORVEN_FUZZ_CHECK(shown == degrees);
    // The readout re-reads to exactly what it shows.
    TORVEN_FUZZ_CHECK(readNumber(decoded.readout) == shown);
    if (const auto whole = PlainWhole(decoded.rawReading))
        TORVEN_FUZZ_CHECK(shown == static_cast<double>(*whole * 360 / 512));

    const bool fits = shown >= INT16_MIN && shown <= INT16_MAX;
    TORVEN_FUZZ_CHECK(decoded.bearing.has_value() == fits);
    if (decoded.bearing)
        TORVEN_FUZZ_CHECK(*decoded.bearing == shown);

    // The one lamp lit is the one whose sector holds the bearing; no bearing lights none.
    TORVEN_FUZZ_CHECK(decoded.litLamp >= 0 && decoded.litLamp <= torven::kLampCount);
    TORVEN_FUZZ_CHECK(decoded.litLamp == (decoded.bearing ? LampOfSector(*decoded.bearing) : 0));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    CheckNumberReading(text);
    CheckNumberReading(text.substr(0, 4));
    CheckDecoding(text);

    // The lamp rule over the whole 16-bit range, from the first two bytes.
    if (size >= 2) {
        std::int16_t bearing = 0;
        std::memcpy(&bearing, data, sizeof bearing);
        TORVEN_FUZZ_CHECK(torven::litLampFor(bearing) == LampOfSector(bearing));
    }
    return 0;
}
