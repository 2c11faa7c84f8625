#pragma once

#include <functional>

class QWidget;

namespace torven {

// Flags of a window animation.
namespace animate {
inline constexpr unsigned kHorPositive = 0x1; // left to right
inline constexpr unsigned kHorNegative = 0x2; // right to left
inline constexpr unsigned kVerPositive = 0x4; // top to bottom
inline constexpr unsigned kVerNegative = 0x8; // bottom to top
inline constexpr unsigned kHide = 0x10000;
} // namespace animate

// Rolls `window` away over `durationMs`: with Hide and the direction flags, the window's visible
// part shrinks from the edges the flags name (right to left and top to bottom for
// HorNegative | VerPositive) until nothing is left; then the window is hidden and `finished` runs.
// The animation runs on the event loop, so the program stays responsive meanwhile.
void animateWindow(QWidget* window, int durationMs, unsigned flags, std::function<void()> finished);

} // namespace torven
