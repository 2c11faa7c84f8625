#include "StatusLine.h"

#include <QLabel>

namespace torven {

StatusLine::StatusLine(QLabel* label) : m_label(label) {
    m_label->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
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

void StatusLine::setTargetLine(const QString& line) {
    m_targetLine = line;
    showWhy();
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
    m_label->setToolTip(why);
    m_label->setAccessibleDescription(why);
}

} // namespace torven
