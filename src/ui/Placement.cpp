#include "Placement.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include <algorithm>
#include <array>

namespace torven {

namespace {

// `at` moved the least that keeps a window of `size` on `area` (its top-left corner first, where
// it does not fit).
QPoint keptOn(const QRect& area, const QPoint& at, const QSize& size) {
    return {
        std::clamp(at.x(), area.left(), std::max(area.left(), area.right() + 1 - size.width())),
        std::clamp(at.y(), area.top(), std::max(area.top(), area.bottom() + 1 - size.height()))};
}

} // namespace

QList<QRect> screenAreas() {
    QList<QRect> areas;
    for (const QScreen* s : QGuiApplication::screens())
        areas << s->availableGeometry();
    return areas;
}

QPoint placeOnScreen(const QRect& area, const QSize& size) {
    const QPoint centred = area.center() - QPoint(size.width() / 2, size.height() / 2);
    return {std::max(centred.x(), area.left()), std::max(centred.y(), area.top())};
}

QPoint placeWithinReach(const QPoint& wanted, const QSize& size, const QList<QRect>& areas) {
    // The strip along the window's top edge that must be on a screen for the title bar to be
    // grabbed: a title bar's height, and wide enough to take hold of.
    constexpr int kTitleHeight = 20;
    constexpr int kGripWidth = 40;
    const QRect title(wanted, QSize(size.width(), kTitleHeight));
    const int grip = std::min(kGripWidth, size.width());
    const auto reaches = [&](const QRect& area) {
        const QRect shared = area.intersected(title);
        return shared.width() >= grip && shared.height() == kTitleHeight;
    };
    if (areas.isEmpty() || std::any_of(areas.begin(), areas.end(), reaches))
        return wanted;
    // X keeps coordinates in 16 bits and wraps larger ones, so far away can mean anywhere.
    const auto distance = [&](const QRect& area) {
        const qint64 dx = std::max({area.left() - wanted.x(), 0, wanted.x() - area.right()});
        const qint64 dy = std::max({area.top() - wanted.y(), 0, wanted.y() - area.bottom()});
        return dx * dx + dy * dy;
    };
    const QRect nearest =
        *std::min_element(areas.begin(), areas.end(), [&](const QRect& a, const QRect& b) {
            return distance(a) < distance(b);
        });
    return keptOn(nearest, wanted, size);
}

QPoint placeBeside(const QRect& area, const QRect& window, const QSize& size) {
    const std::array candidates{QPoint(window.left(), window.bottom() + 1),
                                QPoint(window.left(), window.top() - size.height()),
                                QPoint(window.right() + 1, window.top()),
                                QPoint(window.left() - size.width(), window.top())};
    for (const QPoint& at : candidates) {
        if (area.contains(QRect(at, size)))
            return at;
    }
    // No side has room: below, kept on the area.
    return keptOn(area, candidates.front(), size);
}

void showBeside(QWidget& box, const QWidget& window) {
    const QScreen* screen = window.screen();
    // A box knows its size only once it shows: it goes beside the window before, so that it never
    // shows over the window, and again when its size is known.
    for (const bool shown : {false, true}) {
        if (shown)
            box.show();
        if (screen)
            box.move(placeBeside(screen->availableGeometry(), window.frameGeometry(),
                                 shown ? box.frameGeometry().size() : QSize()));
    }
}

} // namespace torven
