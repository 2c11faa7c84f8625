#include "RotatorService.h"

#include <QTcpServer>
#include <QTcpSocket>

namespace torven {

namespace {

QString listenFailure(const QTcpServer& server, const QHostAddress& address, quint16 port) {
    const QString where = QStringLiteral("порт %1 на адресе %2").arg(port).arg(address.toString());
    QString reason;
    switch (server.serverError()) {
    case QAbstractSocket::AddressInUseError:
        reason = where + QStringLiteral(" уже занят другой программой (может быть, rotctld). "
                                        "Выберите другой порт в --rotctld.");
        break;
    case QAbstractSocket::SocketAddressNotAvailableError:
        reason = QStringLiteral("адреса %1 у этого компьютера нет. Укажите свой адрес в "
                                "--rotctld-address.")
                     .arg(address.toString());
        break;
    case QAbstractSocket::SocketAccessError:
        reason = QStringLiteral("нет прав слушать ") + where +
                 QStringLiteral(". Выберите порт выше 1023.");
        break;
    default:
        reason = QStringLiteral("не удалось слушать ") + where + QStringLiteral(".");
        break;
    }
    return QStringLiteral("Служба rotctld не запущена: ") + reason + QStringLiteral(" (") +
           server.errorString() + QStringLiteral(")");
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
        m_failureReason.clear();
        return true;
    }
    m_failureReason = listenFailure(*m_server, address, port);
    emit listenFailed(m_failureReason);
    return false;
}

bool RotatorService::isListening() const {
    return m_server->isListening();
}

quint16 RotatorService::serverPort() const {
    return m_server->serverPort();
}

void RotatorService::setName(const QString& name) {
    m_state.info =
        name.isEmpty() ? std::string("torven") : (QStringLiteral("torven — ") + name).toStdString();
}

void RotatorService::setPosition(std::optional<int> azimuth) {
    m_state.azimuth = azimuth;
}

void RotatorService::setUnavailable() {
    m_state.azimuth.reset();
}

void RotatorService::acceptClients() {
    while (QTcpSocket* client = m_server->nextPendingConnection()) {
        if (clientCount() >= kMaxClients) {
            client->abort();
            client->deleteLater();
            continue;
        }
        m_clients.emplace(client, RotctlSession());
        connect(client, &QTcpSocket::readyRead, this, [this, client] { serve(client); });
        connect(client, &QTcpSocket::disconnected, this, [this, client] { forget(client); });
        // Commands that arrived with the connection are already waiting.
        if (client->bytesAvailable() > 0)
            serve(client);
    }
}

void RotatorService::serve(QTcpSocket* client) {
    const auto it = m_clients.find(client);
    if (it == m_clients.end())
        return;
    const QByteArray bytes = client->readAll();
    const RotctlSession::Output out =
        it->second.receive(std::string_view(bytes.constData(), bytes.size()), m_state);
    if (!out.reply.empty())
        client->write(out.reply.data(), static_cast<qint64>(out.reply.size()));
    if (client->bytesToWrite() > kMaxBacklog) {
        // A client that asks without reading would make torven hold its answers forever.
        client->abort();
        return;
    }
    if (out.close)
        client->disconnectFromHost();
}

void RotatorService::forget(QTcpSocket* client) {
    if (m_clients.erase(client) > 0)
        client->deleteLater();
}

} // namespace torven
