#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace torven {

// Everything one reading changes on the display and in what the rotctld service shares, the
// calibration offset applied: the one place that decides what a reading shows and serves.
struct DecodedReading {
    std::string rawReading; // the first four characters of the reading
    // Whether the reading holds a number at all, as opposed to 0 read from text without one
    // ("abcd", "", "&Hxy").
    bool hasNumber = false;
    std::string readout; // the readout's final text: a blank or a minus sign, then the digits
    // The bearing read back from the readout; empty when it does not fit a signed 16-bit integer
    // (only readings with an exponent, such as "5E4", get there).
    std::optional<std::int16_t> bearing;
    int litLamp = 0; // 1 to 24, or 0 when every lamp is dark
    // The bearing to share as the antenna's position; none for junk (no number, or a bearing
    // outside 0 to 360), which is no position at all and must not pass for north.
    std::optional<int> liveBearing;
};

// Turns a reading into the bearing: its first four characters are a position on a 512-step
// scale, converted to whole degrees (truncated toward zero). A calibration `offset` (-359 to 359)
// is then added to a live bearing, the sum wrapped into 1 to 360, so that north shows as 360 and
// lights the north lamp; junk is left as decoded, so that it never becomes a plausible bearing.
DecodedReading decodeReading(std::string_view reading, int offset = 0);

// What a followed rotator's azimuth (degrees, −360 to 720, as a rotctld answers it) shows and
// serves: rounded to the nearest whole degree, a half upward, the calibration `offset` added, and
// wrapped into 1 to 360. A rotator's 0 is true north, so it shows 360 and lights the north lamp,
// and the −180 to 180 of some rotators wraps too. `rawReading` stays empty.
DecodedReading decodeAzimuth(double azimuth, int offset = 0);

// The readout form of a whole number of degrees: a blank (zero or positive) or a minus sign,
// then the decimal digits without leading zeros.
std::string readoutText(double degrees);

} // namespace torven
