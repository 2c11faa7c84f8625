#include "RotatorService.h"

#include "Logging.h"
#include "ServiceNotices.h"
#include "Utf8.h"

#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include <algorithm>
#include <vector>

#ifdef Q_OS_WIN
#include <winsock2.h>
#else
#include <cerrno>
#include <sys/socket.h>
#endif

namespace torven {

namespace {

// Commands are taken this many bytes at a time, one piece of each client a turn, so that the
// answers to one piece are all that can pass the backlog limit.
constexpr qint64 kCommandPiece = RotctlSession::kMaxLineLength;

ListenFault listenFault(QAbstractSocket::SocketError error) {
    switch (error) {
    case QAbstractSocket::AddressInUseError:
        return ListenFault::AddressInUse;
    case QAbstractSocket::SocketAddressNotAvailableError:
        return ListenFault::AddressNotHere;
    case QAbstractSocket::SocketAccessError:
        return ListenFault::NoPermission;
    default:
        return ListenFault::Other;
    }
}

QString listenFailure(const QTcpServer& server, const QHostAddress& address, quint16 port) {
    return toQString(listenFailureText(listenFault(server.serverError()), port,
                                       address.toString().toStdString(),
                                       server.errorString().toStdString()));
}

// "ADDRESS:PORT" of a client, as the log names it.
QString peerOf(const QTcpSocket* socket) {
    return socket->peerAddress().toString() + QLatin1Char(':') +
           QString::number(socket->peerPort());
}

// What the system holds of a client's input that its socket has not read yet, looked at without
// taking any of it.
enum class PeerInput { None, Some, Ended };

PeerInput peerInput(const QTcpSocket& socket) {
    const qintptr descriptor = socket.socketDescriptor();
    if (descriptor == -1)
        return PeerInput::Ended;
    char byte = 0;
#ifdef Q_OS_WIN
    // The socket does not block: Qt made it so.
    const int n = ::recv(static_cast<SOCKET>(descriptor), &byte, 1, MSG_PEEK);
    const bool nothingYet = n < 0 && ::WSAGetLastError() == WSAEWOULDBLOCK;
#else
    const auto n = ::recv(static_cast<int>(descriptor), &byte, 1, MSG_PEEK | MSG_DONTWAIT);
    const bool nothingYet = n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR);
#endif
    if (nothingYet)
        return PeerInput::None;
    return n > 0 ? PeerInput::Some : PeerInput::Ended;
}

} // namespace

RotatorService::RotatorService(QObject* parent)
    : QObject(parent), m_server(new QTcpServer(this)), m_drainCheck(new QTimer(this)) {
    connect(m_server, &QTcpServer::newConnection, this, &RotatorService::acceptClients);
    m_drainCheck->setSingleShot(true);
    connect(m_drainCheck, &QTimer::timeout, this, &RotatorService::dropStalled);
}

RotatorService::~RotatorService() {
    // The sockets are children of the server; stop hearing from them before they go.
    for (auto& [socket, client] : m_clients)
        socket->disconnect(this);
}

bool RotatorService::listen(const QHostAddress& address, quint16 port) {
    m_server->close();
    if (m_server->listen(address, port)) {
        qCInfo(lcRotctld).noquote()
            << "listening on" << address.toString() << "port" << serverPort();
        m_failureReason.clear();
        return true;
    }
    m_failureReason = listenFailure(*m_server, address, port);
    qCInfo(lcRotctld) << "not listening:" << m_failureReason;
    return false;
}

bool RotatorService::isListening() const {
    return m_server->isListening();
}

quint16 RotatorService::serverPort() const {
    return m_server->serverPort();
}

QString RotatorService::networkNotice() const {
    const QHostAddress address = m_server->serverAddress();
    if (!isListening() || address.isLoopback())
        return {};
    // Every address of both families is written as IPv6 writes it.
    const QString where = address.protocol() == QAbstractSocket::AnyIPProtocol
                              ? QStringLiteral("::")
                              : address.toString();
    return toQString(servedOnNetworkNotice(where.toStdString(), serverPort()));
}

int RotatorService::clientCount() const {
    return static_cast<int>(std::count_if(m_clients.begin(), m_clients.end(),
                                          [](const auto& entry) { return !entry.second.leaving; }));
}

void RotatorService::setName(const QString& name) {
    m_state.info =
        name.isEmpty() ? std::string("torven") : (QStringLiteral("torven — ") + name).toStdString();
}

void RotatorService::setBearing(std::optional<int> bearing) {
    m_state.azimuth = bearing;
}

void RotatorService::setUnavailable() {
    m_state.azimuth.reset();
}

bool RotatorService::logsAbout(const QString& host, QtMsgType level) const {
    return lcRotctld().isEnabled(level) && mayLogAbout(lcRotctld(), host);
}

void RotatorService::acceptClients() {
    while (QTcpSocket* socket = m_server->nextPendingConnection()) {
        const QString host = socket->peerAddress().toString();
        if (clientCount() >= kMaxClients && !makeRoom()) {
            if (logsAbout(host, QtInfoMsg))
                qCInfo(lcRotctld).noquote() << "client" << peerOf(socket) << "turned away: all"
                                            << kMaxClients << "places taken";
            socket->abort();
            socket->deleteLater();
            continue;
        }
        const auto now = Clock::now();
        m_clients.emplace(socket, Client{RotctlSession(), now, now, peerOf(socket), host});
        if (logsAbout(host, QtInfoMsg))
            qCInfo(lcRotctld).noquote()
                << "client" << peerOf(socket) << "connected;" << clientCount() << "now";
        // Commands beyond this wait in the system, and the client's sending with them.
        socket->setReadBufferSize(kMaxUnanswered);
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { receive(socket); });
        connect(socket, &QTcpSocket::bytesWritten, this, [this, socket] { drained(socket); });
        connect(socket, &QTcpSocket::disconnected, this, [this, socket] { forget(socket); });
        // Commands that arrived with the connection are already waiting.
        if (socket->bytesAvailable() > 0)
            receive(socket);
    }
}

bool RotatorService::makeRoom() {
    // A client whose input has ended and whose commands are all answered needs no place, even
    // before the service has seen it go.
    std::vector<QTcpSocket*> gone;
    for (auto& [socket, client] : m_clients) {
        if (!client.leaving && unanswered(*socket, client) == 0 &&
            peerInput(*socket) == PeerInput::Ended)
            gone.push_back(socket);
    }
    for (QTcpSocket* socket : gone) {
        const auto it = m_clients.find(socket);
        if (it != m_clients.end())
            leave(socket, it->second);
    }
    if (clientCount() < kMaxClients)
        return true;

    const auto longest =
        std::min_element(m_clients.begin(), m_clients.end(), [](const auto& a, const auto& b) {
            // Those leaving hold no place: they come last.
            return std::pair(a.second.leaving, a.second.lastHeard) <
                   std::pair(b.second.leaving, b.second.lastHeard);
        });
    if (longest == m_clients.end() || longest->second.leaving ||
        Clock::now() - longest->second.lastHeard < m_silenceLimit)
        return false;
    drop(longest->first, "closed to make room: silent longest");
    return true;
}

void RotatorService::receive(QTcpSocket* socket) {
    const auto it = m_clients.find(socket);
    if (it == m_clients.end())
        return;
    holdBackTheEnd(socket, it->second);
    it->second.due = true;
    scheduleTurn();
}

void RotatorService::drained(QTcpSocket* socket) {
    const auto it = m_clients.find(socket);
    if (it == m_clients.end())
        return;
    Client& client = it->second;
    client.drainedAt = Clock::now();
    if (client.leaving)
        return;
    // Once all answers have gone the socket may read on; answers that drained make room to
    // answer the commands that waited.
    holdBackTheEnd(socket, client);
    if (socket->bytesToWrite() <= kMaxBacklog && unanswered(*socket, client) > 0) {
        client.due = true;
        scheduleTurn();
    }
}

void RotatorService::scheduleTurn() {
    if (m_turnQueued)
        return;
    m_turnQueued = true;
    QMetaObject::invokeMethod(this, &RotatorService::serveTurn, Qt::QueuedConnection);
}

void RotatorService::serveTurn() {
    m_turnQueued = false;
    std::vector<QTcpSocket*> due;
    for (auto& [socket, client] : m_clients) {
        if (client.due)
            due.push_back(socket);
    }
    for (QTcpSocket* socket : due)
        servePiece(socket);
    // Whatever is left waits for the next turn, after the events that came meanwhile.
    if (std::any_of(m_clients.begin(), m_clients.end(),
                    [](const auto& entry) { return entry.second.due; }))
        scheduleTurn();
}

void RotatorService::servePiece(QTcpSocket* socket) {
    auto it = m_clients.find(socket);
    if (it == m_clients.end())
        return;
    it->second.due = false;
    if (it->second.leaving || socket->state() != QAbstractSocket::ConnectedState)
        return;
    if (socket->bytesToWrite() > kMaxBacklog) {
        // Taken up again as the answers drain.
        watchDraining(socket, it->second);
        return;
    }

    Client& client = it->second;
    const qint64 piece = std::min(kCommandPiece, unanswered(*socket, client));
    if (piece > 0) {
        if (client.keepsAnsweredByte)
            socket->skip(1);
        // The last byte the socket holds stays there, answered, until the answers have gone.
        const bool last = piece == socket->bytesAvailable();
        QByteArray bytes = socket->read(last ? piece - 1 : piece);
        if (last)
            bytes += socket->peek(1);
        client.keepsAnsweredByte = last;
        if (socket->bytesToWrite() == 0)
            client.drainedAt = Clock::now();
        answer(socket, client, bytes);
        it = m_clients.find(socket);
        if (it == m_clients.end() || it->second.leaving)
            return;
        // The answers go to the system now rather than at the next turn.
        socket->flush();
        // Flushing reports a failed write, and the client may be gone.
        it = m_clients.find(socket);
        if (it == m_clients.end())
            return;
    }
    holdBackTheEnd(socket, it->second);
    it->second.due = unanswered(*socket, it->second) > 0 && socket->bytesToWrite() <= kMaxBacklog;
    watchDraining(socket, it->second);
}

void RotatorService::answer(QTcpSocket* socket, Client& client, const QByteArray& bytes) {
    const RotctlSession::Output out =
        client.session.receive(std::string_view(bytes.constData(), bytes.size()), m_state);
    if (!out.reply.empty()) {
        // Only a command answered is a sign of life: blank lines are none.
        client.lastHeard = Clock::now();
        socket->write(out.reply.data(), static_cast<qint64>(out.reply.size()));
    }
    for (const RotctlSession::Refusal& refusal : out.refusals) {
        if (logsAbout(client.host))
            qCDebug(lcRotctld) << "client" << qUtf8Printable(client.peer) << "sent"
                               << QByteArray::fromStdString(refusal.line) << "answered"
                               << QByteArray::fromStdString(refusal.reply);
    }
    // Held by value: a receiver of the signals may end the client.
    const QString peer = client.peer;
    const QString host = client.host;
    for (const TargetRequest& target : out.targets) {
        if (logsAbout(host))
            qCDebug(lcRotctld).noquote()
                << "client" << peer << "target:"
                << (target.azimuth ? QString::number(*target.azimuth) : QStringLiteral("cleared"));
        if (target.azimuth)
            emit targetSet(*target.azimuth);
        else
            emit targetCleared();
    }
    const auto it = m_clients.find(socket);
    if (out.close && it != m_clients.end())
        leave(socket, it->second);
}

// The socket closes the connection as soon as it reads the end of the client's input, and
// whatever waits for the client is lost then: its answers and the commands it sent before. It
// reads from the system only while its buffer has room, so the room is kept at what the buffer
// holds while anything waits. That needs a byte in the buffer: the last one taken stays there,
// answered, until the answers have gone to the system.
void RotatorService::holdBackTheEnd(QTcpSocket* socket, Client& client) {
    if (client.keepsAnsweredByte && socket->bytesAvailable() == 1 && socket->bytesToWrite() == 0) {
        socket->skip(1);
        client.keepsAnsweredByte = false;
    }
    const qint64 held = socket->bytesAvailable();
    socket->setReadBufferSize(held > 0 ? held : kMaxUnanswered);
}

qint64 RotatorService::unanswered(const QTcpSocket& socket, const Client& client) {
    return socket.bytesAvailable() - (client.keepsAnsweredByte ? 1 : 0);
}

bool RotatorService::asksMore(const QTcpSocket& socket, const Client& client) {
    return client.leaving || unanswered(socket, client) > 0 || peerInput(socket) != PeerInput::None;
}

void RotatorService::watchDraining(QTcpSocket* socket, const Client& client) {
    if (!m_drainCheck->isActive() && socket->bytesToWrite() > 0 && asksMore(*socket, client))
        m_drainCheck->start(m_drainLimit);
}

void RotatorService::dropStalled() {
    std::vector<QTcpSocket*> waiting;
    for (auto& [socket, client] : m_clients) {
        if (socket->bytesToWrite() > 0 && asksMore(*socket, client))
            waiting.push_back(socket);
    }
    const auto now = Clock::now();
    std::optional<Clock::duration> next;
    for (QTcpSocket* socket : waiting) {
        // Answers the system takes now count as drained: a busy turn is no stall.
        socket->flush();
        const auto it = m_clients.find(socket);
        if (it == m_clients.end())
            continue;
        const auto quiet = now - it->second.drainedAt;
        if (quiet >= m_drainLimit) {
            drop(socket, "dropped: it takes no answers");
            continue;
        }
        const Clock::duration left = m_drainLimit - quiet;
        next = next ? std::min(*next, left) : left;
    }
    if (next)
        m_drainCheck->start(std::chrono::ceil<std::chrono::milliseconds>(*next));
}

void RotatorService::leave(QTcpSocket* socket, Client& client) {
    client.leaving = true;
    client.due = false;
    watchDraining(socket, client);
    // The socket reads no more, sends the answers that wait, then closes; at once when none
    // wait, and the client is forgotten then.
    socket->disconnectFromHost();
}

void RotatorService::drop(QTcpSocket* socket, const char* why) {
    const auto it = m_clients.find(socket);
    if (it == m_clients.end())
        return;
    if (logsAbout(it->second.host, QtInfoMsg))
        qCInfo(lcRotctld).noquote() << "client" << it->second.peer << why;
    m_clients.erase(it);
    socket->disconnect(this);
    socket->abort();
    socket->deleteLater();
}

void RotatorService::forget(QTcpSocket* socket) {
    const auto it = m_clients.find(socket);
    if (it == m_clients.end())
        return;
    // The socket forgets its peer as it closes: the address is the one kept since it connected.
    const QString peer = it->second.peer;
    const QString host = it->second.host;
    m_clients.erase(it);
    if (logsAbout(host, QtInfoMsg))
        qCInfo(lcRotctld).noquote() << "client" << peer << "left;" << clientCount() << "now";
    socket->deleteLater();
}

} // namespace torven
