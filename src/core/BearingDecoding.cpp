#include "BearingDecoding.h"

#include "Degrees.h"
#include "NumberReading.h"
#include "SectorLamps.h"

#include <charconv>
#include <cmath>
#include <limits>

namespace torven {

namespace {
constexpr double kStepsPerTurn = 512.0;
constexpr double kDegreesPerTurn = 360.0;
constexpr std::size_t kReadingLength = 4;
} // namespace

std::string readoutText(double degrees) {
    if (!std::isfinite(degrees))
        degrees = std::copysign(std::numeric_limits<double>::max(), degrees);
    const double magnitude = std::trunc(std::fabs(degrees));

    // The sign first, then the digits, built in place and copied once.
    char text[400];
    // -0.0 (from a small negative reading truncated toward zero) shows as zero.
    text[0] = degrees < 0 && magnitude != 0 ? '-' : ' ';
    std::to_chars_result end;
    if (magnitude < 1e18)
        end = std::to_chars(text + 1, text + sizeof text, static_cast<std::uint64_t>(magnitude));
    else
        end = std::to_chars(text + 1, text + sizeof text, magnitude, std::chars_format::fixed, 0);
    return std::string(text, end.ptr);
}

DecodedReading decodeReading(std::string_view reading, int offset) {
    DecodedReading out;
    out.rawReading = reading.substr(0, kReadingLength);
    // Multiplication first, as the scale is defined; then truncation toward zero.
    const NumberScan number = scanNumber(out.rawReading);
    out.hasNumber = number.found;
    const double degrees = std::trunc(number.value * kDegreesPerTurn / kStepsPerTurn);
    out.readout = readoutText(degrees);

    // The bearing is the readout read back. Its digits are the truncated value exactly, so
    // reading them gives that value again, without the text.
    if (degrees >= std::numeric_limits<std::int16_t>::min() &&
        degrees <= std::numeric_limits<std::int16_t>::max()) {
        out.bearing = static_cast<std::int16_t>(degrees);
        out.litLamp = litLampFor(*out.bearing);
        if (out.hasNumber && *out.bearing >= 0 && *out.bearing <= 360)
            out.liveBearing = *out.bearing;
    }
    // With no offset even 0 stays 0, as decoded; the wrap would make it 360.
    if (offset != 0 && out.liveBearing) {
        const int shifted = wrappedBearing(static_cast<long long>(*out.liveBearing) + offset);
        out.liveBearing = shifted;
        out.bearing = static_cast<std::int16_t>(shifted);
        out.readout = readoutText(shifted);
        out.litLamp = litLampFor(*out.bearing);
    }
    return out;
}

DecodedReading decodeAzimuth(double azimuth, int offset) {
    DecodedReading out;
    out.hasNumber = true;
    const int bearing = wrappedBearing(static_cast<long long>(nearestDegree(azimuth)) + offset);
    out.readout = readoutText(bearing);
    out.bearing = static_cast<std::int16_t>(bearing);
    out.litLamp = litLampFor(*out.bearing);
    out.liveBearing = bearing;
    return out;
}

} // namespace torven
