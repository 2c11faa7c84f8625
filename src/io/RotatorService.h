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
class QTimer;

namespace torven {

// Serves the bearing, read-only, to rotctld clients (trackers, loggers, Hamlib's NET rotctl) over
// TCP; when asked to, it takes their targets for the operator (targetSet, targetCleared) and
// never moves anything. It lives on the user-interface thread's event loop, with no thread;
// nothing at all happens while no client asks anything.
//
// Work is shared out in turns: each turn of the event loop answers at most one piece of
// commands (kMaxLineLength bytes) of each client, so that the serial line, the window and the
// other clients are served between any two pieces of a client's burst.
//
// Defences: at most kMaxClients hold a place at once. A client whose input has ended (it closed
// the connection or its sending side) and whose commands are all answered holds none. When all
// places are taken, a newcomer takes the place of the client that has gone longest without a
// command answered, if that is kSilenceLimit or more; otherwise the newcomer is closed as soon as
// it is accepted. While more than kMaxBacklog bytes of a client's answers wait unsent, its
// further commands wait unanswered, and they are answered as the answers drain; at most
// kMaxUnanswered bytes of commands wait in torven, the rest in the system. A client whose answers
// wait while it asks for more (or has ended its input), and that takes none of them for
// kDrainLimit, is dropped; a timer runs only while such a client is there.
//
// The end of a client's input is read only once nothing waits for it: a client that sends a batch
// and closes its sending side gets every answer before the connection closes.
class RotatorService : public QObject {
    Q_OBJECT

public:
    static constexpr quint16 kDefaultPort = 4533;
    static constexpr int kMaxClients = 32;
    static constexpr qint64 kMaxBacklog = 64 * 1024;
    static constexpr qint64 kMaxUnanswered = 256 * 1024;
    static constexpr std::chrono::milliseconds kSilenceLimit{30'000};
    static constexpr std::chrono::milliseconds kDrainLimit{10'000};

    explicit RotatorService(QObject* parent = nullptr);
    ~RotatorService() override;

    // Starts listening. On failure (the port is taken, the address is not this computer's, no
    // permission) returns false and keeps the reason for failureReason().
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
    // The clients holding a place.
    int clientCount() const;

    // What get_info answers: "torven", or "torven — NAME" for a named copy.
    void setName(const QString& name);
    // How long a client must have had no command answered before a newcomer may take its place
    // (kSilenceLimit unless set).
    void setSilenceLimit(std::chrono::milliseconds limit) { m_silenceLimit = limit; }
    // How long a client whose answers wait may take none of them (kDrainLimit unless set).
    void setDrainLimit(std::chrono::milliseconds limit) { m_drainLimit = limit; }
    // Whether set_pos and stop are taken as targets (off unless set): without, they are refused
    // as unavailable.
    void setTakesTargets(bool takes) { m_state.takesTargets = takes; }

public slots:
    // The bearing to serve (a decoded reading's liveBearing); empty is answered as no position.
    void setBearing(std::optional<int> bearing);
    // No live bearing: the port is closed, the device was lost, or no reading since the open.
    void setUnavailable();

signals:
    // A client asked for the antenna to point at `azimuth` (0 to 360 degrees, a true bearing).
    void targetSet(double azimuth);
    // A client asked to stop: there is no target any more.
    void targetCleared();

private:
    using Clock = std::chrono::steady_clock;
    struct Client {
        RotctlSession session;
        Clock::time_point lastHeard; // when a command of it was last answered, or it connected
        Clock::time_point drainedAt; // when its answers last drained, or began to wait
        QString peer;                // "ADDRESS:PORT", for the log
        QString host;                // ADDRESS: one source of log lines however often it comes
        // The socket still holds the last byte taken, already answered: kept there, a byte in
        // the socket's buffer keeps it from reading on (see holdBackTheEnd).
        bool keepsAnsweredByte = false;
        bool due = false;     // it has commands for the next turn
        bool leaving = false; // its input has ended or it asked to quit: it holds no place
    };

    void acceptClients();
    // Frees a place for a newcomer: those of clients that have gone, else that of the client
    // silent longest, if it is silent enough. Returns whether a place is free.
    bool makeRoom();
    void receive(QTcpSocket* socket);
    void drained(QTcpSocket* socket);
    void scheduleTurn();
    void serveTurn();
    void servePiece(QTcpSocket* socket);
    void answer(QTcpSocket* socket, Client& client, const QByteArray& bytes);
    void holdBackTheEnd(QTcpSocket* socket, Client& client);
    // The bytes of commands the socket holds that are not answered yet.
    static qint64 unanswered(const QTcpSocket& socket, const Client& client);
    // Whether the client, whose answers wait, has more to ask or has ended its input.
    static bool asksMore(const QTcpSocket& socket, const Client& client);
    void watchDraining(QTcpSocket* socket, const Client& client);
    void dropStalled();
    void leave(QTcpSocket* socket, Client& client);
    void drop(QTcpSocket* socket, const char* why);
    void forget(QTcpSocket* socket);
    bool logsAbout(const QString& host, QtMsgType level = QtDebugMsg) const;

    QTcpServer* m_server;
    QTimer* m_drainCheck;
    RotctlState m_state;
    std::map<QTcpSocket*, Client> m_clients;
    std::chrono::milliseconds m_silenceLimit = kSilenceLimit;
    std::chrono::milliseconds m_drainLimit = kDrainLimit;
    bool m_turnQueued = false;
    QString m_failureReason;
};

} // namespace torven
