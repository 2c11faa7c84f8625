#pragma once

namespace torven {

// Layouts are in twips (1/1440 inch); 15 twips make one logical pixel at 96 dots per inch, and
// the window system scales logical pixels on screens beyond that. Halves round up.
constexpr int twipsToPixels(int twips) {
    return twips >= 0 ? (twips * 2 + 15) / 30 : -((-twips * 2 + 15) / 30);
}

// A place in a window, in twips: left, top, width, height.
struct TwipsBox {
    int left;
    int top;
    int width;
    int height;
};

} // namespace torven
