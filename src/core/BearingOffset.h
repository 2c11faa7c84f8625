#pragma once

#include <string>

namespace torven {

// A calibration offset in whole degrees, for a controller whose zero is not true north.
inline constexpr int kMinBearingOffset = -359;
inline constexpr int kMaxBearingOffset = 359;

// The status line's standing remark on a calibration offset, as "Поправка азимута: +5°.".
std::string offsetRemark(int offset);

} // namespace torven
