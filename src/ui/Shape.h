#pragma once

#include <QColor>
#include <QWidget>

namespace torven {

// A lamp: a filled circle (the largest that fits its box, centred) or a filled rectangle, with a
// thin outline. Only its fill colour changes at run time.
class Shape : public QWidget {
    Q_OBJECT
    Q_PROPERTY(QColor backColor READ backColor WRITE setBackColor)

public:
    enum class Kind { Circle, Rectangle };

    Shape(Kind kind, QColor backColor, QColor borderColor, QWidget* parent = nullptr);

    QColor backColor() const { return m_backColor; }
    void setBackColor(QColor colour);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    Kind m_kind;
    QColor m_backColor;
    QColor m_borderColor;
};

} // namespace torven
