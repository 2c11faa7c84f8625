#include "RotatorService.h"
#include "ServiceClient.h"
#include "Wait.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace torven {
namespace {

using test::ServiceClient;
using test::WaitUntil;

class RotatorServiceTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_service.listen(QHostAddress(QHostAddress::LocalHost), 0))
            << m_service.failureReason().toStdString();
        m_service.setPosition(180);
    }
    quint16 port() const { return m_service.serverPort(); }

    RotatorService m_service;
};

// A tracker's poll: one connection kept open, "p\n" again and again, and each answer, both lines,
// in a single read of at most 128 bytes.
TEST_F(RotatorServiceTest, TrackerPollsOnOneConnection) {
    ServiceClient client(port());
    ASSERT_TRUE(client.connected());
    for (int i = 0; i < 5; ++i) {
        ASSERT_TRUE(client.send("p\n"));
        EXPECT_EQ(client.readOnce(128), QByteArray("180.000000\n0.000000\n")) << "poll " << i;
    }
    m_service.setPosition(181);
    ASSERT_TRUE(client.send("p\n"));
    EXPECT_EQ(client.readOnce(128), QByteArray("181.000000\n0.000000\n"));
    m_service.setUnavailable();
    ASSERT_TRUE(client.send("p\n"));
    EXPECT_EQ(client.readOnce(128), QByteArray("RPRT -6\n"));
    EXPECT_EQ(m_service.clientCount(), 1);
}

TEST_F(RotatorServiceTest, CommandSplitAcrossPacketsAnsweredOnce) {
    ServiceClient client(port());
    ASSERT_TRUE(client.send("+\\get"));
    ASSERT_TRUE(WaitUntil([&] { return m_service.clientCount() == 1; }));
    ASSERT_TRUE(client.send("_pos\r\n"));
    EXPECT_EQ(client.readOnce(),
              QByteArray("get_pos:\nAzimuth: 180.000000\nElevation: 0.000000\nRPRT 0\n"));
}

TEST_F(RotatorServiceTest, QuitClosesTheConnection) {
    ServiceClient client(port());
    ASSERT_TRUE(client.send("q\n"));
    EXPECT_TRUE(client.waitClosed());
    EXPECT_TRUE(WaitUntil([&] { return m_service.clientCount() == 0; }));
}

TEST_F(RotatorServiceTest, NinthClientRefusedOthersServed) {
    std::vector<std::unique_ptr<ServiceClient>> clients;
    for (int i = 0; i < RotatorService::kMaxClients; ++i)
        clients.push_back(std::make_unique<ServiceClient>(port()));
    ASSERT_TRUE(WaitUntil([&] { return m_service.clientCount() == RotatorService::kMaxClients; }));

    ServiceClient ninth(port());
    EXPECT_TRUE(ninth.waitClosed());
    EXPECT_EQ(m_service.clientCount(), RotatorService::kMaxClients);
    for (auto& client : clients) {
        ASSERT_TRUE(client->send("p\n"));
        EXPECT_EQ(client->readOnce(), QByteArray("180.000000\n0.000000\n"));
    }

    // A place that comes free can be taken again.
    clients.pop_back();
    ASSERT_TRUE(
        WaitUntil([&] { return m_service.clientCount() == RotatorService::kMaxClients - 1; }));
    ServiceClient next(port());
    ASSERT_TRUE(next.send("_\n"));
    EXPECT_EQ(next.readOnce(), QByteArray("torven\n"));
}

// A client that asks without ever reading: once the answers it has not taken pass the backlog
// limit it is dropped, and the others are not held up.
TEST_F(RotatorServiceTest, ClientThatNeverReadsIsDropped) {
    ServiceClient greedy(port());
    ServiceClient polite(port());
    const QByteArray polls = QByteArray("p\n").repeated(32 * 1024);
    bool dropped = false;
    // Each round asks for some 650 KB of answers; the kernel's buffers hold a few megabytes.
    for (int round = 0; round < 200 && !dropped; ++round)
        dropped = !greedy.send(polls) || m_service.clientCount() < 2;
    EXPECT_TRUE(dropped);
    EXPECT_TRUE(WaitUntil([&] { return m_service.clientCount() == 1; }));
    ASSERT_TRUE(polite.send("p\n"));
    EXPECT_EQ(polite.readOnce(), QByteArray("180.000000\n0.000000\n"));
}

TEST(RotatorServiceListen, PortTakenIsReportedAndTheFirstKeepsServing) {
    RotatorService first;
    ASSERT_TRUE(first.listen(QHostAddress(QHostAddress::LocalHost), 0));
    first.setPosition(90);

    RotatorService second;
    QStringList failed;
    QObject::connect(&second, &RotatorService::listenFailed,
                     [&failed](const QString& reason) { failed.append(reason); });
    EXPECT_FALSE(second.listen(QHostAddress(QHostAddress::LocalHost), first.serverPort()));
    EXPECT_FALSE(second.isListening());
    const QString reason = second.failureReason();
    EXPECT_TRUE(reason.startsWith(QStringLiteral("Служба rotctld не запущена: порт ")))
        << reason.toStdString();
    EXPECT_TRUE(reason.contains(QStringLiteral("уже занят"))) << reason.toStdString();
    EXPECT_EQ(failed, QStringList{reason});

    ServiceClient client(first.serverPort());
    ASSERT_TRUE(client.send("p\n"));
    EXPECT_EQ(client.readOnce(), QByteArray("90.000000\n0.000000\n"));
}

TEST(RotatorServiceListen, AddressThatIsNotThisComputers) {
    RotatorService service;
    // 192.0.2.1 is reserved for documentation and belongs to no machine.
    EXPECT_FALSE(service.listen(QHostAddress(QStringLiteral("192.0.2.1")), 0));
    EXPECT_TRUE(service.failureReason().contains(QStringLiteral("192.0.2.1")))
        << service.failureReason().toStdString();
    EXPECT_TRUE(service.listen(QHostAddress(QHostAddress::LocalHost), 0));
    EXPECT_TRUE(service.failureReason().isEmpty());
}

} // namespace
} // namespace torven
