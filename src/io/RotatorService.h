#pragma once

#include "RotctlProtocol.h"

#include <QHostAddress>
#include <QObject>
#include <QString>

#include <chrono>
#include <map>
#include <optional>

class QTcpServer;
class QTcpSocket;

namespace torven {

// Serves the bearing, read-only, to rotctld clients (trackers, loggers, Hamlib's NET rotctl) over
// TCP; when asked to, it takes their targets for the operator (targetSet, targetCleared) and
// never moves anything. It lives on the user-interface thread's event loop: no thread and no timer,
// and nothing at all happens while no client is connected.
//
// Defences: at most kMaxClients at once. When all places are taken, a newcomer takes the place of
// the client that has been silent longest, if it has sent nothing for kSilenceLimit; otherwise
// the newcomer is closed as soon as it is accepted. While more than kMaxBacklog bytes of a
// client's answers wait unsent, its further commands wait unanswered, and they are answered as
// the answers drain; at most kMaxUnanswered bytes of commands wait in torven, the rest in the
// system. A client whose waiting commands fill that room while its answers do not drain (it does
// not read) is dropped.
class RotatorService : public QObject {
    Q_OBJECT

public:
    static constexpr quint16 kDefaultPort = 4533;
    static constexpr int kMaxClients = 8;
    static constexpr qint64 kMaxBacklog = 64 * 1024;
    static constexpr qint64 kMaxUnanswered = 256 * 1024;
    static constexpr std::chrono::milliseconds kSilenceLimit{30'000};

    explicit RotatorService(QObject* parent = nullptr);
    ~RotatorService() override;

    // Starts listening. On failure (the port is taken, the address is not this computer's, no
    // permission) returns false, keeps the reason for failureReason() and emits listenFailed.
    bool listen(const QHostAddress& address = QHostAddress(QHostAddress::LocalHost),
                quint16 port = kDefaultPort);
    bool isListening() const;
    // The port actually listened on (the one chosen by the system when listen() was given 0).
    quint16 serverPort() const;
    // "Азимут доступен в сети: ADDRESS:PORT" while listening on more than the loopback; empty
    // otherwise.
    QString networkNotice() const;
    // Why the last listen() failed, in Russian, with the system's own words in brackets; empty
    // after a successful one.
    QString failureReason() const { return m_failureReason; }
    int clientCount() const { return static_cast<int>(m_clients.size()); }

    // What get_info answers: "torven", or "torven — NAME" for a named copy.
    void setName(const QString& name);
    // How long a client must have sent nothing before a newcomer may take its place
    // (kSilenceLimit unless set).
    void setSilenceLimit(std::chrono::milliseconds limit) { m_silenceLimit = limit; }
    // Whether set_pos and stop are taken as targets (off unless set): without, they are refused
    // as unavailable.
    void setTakesTargets(bool takes) { m_state.takesTargets = takes; }

public slots:
    // The bearing to serve (a decoded reading's liveBearing); empty is answered as no position.
    void setBearing(std::optional<int> bearing);
    // No live bearing: the port is closed, the device was lost, or no reading since the open.
    void setUnavailable();

signals:
    void listenFailed(const QString& reason);
    // A client asked for the antenna to point at `azimuth` (0 to 360 degrees, a true bearing).
    void targetSet(double azimuth);
    // A client asked to stop: there is no target any more.
    void targetCleared();

private:
    using Clock = std::chrono::steady_clock;
    struct Client {
        RotctlSession session;
        Clock::time_point lastHeard; // when it last sent something, or connected
        QString peer;                // "ADDRESS:PORT", for the log
    };

    void acceptClients();
    // Makes room for a newcomer by closing the longest-silent client, if it is silent enough.
    bool closeLongestSilent();
    void receive(QTcpSocket* client);
    void serve(QTcpSocket* client);
    void forget(QTcpSocket* client);

    QTcpServer* m_server;
    RotctlState m_state;
    std::map<QTcpSocket*, Client> m_clients;
    std::chrono::milliseconds m_silenceLimit = kSilenceLimit;
    QString m_failureReason;
};

} // namespace torven
