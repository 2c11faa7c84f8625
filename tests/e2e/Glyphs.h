#pragma once

// Reading text off the screen, as far as the tests need it: whether a box holds ink at all, and
// whether the readout shows "000".

#include "Desktop.h"

namespace torven::e2e {

// The pixels in `box` clearly darker than the light face the text stands on.
int InkIn(const Image& shot, Rect box);

// Whether `box` shows three copies of one glyph, each a ring around a hole in its middle: 000.
bool ShowsZeroes(const Image& shot, Rect box);

} // namespace torven::e2e
