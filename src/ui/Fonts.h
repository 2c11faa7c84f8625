#pragma once

#include <QFont>

namespace torven {

// A font of the small sans-serif face the layouts were drawn with, falling back to a sans face
// that has Cyrillic letters. Sizes are in points at 96 dots per inch and become fixed logical
// pixel sizes, so the text keeps its place in the fixed layouts on any display.
QFont layoutFont(double points, bool bold = false);

// The font of labels, buttons and menus that set none of their own.
QFont defaultFont();

} // namespace torven
