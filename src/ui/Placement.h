#pragma once

#include <QList>
#include <QPoint>
#include <QRect>
#include <QSize>

class QWidget;

namespace torven {

// Where windows go on the screens. Sizes and rectangles are frames, title bar included.

// The free area of each screen.
QList<QRect> screenAreas();

// A window of `size` in the middle of a screen's free `area`, but never with its top-left corner,
// and so its title and menu bar, off the area.
QPoint placeOnScreen(const QRect& area, const QSize& size);

// A window of `size` asked for at `wanted`, given the screens' free `areas`: there, when its title
// bar is within reach on one of them; otherwise moved the shortest way onto the nearest area, all
// of it on the area where it fits.
QPoint placeWithinReach(const QPoint& wanted, const QSize& size, const QList<QRect>& areas);

// A box of `size` beside the `window` on a screen's free `area`: below it, else above it, to its
// right or to its left, and on the area in any case.
QPoint placeBeside(const QRect& area, const QRect& window, const QSize& size);

// Shows the box `box` beside `window` (see placeBeside), where it leaves the window in sight.
void showBeside(QWidget& box, const QWidget& window);

} // namespace torven
