#include "FittingMenuBar.h"

#include <QEvent>
#include <QFontInfo>
#include <QScopedValueRollback>
#include <QStyle>

namespace torven {

namespace {
// Below this no word of the bar is legible any more; the bar stops shrinking there.
constexpr int kSmallestPixelSize = 7;
} // namespace

FittingMenuBar::FittingMenuBar(int width, QWidget* parent) : QMenuBar(parent), m_width(width) {}

bool FittingMenuBar::itemsFit() {
    // The bar may not be laid out yet: its items are placed across its own width.
    resize(m_width, height());
    const int frame = style()->pixelMetric(QStyle::PM_MenuBarPanelWidth, nullptr, this);
    for (QAction* action : actions()) {
        const QRect place = actionGeometry(action);
        if (action->isVisible() && (place.isEmpty() || place.right() >= m_width - frame))
            return false;
    }
    return true;
}

void FittingMenuBar::fitItems() {
    if (m_fitting)
        return;
    const QScopedValueRollback fitting(m_fitting, true);
    QFont shrunk = font();
    // A size given in points (as a system's menu font is) is taken in pixels from here on.
    int pixels = QFontInfo(shrunk).pixelSize();
    while (!itemsFit() && pixels > kSmallestPixelSize) {
        shrunk.setPixelSize(--pixels);
        setFont(shrunk);
    }
}

void FittingMenuBar::changeEvent(QEvent* event) {
    QMenuBar::changeEvent(event);
    if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange)
        fitItems();
}

} // namespace torven
