#include "RotatorService.h"
#include "Rows.h"
#include "ServiceClient.h"
#include "Wait.h"

#include <QLoggingCategory>
#include <QTcpSocket>

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <ostream>
#include <tuple>
#include <utility>
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
        m_service.setBearing(180);
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
    m_service.setBearing(181);
    ASSERT_TRUE(client.send("p\n"));
    EXPECT_EQ(client.readOnce(128), QByteArray("181.000000\n0.000000\n"));
    m_service.setUnavailable();
    ASSERT_TRUE(client.send("p\n"));
    EXPECT_EQ(client.readOnce(128), QByteArray("RPRT -6\n"));
    EXPECT_EQ(m_service.clientCount(), 1);
}

// What trackers and loggers really send, byte for byte, each on its one connection, and what
// each must read back in one read.
struct Exchange {
    QByteArray sent;
    QByteArray reply;
};
struct ClientRow {
    const char* name;
    std::vector<Exchange> exchanges;
    bool targets = false; // torven --targets
};
using torven::test::PrintTo;

class RealClients : public RotatorServiceTest, public testing::WithParamInterface<ClientRow> {};

TEST_P(RealClients, ReadWhatTheyExpect) {
    m_service.setTakesTargets(GetParam().targets);
    ServiceClient client(port());
    for (const Exchange& exchange : GetParam().exchanges) {
        ASSERT_TRUE(client.send(exchange.sent));
        EXPECT_EQ(client.readOnce(), exchange.reply) << exchange.sent.toStdString();
    }
}

const QByteArray kPosition = "180.000000\n0.000000\n";
const QByteArray kExtendedPosition = "get_pos:\nAzimuth: 180.000000\nElevation: 0.000000\nRPRT 0\n";

INSTANTIATE_TEST_SUITE_P(
    Service, RealClients,
    testing::Values(
        // gpredict with "Monitor" ticked polls about once a second.
        ClientRow{"GpredictMonitoring",
                  {{"p\n", kPosition}, {"p\n", kPosition}, {"p\n", kPosition}}},
        // Without it gpredict sends its target, and gives up after five refusals.
        ClientRow{"GpredictSteering",
                  {{"P 123.45 10.00\n", "RPRT -11\n"}, {"P 123.45 10.00\n", "RPRT -11\n"}}},
        // CQRLOG polls in the extended form every 500 ms; "Short path" sends a target and a
        // blank line, which must not add an answer of its own.
        ClientRow{"Cqrlog",
                  {{"+p\n", kExtendedPosition},
                   {"P 59 0\n\n", "RPRT -11\n"},
                   {"+p\n", kExtendedPosition}}},
        // With targets taken, tracking without "Monitor": each target is taken, the position
        // stays the antenna's, and the stop is taken too.
        ClientRow{"GpredictSteeringTargets",
                  {{"P 180.00 45.00\n", "RPRT 0\n"},
                   {"p\n", kPosition},
                   {"P 180.00 45.00\n", "RPRT 0\n"},
                   {"p\n", kPosition},
                   {"S\n", "RPRT 0\n"}},
                  true},
        ClientRow{"CqrlogShortPathTarget",
                  {{"+p\n", kExtendedPosition},
                   {"P 59 0\n\n", "RPRT 0\n"},
                   {"+p\n", kExtendedPosition},
                   {"+p\n", kExtendedPosition}},
                  true}),
    torven::test::RowName());

// The latest target from any client wins and outlives the client that sent it; a refused one
// changes nothing.
TEST_F(RotatorServiceTest, TargetsFromAnyClientReachTheWindowInOrder) {
    m_service.setTakesTargets(true);
    std::vector<std::optional<double>> got; // a target, or empty for a stop
    QObject::connect(&m_service, &RotatorService::targetSet,
                     [&](double azimuth) { got.push_back(azimuth); });
    QObject::connect(&m_service, &RotatorService::targetCleared,
                     [&] { got.push_back(std::nullopt); });
    {
        ServiceClient oneShot(port());
        ASSERT_TRUE(oneShot.send("\\set_pos 245 45\nq\n"));
        EXPECT_EQ(oneShot.readToEnd(), QByteArray("RPRT 0\n"));
    }
    ServiceClient tracker(port());
    ASSERT_TRUE(tracker.send("P 400 0\n"));
    EXPECT_EQ(tracker.readOnce(), QByteArray("RPRT -1\n"));
    ASSERT_TRUE(tracker.send("P 7.6 10\n"));
    EXPECT_EQ(tracker.readOnce(), QByteArray("RPRT 0\n"));
    ASSERT_TRUE(tracker.send("S\n"));
    EXPECT_EQ(tracker.readOnce(), QByteArray("RPRT 0\n"));
    EXPECT_EQ(got, (std::vector<std::optional<double>>{245, 7.6, std::nullopt}));
}

// A refused command is one line of the log, with the bytes as the client sent them, escaped, and
// the answer.
TEST_F(RotatorServiceTest, RefusedCommandIsLoggedAsSent) {
    static QStringList lines;
    QLoggingCategory::setFilterRules(QStringLiteral("torven.rotctld.debug=true"));
    const QtMessageHandler previous = qInstallMessageHandler(
        [](QtMsgType, const QMessageLogContext&, const QString& line) { lines.append(line); });
    ServiceClient client(port());
    ASSERT_TRUE(client.send("P 1,2,3\x7f 0\r\n"));
    EXPECT_EQ(client.readOnce(), QByteArray("RPRT -11\n"));
    qInstallMessageHandler(previous);
    QLoggingCategory::setFilterRules(QString());
    const QStringList sent = lines.filter(QStringLiteral(" sent "));
    EXPECT_TRUE(sent.size() == 1 &&
                sent[0].endsWith(R"( sent "P 1,2,3\x7F 0" answered "RPRT -11\n")"))
        << lines.join(QLatin1Char('\n')).toStdString();
}

TEST_F(RotatorServiceTest, CommandSplitAcrossPacketsAnsweredOnce) {
    ServiceClient client(port());
    ASSERT_TRUE(client.send("+\\get"));
    ASSERT_TRUE(WaitUntil([&] { return m_service.clientCount() == 1; }));
    ASSERT_TRUE(client.send("_pos\r\n"));
    EXPECT_EQ(client.readOnce(),
              QByteArray("get_pos:\nAzimuth: 180.000000\nElevation: 0.000000\nRPRT 0\n"));
}

// "printf 'p\n' | socat - TCP:…", or a script's batch through "nc -N": the commands and the end of
// the client's sending side arrive together, and every answer must still go out before the
// connection closes, however many wait when the end arrives (a small send buffer on torven's side
// makes many wait). Several rounds, since which the service notices first varies.
TEST_F(RotatorServiceTest, HalfClosedClientStillGetsEveryAnswer) {
    for (const auto& [polls, rounds, sendBuffer] :
         {std::tuple{1, 50, 0}, std::tuple{30'000, 6, 0}, std::tuple{30'000, 3, 4096}}) {
        const QByteArray answers = QByteArray("180.000000\n0.000000\n").repeated(polls);
        for (int round = 0; round < rounds; ++round) {
            ServiceClient client(port());
            if (sendBuffer > 0) {
                ASSERT_TRUE(WaitUntil([&] { return m_service.clientCount() == 1; }));
                m_service.findChild<QTcpSocket*>()->setSocketOption(
                    QAbstractSocket::SendBufferSizeSocketOption, sendBuffer);
            }
            ASSERT_TRUE(client.send(QByteArray("p\n").repeated(polls)));
            client.closeSending();
            const QByteArray got = client.readToEnd();
            ASSERT_TRUE(got == answers) << polls << " polls, round " << round << ": " << got.size()
                                        << " of " << answers.size() << " bytes came";
        }
    }
}

// Polls sent at once by a client that reads the answers as they come get every answer, and the
// client stays: 3,300 in one packet ask for 66,000 bytes, more than may wait unsent; a million
// (2 MB), from a client that reads slower than it asks, far more than the room for commands
// that wait for their answers to drain.
TEST_F(RotatorServiceTest, ReadingClientGetsEveryAnswerToPollsSentAtOnce) {
    for (const auto& [polls, pace] : {std::pair{3300, 1 << 30}, std::pair{1'000'000, 256 << 10}}) {
        ServiceClient client(port());
        const QByteArray answers = QByteArray("180.000000\n0.000000\n").repeated(polls);
        const QByteArray got =
            client.converse(QByteArray("p\n").repeated(polls), answers.size(), 20000, pace);
        EXPECT_TRUE(got == answers)
            << polls << " polls: " << got.size() << " of " << answers.size() << " bytes came";
        EXPECT_EQ(m_service.clientCount(), 1);
    }
}

TEST_F(RotatorServiceTest, QuitClosesTheConnection) {
    ServiceClient client(port());
    ASSERT_TRUE(client.send("q\n"));
    EXPECT_TRUE(client.waitClosed());
    EXPECT_TRUE(WaitUntil([&] { return m_service.clientCount() == 0; }));
}

TEST_F(RotatorServiceTest, NewcomerRefusedWhenAllPlacesTakenOthersServed) {
    std::vector<std::unique_ptr<ServiceClient>> clients;
    for (int i = 0; i < RotatorService::kMaxClients; ++i)
        clients.push_back(std::make_unique<ServiceClient>(port()));
    ASSERT_TRUE(WaitUntil([&] { return m_service.clientCount() == RotatorService::kMaxClients; }));

    ServiceClient newcomer(port());
    EXPECT_TRUE(newcomer.waitClosed());
    EXPECT_EQ(m_service.clientCount(), RotatorService::kMaxClients);
    for (auto& client : clients) {
        ASSERT_TRUE(client->send("p\n"));
        EXPECT_EQ(client->readOnce(), QByteArray("180.000000\n0.000000\n"));
    }

    // A place is free as soon as its client has gone, even before the service has seen it go.
    clients.clear();
    ServiceClient next(port());
    ASSERT_TRUE(next.send("_\n"));
    EXPECT_EQ(next.readOnce(), QByteArray("torven\n"));
}

// Connections that say nothing must not keep everyone out for as long as they stay open:
// a newcomer takes the place of the one silent longest, once it has been silent long enough (no
// time at all here; long enough is tried by the refusal above), and the others keep theirs.
// Blank lines, which get no answer, are no sign of life.
TEST_F(RotatorServiceTest, LongestSilentClientMakesRoomForANewcomer) {
    m_service.setSilenceLimit(std::chrono::milliseconds(0));
    std::vector<std::unique_ptr<ServiceClient>> clients;
    for (int i = 0; i < RotatorService::kMaxClients; ++i)
        clients.push_back(std::make_unique<ServiceClient>(port()));
    ASSERT_TRUE(WaitUntil([&] { return m_service.clientCount() == RotatorService::kMaxClients; }));
    for (std::size_t i = 1; i < clients.size(); ++i) {
        ASSERT_TRUE(clients[i]->send("p\n"));
        ASSERT_EQ(clients[i]->readOnce(), QByteArray("180.000000\n0.000000\n")) << "client " << i;
    }
    // Answered in the same turn as the blank lines, or later.
    ASSERT_TRUE(clients[0]->send("\n\r\n"));
    ASSERT_TRUE(clients[1]->send("p\n"));
    ASSERT_EQ(clients[1]->readOnce(), QByteArray("180.000000\n0.000000\n"));

    ServiceClient newcomer(port());
    ASSERT_TRUE(newcomer.send("p\n"));
    EXPECT_EQ(newcomer.readOnce(), QByteArray("180.000000\n0.000000\n"));
    EXPECT_TRUE(clients[0]->waitClosed()) << "the first client asked nothing since it connected";
    for (std::size_t i = 1; i < clients.size(); ++i) {
        ASSERT_TRUE(clients[i]->send("p\n"));
        EXPECT_EQ(clients[i]->readOnce(), QByteArray("180.000000\n0.000000\n")) << "client " << i;
    }
    EXPECT_EQ(m_service.clientCount(), RotatorService::kMaxClients);
}

// A client that asks without ever reading: once its answers have stopped draining for the limit
// it is dropped, and the others are not held up.
TEST_F(RotatorServiceTest, ClientThatNeverReadsIsDropped) {
    m_service.setDrainLimit(std::chrono::milliseconds(100));
    ServiceClient greedy(port());
    ServiceClient polite(port());
    ASSERT_TRUE(WaitUntil([&] { return m_service.clientCount() == 2; }));
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
    first.setBearing(90);

    RotatorService second;
    EXPECT_FALSE(second.listen(QHostAddress(QHostAddress::LocalHost), first.serverPort()));
    EXPECT_FALSE(second.isListening());
    const QString reason = second.failureReason();
    EXPECT_TRUE(reason.startsWith(QStringLiteral("Служба rotctld не запущена: порт ")))
        << reason.toStdString();
    EXPECT_TRUE(reason.contains(QStringLiteral("уже занят"))) << reason.toStdString();

    ServiceClient client(first.serverPort());
    ASSERT_TRUE(client.send("p\n"));
    EXPECT_EQ(client.readOnce(), QByteArray("90.000000\n0.000000\n"));
}

// Listening beyond the loopback is said, with the address and port clients use.
TEST(RotatorServiceListen, NetworkNoticeOnlyBeyondTheLoopback) {
    const struct {
        QHostAddress::SpecialAddress address;
        const char* where; // empty: no notice
    } rows[] = {{QHostAddress::LocalHost, ""},
                {QHostAddress::LocalHostIPv6, ""},
                {QHostAddress::AnyIPv4, "0.0.0.0"},
                {QHostAddress::Any, "[::]"}};
    for (const auto& row : rows) {
        RotatorService service;
        ASSERT_TRUE(service.listen(QHostAddress(row.address), 0))
            << service.failureReason().toStdString();
        const QString expected = *row.where ? QStringLiteral("Азимут доступен в сети: %1:%2")
                                                  .arg(QLatin1String(row.where))
                                                  .arg(service.serverPort())
                                            : QString();
        EXPECT_EQ(service.networkNotice(), expected) << row.where;
    }
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
