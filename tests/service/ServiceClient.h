#pragma once

#include <QByteArray>

#include <cstdint>

namespace torven::test {

// A plain blocking-free TCP client on a POSIX socket, so that the test sees reads exactly as a
// client program does (Qt's own socket would merge and split them its own way). The service under
// test runs on this thread, so every wait serves events.
class ServiceClient {
public:
    explicit ServiceClient(std::uint16_t port);
    ~ServiceClient();
    ServiceClient(const ServiceClient&) = delete;
    ServiceClient& operator=(const ServiceClient&) = delete;

    bool connected() const { return m_fd >= 0; }
    bool send(const QByteArray& bytes);
    // Sends `bytes` while reading what comes back, as a client that pipelines its commands does,
    // until `expected` bytes have come, the service closes or the time is up; returns what came.
    // A slow client reads at most `pace` bytes between two looks at the events.
    QByteArray converse(const QByteArray& bytes, qsizetype expected, int timeoutMs = 20000,
                        qsizetype pace = qsizetype(1) << 40);
    // Ends the sending side only (shutdown for writing): the service sees end of stream, and the
    // connection can still read.
    void closeSending();
    // Everything that comes until the service closes the connection, or the time is up.
    QByteArray readToEnd(int timeoutMs = 5000);
    // One read of at most `limit` bytes, once something has arrived; empty when nothing came in
    // time or the service closed the connection.
    QByteArray readOnce(int limit = 128, int timeoutMs = 5000);
    // Whether the service has closed the connection (end of file or reset), within the time.
    bool waitClosed(int timeoutMs = 5000);

private:
    int m_fd = -1;
};

} // namespace torven::test
