#pragma once

#include "Twips.h"

#include <QRect>
#include <QString>

class QLabel;
class QWidget;

namespace torven {

// An object name as Qt takes it.
inline QString nameOf(const char* name) {
    return QString::fromLatin1(name);
}

// A place laid out in twips, in logical pixels.
QRect toPixels(const TwipsBox& box);

// A label named `name` at `place`, showing `text`.
QLabel* makeLabel(QWidget* parent, const char* name, QRect place, const QString& text);
// The same, opaque in its parent's background colour, its text at the top left.
QLabel* makeOpaqueLabel(QWidget* parent, const char* name, QRect place, const QString& text);

// Moves a window into the middle of the primary screen's free area.
void centreOnPrimaryScreen(QWidget* window);

} // namespace torven
