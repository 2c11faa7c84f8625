#pragma once

#include "BearingDecoding.h"

#include <cstdint>
#include <optional>
#include <string>

namespace torven {

// A calibration offset in whole degrees, for a controller whose zero is not true north.
inline constexpr int kMinBearingOffset = -359;
inline constexpr int kMaxBearingOffset = 359;

// The bearing to show for a reading once `offset` is added, or empty when the reading is shown as
// decoded: with no offset, for a reading without a number, and for a bearing outside 0 to 360
// (junk such as 9999 must not turn into a plausible bearing). The sum wraps into 1 to 360, so that
// north is 360 and lights the north lamp rather than showing a dark 0.
std::optional<std::int16_t> offsetBearing(const DecodedReading& decoded, int offset);

// The status line's standing remark on a calibration offset, as "Поправка азимута: +5°.".
std::string offsetRemark(int offset);

} // namespace torven
