#include "RollAway.h"

#include <QPointer>
#include <QRegion>
#include <QVariantAnimation>
#include <QWidget>

namespace torven {

namespace {

// The part of a w x h window still shown when `left` (1 down to 0) of the animation remains:
// rolling right to left keeps the left part, top to bottom the bottom part.
QRect visiblePart(int w, int h, double left) {
    const int shownW = qRound(w * left);
    const int shownH = qRound(h * left);
    return QRect(0, h - shownH, shownW, shownH);
}

} // namespace

void rollAway(QWidget* window, int durationMs, std::function<void()> finished) {
    auto* animation = new QVariantAnimation(window);
    animation->setStartValue(1.0);
    animation->setEndValue(0.0);
    animation->setDuration(durationMs);
    QPointer<QWidget> target(window);
    QObject::connect(
        animation, &QVariantAnimation::valueChanged, window, [target](const QVariant& value) {
            if (!target)
                return;
            const QRect part = visiblePart(target->width(), target->height(), value.toDouble());
            // An empty mask would mean "no mask": keep one pixel until the end.
            target->setMask(part.isEmpty() ? QRegion(0, 0, 1, 1) : QRegion(part));
        });
    QObject::connect(animation, &QVariantAnimation::finished, window,
                     [target, finished = std::move(finished)] {
                         if (target) {
                             target->hide();
                             target->clearMask();
                         }
                         if (finished)
                             finished();
                     });
    animation->start(QAbstractAnimation::DeleteWhenStopped);
}

} // namespace torven
