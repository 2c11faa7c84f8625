#include "RotatorService.h"

#include "Logging.h"
#include "ServiceNotices.h"

#include <QTcpServer>
#include <QTcpSocket>

#include <algorithm>

namespace torven {

namespace {

// Commands are taken this many bytes at a time, so that the answers to one piece are all that can
// pass the backlog limit.
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
    return QString::fromStdString(listenFailureText(listenFault(server.serverError()), port,
                                                    address.toString().toStdString(),
                                                    server.errorString().toStdString()));
}

// "ADDRESS:PORT" of a client, as the log names it.
QString peerOf(const QTcpSocket* client) {
    return client->peerAddress().toString() + QLatin1Char(':') +
           QString::number(client->peerPort());
}

} // namespace

RotatorService::RotatorService(QObject* parent) : QObject(parent), m_server(new QTcpServer(this)) {
    connect(m_server, &QTcpServer::newConnection, this, &RotatorService::acceptClients);
}

RotatorService::~RotatorService() {
    // The sockets are children of the server; stop hearing from them before they go.
    for (auto& [client, session] : m_clients)
        client->disconnect(this);
}

bool RotatorService::listen(const QHostAddress& address, quint16 port) {
    m_server->close();
    if (m_server->listen(address, port)) {
        qCDebug(lcRotctld).noquote()
            << "listening on" << address.toString() << "port" << serverPort();
        m_failureReason.clear();
        return true;
    }
    m_failureReason = listenFailure(*m_server, address, port);
    qCDebug(lcRotctld).noquote() << "not listening:" << m_failureReason;
    emit listenFailed(m_failureReason);
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
    return QString::fromStdString(servedOnNetworkNotice(where.toStdString(), serverPort()));
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

void RotatorService::acceptClients() {
    while (QTcpSocket* client = m_server->nextPendingConnection()) {
        if (clientCount() >= kMaxClients && !closeLongestSilent()) {
            qCDebug(lcRotctld).noquote() << "client" << peerOf(client) << "turned away: all"
                                         << kMaxClients << "places taken";
            client->abort();
            client->deleteLater();
            continue;
        }
        m_clients.emplace(client, Client{RotctlSession(), Clock::now(), peerOf(client)});
        qCDebug(lcRotctld).noquote()
            << "client" << peerOf(client) << "connected;" << clientCount() << "now";
        // Commands beyond this wait in the system, and the client's sending with them.
        client->setReadBufferSize(kMaxUnanswered);
        connect(client, &QTcpSocket::readyRead, this, [this, client] { receive(client); });
        // Queued, since flush() in serve() reports what it wrote at once: answers that drained
        // make room to answer the commands that waited.
        connect(
            client, &QTcpSocket::bytesWritten, this, [this, client] { serve(client); },
            Qt::QueuedConnection);
        connect(client, &QTcpSocket::disconnected, this, [this, client] { forget(client); });
        // Commands that arrived with the connection are already waiting.
        if (client->bytesAvailable() > 0)
            receive(client);
    }
}

bool RotatorService::closeLongestSilent() {
    const auto longest =
        std::min_element(m_clients.begin(), m_clients.end(), [](const auto& a, const auto& b) {
            return a.second.lastHeard < b.second.lastHeard;
        });
    if (longest == m_clients.end() || Clock::now() - longest->second.lastHeard < m_silenceLimit)
        return false;
    QTcpSocket* client = longest->first;
    qCDebug(lcRotctld).noquote() << "client" << longest->second.peer
                                 << "closed to make room: silent longest";
    m_clients.erase(longest);
    client->disconnect(this);
    client->disconnectFromHost();
    // Answers it never read would hold the close back.
    if (client->state() != QAbstractSocket::UnconnectedState)
        client->abort();
    client->deleteLater();
    return true;
}

void RotatorService::receive(QTcpSocket* client) {
    const auto it = m_clients.find(client);
    if (it == m_clients.end())
        return;
    it->second.lastHeard = Clock::now();
    serve(client);
}

void RotatorService::serve(QTcpSocket* client) {
    const auto it = m_clients.find(client);
    if (it == m_clients.end())
        return;
    while (client->bytesToWrite() <= kMaxBacklog && client->bytesAvailable() > 0) {
        const QByteArray bytes = client->read(kCommandPiece);
        const RotctlSession::Output out =
            it->second.session.receive(std::string_view(bytes.constData(), bytes.size()), m_state);
        if (!out.reply.empty())
            client->write(out.reply.data(), static_cast<qint64>(out.reply.size()));
        for (const TargetRequest& target : out.targets) {
            qCDebug(lcRotctld).noquote()
                << "client" << it->second.peer << "target:"
                << (target.azimuth ? QString::number(*target.azimuth) : QStringLiteral("cleared"));
            if (target.azimuth)
                emit targetSet(*target.azimuth);
            else
                emit targetCleared();
        }
        if (out.close) {
            client->disconnectFromHost();
            return;
        }
    }
    // The answers go to the system now, not at the event loop's next turn: the socket closes as
    // soon as it reads the end of a client's sending side, and what waits in it is lost then.
    client->flush();
    // Flushing reports a failed write, and the client may be gone.
    if (m_clients.count(client) == 0)
        return;
    if (client->bytesToWrite() > kMaxBacklog && client->bytesAvailable() >= kMaxUnanswered) {
        // Its answers wait, the system takes no more of them, and it keeps asking: it does not
        // read, and would make torven hold its answers and commands forever.
        qCDebug(lcRotctld).noquote()
            << "client" << peerOf(client) << "dropped: it reads no answers";
        client->abort();
    }
}

void RotatorService::forget(QTcpSocket* client) {
    const auto it = m_clients.find(client);
    if (it == m_clients.end())
        return;
    // The socket forgets its peer as it closes: the address is the one kept since it connected.
    const QString peer = it->second.peer;
    m_clients.erase(it);
    qCDebug(lcRotctld).noquote() << "client" << peer << "left;" << clientCount() << "now";
    client->deleteLater();
}

} // namespace torven
