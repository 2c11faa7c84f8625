#pragma once

namespace torven {

// Layouts are in twips (1/1440 inch); 15 twips make one logical pixel at 96 dots per inch, and
// the window system scales logical pixels on screens beyond that. Halves round up.
constexpr int TwipsToPixels(int twips) {
    return twips >= 0 ? (twips * 2 + 15) / 30 : -((-twips * 2 + 15) / 30);
}

} // namespace torven
