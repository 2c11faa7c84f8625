#pragma once

#include <functional>

class QWidget;

namespace torven {

// Rolls `window` away over `durationMs`: its visible part shrinks from the right and from the top
// (right to left and top to bottom) until nothing is left; then the window is hidden and
// `finished` runs. The animation runs on the event loop, so the program stays responsive meanwhile.
void rollAway(QWidget* window, int durationMs, std::function<void()> finished);

} // namespace torven
