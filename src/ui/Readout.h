#pragma once

#include <QFont>
#include <QLineEdit>
#include <QString>

class QLabel;

namespace torven {

// The bearing readout: big blue digits in a read-only line edit. Every digit and the sign stay in
// view: a text too wide for the box is shown smaller, and one too wide even then is marked at its
// start. A new text is stored at once and shown when the window paints its next frame.
class Readout : public QLineEdit {
    Q_OBJECT

public:
    // `points`: the digits' own size, for texts that fit; `face`: the background colour.
    Readout(const QString& text, double points, const QColor& face, QWidget* parent);

    // Keeps `text` to show at the next showStoredText().
    void storeText(const QString& text);
    // Shows the text stored last, unless it is already shown.
    void showStoredText();

protected:
    void focusInEvent(QFocusEvent* event) override;

private:
    void hideCaret();
    void fit();

    QFont m_font;
    QLabel* m_overflow = nullptr; // the mark of a text cut at its start
    QString m_stored;
    bool m_storedWaits = false;
};

} // namespace torven
