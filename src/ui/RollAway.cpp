#include "AnimateWindow.h"

#include <QPointer>
#include <QRegion>
#include <QVariantAnimation>
#include <QWidget>

namespace torven {

namespace {

// The part of a w x h window still shown when `left` (1 down to 0) of the animation remains.
QRect visiblePart(int w, int h, double left, unsigned flags) {
    const int shownW =
        (flags & (animate::kHorPositive | animate::kHorNegative)) ? qRound(w * left) : w;
    const int shownH =
        (flags & (animate::kVerPositive | animate::kVerNegative)) ? qRound(h * left) : h;
    // Rolling right to left keeps the left part; left to right keeps the right part; likewise
    // top to bottom keeps the bottom part.
    const int x = (flags & animate::kHorPositive) ? w - shownW : 0;
    const int y = (flags & animate::kVerPositive) ? h - shownH : 0;
    return QRect(x, y, shownW, shownH);
}

} // namespace

void animateWindow(QWidget* window, int durationMs, unsigned flags,
                   std::function<void()> finished) {
    auto* animation = new QVariantAnimation(window);
    animation->setStartValue(1.0);
    animation->setEndValue(0.0);
    animation->setDuration(durationMs);
    QPointer<QWidget> target(window);
    QObject::connect(animation, &QVariantAnimation::valueChanged, window,
                     [target, flags](const QVariant& value) {
                         if (!target)
                             return;
                         const QRect part = visiblePart(target->width(), target->height(),
                                                        value.toDouble(), flags);
                         // An empty mask would mean "no mask": keep one pixel until the end.
                         target->setMask(part.isEmpty() ? QRegion(0, 0, 1, 1) : QRegion(part));
                     });
    QObject::connect(animation, &QVariantAnimation::finished, window,
                     [target, flags, finished = std::move(finished)] {
                         if (target && (flags & animate::kHide)) {
                             target->hide();
                             target->clearMask();
                         }
                         if (finished)
                             finished();
                     });
    animation->start(QAbstractAnimation::DeleteWhenStopped);
}

} // namespace torven
