#include "StatusLine.h"

#include <QEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QTextDocument>

namespace torven {

StatusLine::StatusLine(QLabel* label, QObject* parent) : QObject(parent), m_label(label) {
    m_label->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    m_label->setTextFormat(Qt::PlainText);
    m_label->installEventFilter(this);
}

void StatusLine::setConnectionWord(const QString& word) {
    m_connectionWord = word;
    showText();
}

void StatusLine::setTargetWords(const QString& text, const QString& toolTipLine) {
    m_targetText = text;
    showText();
    if (m_targetLine != toolTipLine) {
        m_targetLine = toolTipLine;
        showWhy();
    }
}

void StatusLine::setReason(const QString& reason) {
    m_reason = reason;
    showWhy();
}

void StatusLine::addRemark(const QString& remark) {
    m_remarks.prepend(remark);
    showWhy();
}

void StatusLine::setDistrustNotice(const QString& notice) {
    m_distrustNotice = notice;
    showWhy();
}

bool StatusLine::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_label && event->type() == QEvent::MouseButtonPress &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        const bool onTarget = showsTarget();
        emit clicked(onTarget);
        return onTarget;
    }
    return QObject::eventFilter(watched, event);
}

void StatusLine::showText() {
    const QString text = showsTarget() ? m_targetText : m_connectionWord;
    if (m_label->text() != text)
        m_label->setText(text);
    // The hand says the target's words can be clicked away.
    if (showsTarget())
        m_label->setCursor(Qt::PointingHandCursor);
    else
        m_label->unsetCursor();
}

void StatusLine::showWhy() {
    QStringList lines;
    if (!m_reason.isEmpty())
        lines.append(m_reason);
    if (!m_targetLine.isEmpty())
        lines.append(m_targetLine);
    lines.append(m_remarks);
    if (!m_distrustNotice.isEmpty())
        lines.append(m_distrustNotice);
    const QString why = lines.join(QLatin1Char('\n'));
    // Qt shows a tooltip that looks like markup as markup: the text goes in escaped, as rich text
    // of its own with its lines kept as they are.
    m_label->setToolTip(why.isEmpty() ? QString()
                                      : Qt::convertFromPlainText(why, Qt::WhiteSpacePre));
    m_label->setAccessibleDescription(why);
}

} // namespace torven
