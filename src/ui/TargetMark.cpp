#include "TargetMark.h"

#include "Lamp.h"
#include "Utf8.h"

#include <QEvent>
#include <QMouseEvent>

namespace torven {

TargetMark::TargetMark(const std::array<Lamp*, kLampCount>& lamps, QObject* parent)
    : QObject(parent), m_lamps(lamps) {
    for (Lamp* lamp : m_lamps)
        lamp->installEventFilter(this);
}

QString TargetMark::statusText() const {
    const auto degrees = m_display.shown();
    return degrees ? toQString(targetStatusText(*degrees)) : QString();
}

QString TargetMark::toolTipLine() const {
    const auto degrees = m_display.shown();
    if (!degrees)
        return {};
    return toQString(targetToolTipText(*degrees));
}

void TargetMark::setTarget(double azimuth) {
    const auto before = m_display.shown();
    m_display.set(azimuth);
    show(before);
}

void TargetMark::clearTarget() {
    const auto before = m_display.shown();
    m_display.clear();
    show(before);
}

void TargetMark::dismiss() {
    const auto before = m_display.shown();
    m_display.dismiss();
    show(before);
}

void TargetMark::takeStatusLineClick(bool onTarget) {
    if (onTarget)
        dismiss();
}

void TargetMark::show(std::optional<int> before) {
    const int marked = m_display.lamp();
    static const QColor ring = QColor::fromRgb(kTargetMarkColour);
    for (std::size_t i = 0; i < m_lamps.size(); ++i)
        m_lamps[i]->setMark(static_cast<int>(i) + 1 == marked ? ring : QColor());
    if (m_display.shown() != before)
        emit changed();
}

bool TargetMark::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonPress &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton && m_display.shown()) {
        const int marked = m_display.lamp();
        if (marked != 0 && watched == m_lamps[marked - 1]) {
            dismiss();
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}

} // namespace torven
