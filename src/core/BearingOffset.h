#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace torven {

// A calibration offset in whole degrees, for a controller whose zero is not true north.
inline constexpr int kMinBearingOffset = -359;
inline constexpr int kMaxBearingOffset = 359;

// Whether the number-reading rule finds a number in `text` at all, as opposed to reading 0 from
// text that holds none ("abcd", "", "&Hxy").
bool readsNumber(std::string_view text);

// The bearing to show for a reading once `offset` is added, or empty when the reading is shown as
// decoded: with no offset, for a reading without a number, and for a bearing outside 0 to 360
// (junk such as 9999 must not turn into a plausible bearing). The sum wraps into 1 to 360, so that
// north is 360 and lights the north lamp rather than showing a dark 0.
std::optional<std::int16_t> offsetBearing(std::string_view rawReading,
                                          std::optional<std::int16_t> bearing, int offset);

} // namespace torven
