// The window following a remote rotctld played by a QTcpServer in the test: what answers show, and
// far ends that misbehave. (tests/e2e follows real bridges and Hamlib's rotctld.)
#include "Wait.h"
#include "WindowHarness.h"

#include <QElapsedTimer>
#include <QMessageBox>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <stdexcept>
#include <string_view>
#include <vector>

namespace {

using torven::nameOf;
using torven::test::WaitUntil;
using torven::test::WindowHarness;
namespace names = torven::object_names::main_window;

const QColor kGreen(0x00, 0xFF, 0x00);
const QColor kRed(0xFF, 0x00, 0x00);

// A far end on the loopback: `answer` is called with each connection as it comes and with every
// "p" it sends; everything received is kept to check that only "p" and "q" were asked.
class FarEnd {
public:
    using Answer = std::function<void(QTcpSocket&, bool connecting)>;
    explicit FarEnd(Answer answer) : m_answer(std::move(answer)) {
        QObject::connect(&m_server, &QTcpServer::newConnection, [this] {
            while (QTcpSocket* peer = m_server.nextPendingConnection()) {
                ++connections;
                QObject::connect(peer, &QTcpSocket::readyRead, [this, peer] {
                    const QByteArray bytes = peer->readAll();
                    received += bytes;
                    for (qsizetype i = 0; i < bytes.count('p'); ++i)
                        m_answer(*peer, false);
                });
                QObject::connect(peer, &QTcpSocket::disconnected, [this] { ++closed; });
                m_answer(*peer, true);
            }
        });
        if (!m_server.listen(QHostAddress::LocalHost))
            throw std::runtime_error("the far end cannot listen");
    }
    torven::RemoteAddress Address() const { return {"127.0.0.1", m_server.serverPort()}; }
    // Only questions: "p", and "q" on leaving.
    bool OnlyAsked() const {
        return QByteArray(received).replace("p\n", "").replace("q\n", "").isEmpty();
    }

    int connections = 0;
    int closed = 0;
    QByteArray received;

private:
    QTcpServer m_server;
    Answer m_answer;
};

class Follow : public testing::Test {
protected:
    void Start(const FarEnd& far) {
        h.Make({std::nullopt, QString(), 0, far.Address()});
        h.Form().toggleConnection();
        ASSERT_TRUE(h.Form().isFollowing());
    }
    QString Why() const {
        return h.Child<QLabel>(nameOf(names::kStatusLine))->accessibleDescription();
    }

    WindowHarness h;
};

TEST_F(Follow, AnswersShowTheAzimuthOrSayThereIsNoneKeepingTheLastBearing) {
    QByteArray answer;
    FarEnd far([&](QTcpSocket& peer, bool connecting) {
        if (!connecting)
            peer.write(answer);
    });
    const QString address = QStringLiteral("127.0.0.1:%1").arg(far.Address().port);
    const struct {
        const char* answer;
        const char* readout;
        std::vector<int> lamps;
        QString status;
        QString why; // a part of the tooltip
    } steps[] = {
        {"180.000000\n0.000000\n", " 180", {13}, "", address + " (--follow)"},
        {"RPRT -6\n", " 180", {13}, "Нет азимута", "ответил ошибкой «RPRT -6»"},
        {"\x01junk\r\n", " 180", {13}, "Нет азимута", "ответил «\\x01junk»"},
        {"206,000000\n0,000000\n", " 206", {15}, "", ""},
        {"0.00\n0.00\n", " 360", {1}, "", ""},
    };
    Start(far);
    for (const auto& step : steps) {
        answer = step.answer;
        EXPECT_TRUE(WaitUntil([&] {
            return h.Readout() == step.readout && h.LitLamps() == step.lamps &&
                   h.Status() == step.status && Why().contains(step.why);
        })) << step.answer
            << ": " << h.Readout().toStdString() << " «" << h.Status().toStdString() << "» "
            << Why().toStdString();
        EXPECT_EQ(h.ConnectionLamp(), kGreen) << step.answer;
        EXPECT_TRUE(WaitUntil([&] { return h.ReceiveLampLit(); })) << "every answer flashes";
    }

    // The port dialog is about serial ports: «Коммуникация» says where the bearing comes from.
    h.Form().showPortDialog();
    auto* notice = h.Child<QMessageBox>(nameOf(names::kFollowNotice));
    ASSERT_NE(notice, nullptr);
    EXPECT_TRUE(notice->text().contains(address)) << notice->text().toStdString();

    h.Form().toggleConnection();
    EXPECT_FALSE(h.Form().isFollowing());
    EXPECT_EQ(h.ConnectionLamp(), kRed);
    EXPECT_EQ(h.Status(), "");
    EXPECT_TRUE(WaitUntil([&] { return far.closed == 1; })) << "the second click closes";
    EXPECT_TRUE(far.OnlyAsked()) << far.received.toStdString();
}

// Each far end misbehaves from the first question on: no lamp lights, the window keeps serving
// events, and the tooltip says what went wrong.
TEST_F(Follow, HostileFarEndsNeitherLightALampNorHoldTheWindow) {
    const struct {
        const char* name;
        FarEnd::Answer answer;
        QString status;
        QColor lamp;
        QString why;
    } rows[] = {
        {"JunkLines",
         [](QTcpSocket& peer, bool) { peer.write(QByteArray(200, '\x07') + "\n9\n" + "x\n"); },
         "Нет азимута", kGreen, "«\\x07\\x07"},
        {"JunkFlood",
         [](QTcpSocket& peer, bool connecting) {
             if (!connecting)
                 peer.write(QByteArray("junk\n").repeated(1 << 14));
         },
         "Ошибка!", kRed, "о которых его не спрашивали"},
        {"Silence", [](QTcpSocket&, bool) {}, "Ошибка!", kRed, "не ответил на запрос"},
        {"SlowDrip",
         [](QTcpSocket& peer, bool connecting) {
             if (connecting)
                 return;
             auto* drip = new QTimer(&peer);
             QObject::connect(drip, &QTimer::timeout, &peer, [&peer] { peer.write("1"); });
             drip->start(600);
         },
         "Ошибка!", kRed, "не ответил на запрос"},
        {"MegabyteWithoutAnEnd",
         [](QTcpSocket& peer, bool connecting) {
             if (!connecting)
                 peer.write(QByteArray(1 << 20, '7'));
         },
         "Ошибка!", kRed, "длиннее 256 байт"},
        {"CloseOnAccept",
         [](QTcpSocket& peer, bool connecting) {
             if (connecting)
                 peer.close();
         },
         "Ошибка!", kRed, "закрыл соединение"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        FarEnd far(row.answer);
        Start(far);
        // Events go on being served: a timer's ticks come as often as asked, give or take.
        QElapsedTimer clock;
        qint64 longestGap = 0;
        QTimer tick;
        QObject::connect(&tick, &QTimer::timeout,
                         [&] { longestGap = std::max(longestGap, clock.restart()); });
        clock.start();
        tick.start(10);
        EXPECT_TRUE(WaitUntil([&] {
            return h.Status() == row.status && h.ConnectionLamp() == row.lamp &&
                   Why().contains(row.why);
        })) << h.Status().toStdString()
            << " " << Why().toStdString();
        EXPECT_TRUE(h.LitLamps().empty());
        EXPECT_TRUE(far.OnlyAsked()) << far.received.toStdString();
        if (row.why.startsWith(QStringLiteral("не ответил"))) {
            EXPECT_EQ(far.received, "p\n") << "one question at a time";
        }
        EXPECT_LT(longestGap, 200) << "ms without serving an event";
        // A follow that fails stays on and tries again (seen once: the way back is the same).
        if (std::string_view(row.name) == "CloseOnAccept") {
            EXPECT_TRUE(WaitUntil([&] { return far.connections >= 2; }));
        }
        EXPECT_TRUE(h.Form().isFollowing());
    }
}

} // namespace
