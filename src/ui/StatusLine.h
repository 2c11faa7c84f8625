#pragma once

#include <QString>
#include <QStringList>

class QLabel;

namespace torven {

// What the status line Label7 says: a word on the connection as its text, and why as its tooltip
// and accessible description: the latest reason (a failed command, a lost device, a line error),
// then the standing remarks, newest first, then why settings files of other users are not used.
class StatusLine {
public:
    explicit StatusLine(QLabel* label);

    void setText(const QString& text);
    // The latest reason; empty for none.
    void setReason(const QString& reason);
    // A standing remark (a service that could not start, say), shown after the latest reason.
    void addRemark(const QString& remark);
    void setDistrustNotice(const QString& notice);

private:
    void showWhy();

    QLabel* m_label;
    QString m_reason;
    QStringList m_remarks; // newest first
    QString m_distrustNotice;
};

} // namespace torven
