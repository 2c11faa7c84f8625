#include "BearingOffset.h"

namespace torven {

std::optional<std::int16_t> offsetBearing(const DecodedReading& decoded, int offset) {
    const auto bearing = decoded.bearing;
    if (offset == 0 || !decoded.hasNumber || !bearing || *bearing < 0 || *bearing > 360)
        return std::nullopt;
    const long long sum = static_cast<long long>(*bearing) + offset;
    return static_cast<std::int16_t>(((sum - 1) % 360 + 360) % 360 + 1);
}

std::string offsetRemark(int offset) {
    return "Поправка азимута: " + std::string(offset > 0 ? "+" : "") + std::to_string(offset) +
           "°.";
}

} // namespace torven
