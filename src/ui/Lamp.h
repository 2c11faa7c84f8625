#pragma once

#include <QColor>
#include <QWidget>

namespace torven {

// A lamp: a filled circle (the largest that fits its box, centred) or a filled rectangle, with a
// thin outline. At run time its fill colour changes, and a round lamp may be marked: a thick ring
// of the mark colour inside its circle, around a middle that keeps the fill colour.
class Lamp : public QWidget {
    Q_OBJECT
    Q_PROPERTY(QColor backColor READ backColor WRITE setBackColor)

public:
    enum class Kind { Circle, Rectangle };

    Lamp(Kind kind, QColor backColor, QColor borderColor, QWidget* parent = nullptr);

    QColor backColor() const { return m_backColor; }
    // Sets the fill colour and shows it.
    void setBackColor(QColor colour);

    // For a window that paces its paints: sets the fill colour without showing it yet, so that a
    // lamp set many times between two frames repaints only if, when showBackColor() comes, its
    // colour differs from the one it shows.
    void storeBackColor(QColor colour) { m_backColor = colour; }
    // Shows the fill colour: repaints if it differs from the one shown.
    void showBackColor();

    bool isMarked() const { return m_markColor.isValid(); }
    // Marks a round lamp with a ring of `colour`, or unmarks it (an invalid colour); repaints when
    // that changes what it shows.
    void setMark(QColor colour);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    Kind m_kind;
    QColor m_backColor;
    QColor m_borderColor;
    // The fill every paint draws. Whatever paints the lamp (a frame, an expose, a grab) draws this
    // one, so the screen holds it once a paint after showBackColor() has come.
    QColor m_shownColor;
    QColor m_markColor; // invalid while not marked
};

} // namespace torven
