#pragma once

#include "Following.h"

#include <QLoggingCategory>
#include <QObject>
#include <QString>

class QTcpSocket;
class QTimer;

namespace torven {

// torven.follow: following a remote rotctld (connections, answers that change, failures).
Q_DECLARE_LOGGING_CATEGORY(lcFollow)

// Follows the position a remote rotctld serves: while on, it asks for it ("p") every
// kFollowPollInterval, one question at a time, and says what each whole answer held. A far end
// that cannot be reached, drops the connection, answers nothing whole within kFollowAnswerLimit or
// sends a line longer than any answer is closed and tried again every kFollowRetryInterval, until
// stop(): the far end restarting is the normal case, and following resumes by itself.
//
// It asks for nothing else and so never moves a rotator; on stop it says "q". Its timers run only
// while it follows. A far end's text is kept only up to one line of an answer; what arrives while
// no question is outstanding is dropped, and more than a line of it closes the connection too.
class RotctlFollower : public QObject {
    Q_OBJECT

public:
    explicit RotctlFollower(RemoteAddress address, QObject* parent = nullptr);
    ~RotctlFollower() override;

    const RemoteAddress& address() const { return m_address; }
    bool isFollowing() const { return m_following; }

    // Connects and follows from now on; nothing if following already.
    void start();
    // Stops following and closes the connection.
    void stop();

signals:
    // A whole answer that holds an azimuth, in degrees (−360 to 720), as the far end said it.
    void azimuthReceived(double azimuth);
    // A whole answer without one; `reason` says what the far end answered, in Russian.
    void azimuthMissing(const QString& reason);
    // The far end cannot be reached or does not answer; `reason` says why, in Russian, with the
    // system's words. Another attempt follows after kFollowRetryInterval.
    void failed(const QString& reason);

private:
    void attempt();
    void ask();
    void readAnswer();
    void fail(FollowFault::Kind kind, const QString& systemWords = {});
    void failOnSocketError();
    void closeSocket();

    RemoteAddress m_address;
    QString m_shownAddress; // "HOST:PORT", for the log
    QTcpSocket* m_socket;
    QTimer* m_poll;     // while connected: the next question
    QTimer* m_deadline; // while a connection or an answer is awaited
    QTimer* m_retry;    // after a failure: the next attempt
    PositionAnswerReader m_reader;
    bool m_following = false;
    bool m_asked = false; // a question is outstanding
    qint64 m_unasked = 0; // bytes that came since the latest answer
    QString m_lastLogged; // the last answer or failure logged, so that a repeat is not
};

} // namespace torven
