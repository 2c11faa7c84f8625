#pragma once

#include <cstdint>

namespace torven {

inline constexpr int kLampCount = 24;

// Lamp colours as 0xRRGGBB.
inline constexpr std::uint32_t kLampLitColour = 0xFF00FF;
inline constexpr std::uint32_t kLampDarkColour = 0x00FFFF;
// The ring that marks a target's lamp: dark, unlike either fill, and a shape besides.
inline constexpr std::uint32_t kTargetMarkColour = 0x000080;

// The number (1 to 24) of the sector lamp whose 15-degree sector holds `bearing`, or 0 when the
// bearing lies in no sector (0, negative, or above 360). Lamp 1 covers 1-7 and 353-360 degrees;
// lamp k covers (k-1)*15-7 to (k-1)*15+7.
constexpr int litLampFor(std::int16_t bearing) {
    if (bearing < 1 || bearing > 360)
        return 0;
    if (bearing <= 7 || bearing >= 353)
        return 1;
    return (bearing + 7) / 15 + 1;
}

} // namespace torven
