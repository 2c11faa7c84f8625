#pragma once

#include <QString>
#include <QStringList>

class QLabel;

namespace torven {

// What the status line Label7 says as its tooltip and accessible description: the latest reason
// (a failed command, a lost device, a line error), the target a client set, the standing remarks,
// newest first, then why settings files of other users are not used.
class StatusLine {
public:
    explicit StatusLine(QLabel* label);

    // The latest reason; empty for none.
    void setReason(const QString& reason);
    // A standing remark (a service that could not start, say), shown after the latest reason.
    void addRemark(const QString& remark);
    void setDistrustNotice(const QString& notice);
    // What the tooltip says of the target on show; empty for none.
    void setTargetLine(const QString& line);

private:
    void showWhy();

    QLabel* m_label;
    QString m_reason;
    QString m_targetLine;
    QStringList m_remarks; // newest first
    QString m_distrustNotice;
};

} // namespace torven
