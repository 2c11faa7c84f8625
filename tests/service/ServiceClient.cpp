#include "ServiceClient.h"

#include "Wait.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace torven::test {

ServiceClient::ServiceClient(std::uint16_t port) {
    m_fd = ::socket(AF_INET, SOCK_STREAM, 0);
    if (m_fd < 0)
        return;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    // The kernel completes a loopback connect on its own, before the service accepts it.
    if (::connect(m_fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        ::close(m_fd);
        m_fd = -1;
        return;
    }
    ::fcntl(m_fd, F_SETFL, ::fcntl(m_fd, F_GETFL) | O_NONBLOCK);
}

ServiceClient::~ServiceClient() {
    if (m_fd >= 0)
        ::close(m_fd);
}

bool ServiceClient::send(const QByteArray& bytes) {
    qsizetype sent = 0;
    // The service drains its side while the wait serves events.
    const bool done = WaitUntil([&] {
        const ssize_t n = ::send(m_fd, bytes.constData() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (n > 0)
            sent += n;
        else if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK)
            return true; // closed by the service
        return sent == bytes.size();
    });
    return done && sent == bytes.size();
}

QByteArray ServiceClient::converse(const QByteArray& bytes, qsizetype expected, int timeoutMs,
                                   qsizetype pace) {
    QByteArray received;
    qsizetype sent = 0;
    bool closed = false;
    WaitUntil(
        [&] {
            if (sent < bytes.size()) {
                const ssize_t n =
                    ::send(m_fd, bytes.constData() + sent, bytes.size() - sent, MSG_NOSIGNAL);
                if (n > 0)
                    sent += n;
            }
            char buffer[65536];
            ssize_t n = 0;
            const qsizetype before = received.size();
            while (received.size() - before < pace &&
                   (n = ::recv(m_fd, buffer, std::min<qsizetype>(sizeof buffer, pace), 0)) > 0)
                received.append(buffer, n);
            closed = n == 0 || (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK);
            return closed || received.size() >= expected;
        },
        timeoutMs);
    return received;
}

void ServiceClient::closeSending() {
    ::shutdown(m_fd, SHUT_WR);
}

QByteArray ServiceClient::readToEnd(int timeoutMs) {
    QByteArray received;
    WaitUntil(
        [&] {
            char buffer[4096];
            ssize_t n = 0;
            while ((n = ::recv(m_fd, buffer, sizeof buffer, 0)) > 0)
                received.append(buffer, n);
            return n == 0 || (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK);
        },
        timeoutMs);
    return received;
}

QByteArray ServiceClient::readOnce(int limit, int timeoutMs) {
    char peek = 0;
    bool closed = false;
    WaitUntil(
        [&] {
            const ssize_t n = ::recv(m_fd, &peek, 1, MSG_PEEK);
            closed = n == 0 || (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK);
            return n > 0 || closed;
        },
        timeoutMs);
    QByteArray buffer(limit, '\0');
    const ssize_t n = ::recv(m_fd, buffer.data(), static_cast<size_t>(limit), 0);
    buffer.resize(n > 0 ? n : 0);
    return buffer;
}

bool ServiceClient::waitClosed(int timeoutMs) {
    return WaitUntil(
        [&] {
            char buffer[4096];
            const ssize_t n = ::recv(m_fd, buffer, sizeof buffer, 0);
            return n == 0 || (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK);
        },
        timeoutMs);
}

} // namespace torven::test
