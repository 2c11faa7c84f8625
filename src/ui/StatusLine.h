#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

class QLabel;

namespace torven {

// The status line Label7, and its only writer. Its text is the connection's word ("Ошибка!"), or
// while that is empty the target's words ("→ 245°"); the hand cursor shows while the target's
// words can be clicked away. Its tooltip and accessible description say the latest reason (a
// failed command, a lost device, a line error), the target's line, the standing remarks (newest
// first), then why settings files of other users are not used. Everything in them is plain text:
// lock files, device descriptions and the system's words come from outside and never style it.
class StatusLine : public QObject {
    Q_OBJECT

public:
    explicit StatusLine(QLabel* label, QObject* parent = nullptr);

    // The connection's word: "Ошибка!", or empty when it has nothing to say.
    void setConnectionWord(const QString& word);
    // The target's words: its text for the line and its line for the tooltip; both empty when no
    // target is shown.
    void setTargetWords(const QString& text, const QString& toolTipLine);
    // The latest reason; empty for none.
    void setReason(const QString& reason);
    // A standing remark (a service that could not start, say), shown after the latest reason.
    void addRemark(const QString& remark);
    void setDistrustNotice(const QString& notice);

    // Whether the line shows the target's words now.
    bool showsTarget() const { return m_connectionWord.isEmpty() && !m_targetText.isEmpty(); }

signals:
    // The operator clicked the line; `onTarget` says whether it showed the target's words.
    void clicked(bool onTarget);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void showText();
    void showWhy();

    QLabel* m_label;
    QString m_connectionWord;
    QString m_targetText;
    QString m_targetLine;
    QString m_reason;
    QStringList m_remarks; // newest first
    QString m_distrustNotice;
};

} // namespace torven
