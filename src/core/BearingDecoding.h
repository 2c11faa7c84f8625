#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace torven {

// Everything one received block changes on the bearing display.
struct DecodedReading {
    std::string rawReading; // the first four characters of the block
    // Whether the reading holds a number at all, as opposed to 0 read from text without one
    // ("abcd", "", "&Hxy").
    bool hasNumber = false;
    std::string readout; // the readout's final text: a blank or a minus sign, then the digits
    // The bearing read back from the readout; empty when it does not fit a signed 16-bit integer
    // (only readings with an exponent, such as "5E4", get there).
    std::optional<std::int16_t> bearing;
    int litLamp = 0; // 1 to 24, or 0 when every lamp is dark
};

// Turns a received block into the bearing: its first four characters are a position on a
// 512-step scale, converted to whole degrees (truncated toward zero).
DecodedReading decodeReading(std::string_view block);

// The readout form of a whole number of degrees: a blank (zero or positive) or a minus sign,
// then the decimal digits without leading zeros.
std::string readoutText(double degrees);

} // namespace torven
