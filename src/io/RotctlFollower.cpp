#include "RotctlFollower.h"

#include "Utf8.h"

#include <QByteArray>
#include <QSignalBlocker>
#include <QTcpSocket>
#include <QTimer>

namespace torven {

Q_LOGGING_CATEGORY(lcFollow, "torven.follow", QtWarningMsg)

namespace {

// What is read at once, and all the socket keeps unread: an answer is a few dozen bytes.
constexpr qint64 kReadPiece = 4096;

FollowFault::Kind faultOf(QAbstractSocket::SocketError error) {
    switch (error) {
    case QAbstractSocket::ConnectionRefusedError:
        return FollowFault::Kind::Refused;
    case QAbstractSocket::HostNotFoundError:
        return FollowFault::Kind::HostNotFound;
    case QAbstractSocket::NetworkError:
    case QAbstractSocket::SocketTimeoutError:
        return FollowFault::Kind::NoConnection;
    case QAbstractSocket::RemoteHostClosedError:
        return FollowFault::Kind::Closed;
    default:
        return FollowFault::Kind::Other;
    }
}

QByteArray bytesOf(const std::string& text) {
    return QByteArray(text.data(), static_cast<qsizetype>(text.size()));
}

} // namespace

RotctlFollower::RotctlFollower(RemoteAddress address, QObject* parent)
    : QObject(parent), m_address(std::move(address)),
      m_shownAddress(toQString(remoteAddressText(m_address))), m_socket(new QTcpSocket(this)),
      m_poll(new QTimer(this)), m_deadline(new QTimer(this)), m_retry(new QTimer(this)) {
    m_socket->setReadBufferSize(kReadPiece);
    m_poll->setInterval(kFollowPollInterval);
    m_poll->setTimerType(Qt::PreciseTimer);
    m_deadline->setSingleShot(true);
    m_deadline->setInterval(kFollowAnswerLimit);
    m_retry->setSingleShot(true);
    m_retry->setInterval(kFollowRetryInterval);

    connect(m_socket, &QTcpSocket::connected, this, [this] {
        qCDebug(lcFollow).noquote() << "connected to" << m_shownAddress;
        m_socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
        m_poll->start();
        ask();
    });
    connect(m_socket, &QTcpSocket::readyRead, this, &RotctlFollower::readAnswer);
    connect(m_socket, &QTcpSocket::errorOccurred, this, &RotctlFollower::failOnSocketError);
    connect(m_socket, &QTcpSocket::disconnected, this, [this] {
        if (m_following)
            fail(FollowFault::Kind::Closed);
    });
    connect(m_poll, &QTimer::timeout, this, [this] {
        if (!m_asked)
            ask();
    });
    connect(m_deadline, &QTimer::timeout, this, [this] {
        fail(m_socket->state() == QAbstractSocket::ConnectedState
                 ? FollowFault::Kind::NoAnswer
                 : FollowFault::Kind::NoConnection);
    });
    connect(m_retry, &QTimer::timeout, this, &RotctlFollower::attempt);
}

RotctlFollower::~RotctlFollower() {
    // Closing the socket must not call back into a half-destroyed follower.
    m_socket->disconnect(this);
}

void RotctlFollower::start() {
    if (m_following)
        return;
    m_following = true;
    m_lastLogged.clear();
    qCDebug(lcFollow).noquote() << "following" << m_shownAddress;
    attempt();
}

void RotctlFollower::stop() {
    if (!m_following)
        return;
    m_following = false;
    m_poll->stop();
    m_deadline->stop();
    m_retry->stop();
    m_asked = false;
    m_reader.clear();
    qCDebug(lcFollow).noquote() << "no longer following" << m_shownAddress;
    if (m_socket->state() == QAbstractSocket::ConnectedState) {
        // Said politely, then closed once it is written; nothing more is read.
        m_socket->write("q\n");
        const QSignalBlocker quiet(m_socket);
        m_socket->disconnectFromHost();
    } else {
        closeSocket();
    }
}

void RotctlFollower::attempt() {
    closeSocket();
    m_reader.clear();
    m_asked = false;
    m_deadline->start();
    m_socket->connectToHost(toQString(m_address.host), static_cast<quint16>(m_address.port));
}

void RotctlFollower::ask() {
    m_reader.clear();
    m_asked = true;
    m_unasked = 0;
    m_deadline->start();
    m_socket->write("p\n");
}

void RotctlFollower::readAnswer() {
    char piece[kReadPiece];
    for (;;) {
        const qint64 size = m_socket->read(piece, kReadPiece);
        if (size <= 0 || !m_following)
            return;
        if (!m_asked) {
            // Not asked for: dropped, and a far end that keeps sending is no rotctld.
            m_unasked += size;
            if (m_unasked > static_cast<qint64>(PositionAnswerReader::kMaxLineLength)) {
                fail(FollowFault::Kind::Unasked);
                return;
            }
            continue;
        }
        const auto step = m_reader.take(std::string_view(piece, static_cast<std::size_t>(size)));
        if (step.kind == PositionAnswerReader::Step::Kind::Overlong) {
            fail(FollowFault::Kind::Overlong);
            return;
        }
        if (step.kind != PositionAnswerReader::Step::Kind::Answered)
            continue;
        m_asked = false;
        m_deadline->stop();
        const PositionAnswer& answer = step.answer;
        const QString logged = QString::fromUtf8(bytesOf(answer.firstLine));
        if (logged != m_lastLogged) {
            m_lastLogged = logged;
            qCDebug(lcFollow).nospace().noquote()
                << m_shownAddress << " answers " << QDebug::toString(bytesOf(answer.firstLine));
        }
        if (answer.azimuth)
            emit azimuthReceived(*answer.azimuth);
        else
            emit azimuthMissing(toQString(noAzimuthText(m_address, answer.firstLine)));
    }
}

void RotctlFollower::failOnSocketError() {
    if (m_following)
        fail(faultOf(m_socket->error()), m_socket->errorString());
}

void RotctlFollower::fail(FollowFault::Kind kind, const QString& systemWords) {
    closeSocket();
    m_poll->stop();
    m_deadline->stop();
    m_asked = false;
    m_reader.clear();
    const QString reason =
        toQString(followFaultText({kind, m_address, systemWords.toUtf8().toStdString()}));
    // Every failed attempt is said to the window; the log says each new reason once.
    if (reason != m_lastLogged) {
        m_lastLogged = reason;
        qCDebug(lcFollow).noquote() << "failed:" << reason;
    }
    m_retry->start();
    emit failed(reason);
}

void RotctlFollower::closeSocket() {
    // No signal of the closing socket reaches the follower: it is closed on purpose.
    const QSignalBlocker quiet(m_socket);
    m_socket->abort();
}

} // namespace torven
