#include "TargetMark.h"

#include "Lamp.h"
#include "Utf8.h"

#include <QEvent>
#include <QLabel>
#include <QMouseEvent>

namespace torven {

TargetMark::TargetMark(const std::array<Lamp*, kLampCount>& lamps, QLabel* statusLine,
                       QObject* parent)
    : QObject(parent), m_lamps(lamps), m_statusLine(statusLine), m_statusText(statusLine->text()) {
    m_statusLine->installEventFilter(this);
    for (Lamp* lamp : m_lamps)
        lamp->installEventFilter(this);
}

void TargetMark::showStatus(const QString& text) {
    m_statusText = text;
    show(m_display.shown());
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

void TargetMark::show(std::optional<int> before) {
    const int marked = m_display.lamp();
    static const QColor ring = QColor::fromRgb(kTargetMarkColour);
    for (std::size_t i = 0; i < m_lamps.size(); ++i)
        m_lamps[i]->setMark(static_cast<int>(i) + 1 == marked ? ring : QColor());

    const auto degrees = m_display.shown();
    const bool showsTarget = m_statusText.isEmpty() && degrees;
    const QString text = showsTarget ? toQString(targetStatusText(*degrees)) : m_statusText;
    if (m_statusLine->text() != text)
        m_statusLine->setText(text);
    // The hand says the target's text can be clicked away.
    if (showsTarget)
        m_statusLine->setCursor(Qt::PointingHandCursor);
    else
        m_statusLine->unsetCursor();
    if (degrees != before)
        emit changed();
}

bool TargetMark::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonPress &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton && m_display.shown()) {
        const bool onTargetText = watched == m_statusLine && m_statusText.isEmpty();
        const int marked = m_display.lamp();
        const bool onMarkedLamp = marked != 0 && watched == m_lamps[marked - 1];
        if (onTargetText || onMarkedLamp) {
            dismiss();
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}

} // namespace torven
