#include "Lamp.h"

#include <QPainter>

#include <algorithm>

namespace torven {

Lamp::Lamp(Kind kind, QColor backColor, QColor borderColor, QWidget* parent)
    : QWidget(parent), m_kind(kind), m_backColor(backColor), m_borderColor(borderColor),
      m_shownColor(backColor) {
    // A rectangle covers its whole box; outside its circle a round lamp shows what lies beneath.
    setAttribute(Qt::WA_OpaquePaintEvent, kind == Kind::Rectangle);
}

void Lamp::setBackColor(QColor colour) {
    m_backColor = colour;
    showBackColor();
}

void Lamp::showBackColor() {
    if (m_shownColor == m_backColor)
        return;
    m_shownColor = m_backColor;
    update();
}

void Lamp::setMark(QColor colour) {
    if (m_markColor == colour)
        return;
    m_markColor = colour;
    update();
}

void Lamp::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setPen(QPen(m_borderColor, 1));
    painter.setBrush(m_shownColor);
    if (m_kind == Kind::Rectangle) {
        painter.drawRect(rect().adjusted(0, 0, -1, -1));
        return;
    }
    painter.setRenderHint(QPainter::Antialiasing);
    const double diameter = std::min(width(), height());
    const QRectF circle((width() - diameter) / 2.0, (height() - diameter) / 2.0, diameter,
                        diameter);
    // Half a pixel inwards so that the one-pixel outline lies wholly inside the box.
    painter.drawEllipse(circle.adjusted(0.5, 0.5, -0.5, -0.5));
    if (isMarked()) {
        // A ring over the outline and the fill's rim, two pixels wide, inside the circle: even the
        // smallest lamp (9 pixels) keeps five pixels of its fill in the middle, where its colour
        // is read.
        constexpr double kRingWidth = 2;
        painter.setPen(QPen(m_markColor, kRingWidth));
        painter.setBrush(Qt::NoBrush);
        const double inset = kRingWidth / 2;
        painter.drawEllipse(circle.adjusted(inset, inset, -inset, -inset));
    }
}

} // namespace torven
