#include "Readout.h"

#include "Fonts.h"
#include "ObjectNames.h"
#include "WindowElements.h"

#include <QFontMetrics>
#include <QLabel>

#include <algorithm>

namespace torven {

namespace {

// The smallest the digits get to fit the box; smaller ones could not be read at the readout's
// distance.
constexpr int kSmallestPixels = 12;
// A line edit ends its text this many pixels, and one more for the cursor, short of its right
// side; the text scrolled to its end shows from the left side on.
constexpr int kLineEditRightMargin = 2;

} // namespace

Readout::Readout(const QString& text, double points, const QColor& face, QWidget* parent)
    : QLineEdit(text, parent), m_font(layoutFont(points, true)) {
    setAlignment(Qt::AlignCenter);
    setFrame(false);
    setTextMargins(0, 0, 0, 0);
    setFont(m_font);
    QPalette colours = palette();
    colours.setColor(QPalette::Base, face);
    colours.setColor(QPalette::Text, QColor(0x00, 0x00, 0xFF));
    setPalette(colours);
    connect(this, &QLineEdit::textChanged, this, &Readout::hideCaret);
    connect(this, &QLineEdit::textChanged, this, &Readout::fit);

    m_overflow = new QLabel(QStringLiteral("…"), this);
    m_overflow->setObjectName(nameOf(object_names::main_window::kReadoutOverflow));
    m_overflow->setFont(layoutFont(points / 2, true));
    m_overflow->setAutoFillBackground(true);
    QPalette mark = m_overflow->palette();
    mark.setColor(QPalette::Window, face);
    mark.setColor(QPalette::WindowText, QColor(0xFF, 0x00, 0x00));
    m_overflow->setPalette(mark);
    m_overflow->setAlignment(Qt::AlignCenter);
    m_overflow->hide();
    hideCaret();
}

void Readout::storeText(const QString& text) {
    m_stored = text;
    m_storedWaits = true;
}

void Readout::showStoredText() {
    if (!m_storedWaits)
        return;
    m_storedWaits = false;
    // Setting a line edit's text also drops a selection, puts the cursor at the end and forgets
    // edits; only when all of that already holds is setting the same text a no-op.
    const bool settled = text() == m_stored && !hasSelectedText() &&
                         cursorPosition() == m_stored.size() && !isModified() &&
                         !isUndoAvailable() && !isRedoAvailable();
    if (!settled)
        setText(m_stored);
}

void Readout::focusInEvent(QFocusEvent* event) {
    hideCaret();
    QLineEdit::focusInEvent(event);
}

void Readout::hideCaret() {
    // The readout never shows its caret: read-only, its figures cannot be altered by a stray key
    // press, and no cursor blinks in it.
    setReadOnly(true);
}

void Readout::fit() {
    // The leading blank may scroll out of the box; the digits and the sign may not.
    const QString all = text();
    qsizetype first = 0;
    while (first < all.size() && all[first] == QLatin1Char(' '))
        ++first;
    const QString shown = all.sliced(first);
    // The box scrolls to keep the cursor, after the last digit, in view: what must fit is from
    // the first digit's ink to the end of the text.
    const int room = contentsRect().width() - kLineEditRightMargin - 1;
    const auto needed = [&shown](const QFont& f) {
        const QFontMetrics metrics(f);
        const int bearing = shown.isEmpty() ? 0 : std::max(0, metrics.leftBearing(shown[0]));
        return metrics.horizontalAdvance(shown) - bearing;
    };
    QFont smaller = m_font;
    int wide = needed(smaller);
    while (wide > room && smaller.pixelSize() > kSmallestPixels) {
        smaller.setPixelSize(smaller.pixelSize() - 1);
        wide = needed(smaller);
    }
    if (font() != smaller)
        setFont(smaller);
    // Too wide even small: the box shows the last digits, and the mark says the first are cut.
    if (wide > room) {
        m_overflow->adjustSize();
        m_overflow->setGeometry(0, 0, m_overflow->width(), height());
    }
    m_overflow->setVisible(wide > room);
}

} // namespace torven
