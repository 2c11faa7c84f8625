// The window following a remote rotctld played by a QTcpServer in the test: what answers show, and
// far ends that misbehave. (tests/e2e follows real bridges and Hamlib's rotctld.)
#include "WindowTest.h"

#include <QMessageBox>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace {

// A far end on the loopback: `answer` gets each connection as it comes (`asked` false) and each
// "p" it sends (`asked` true). All it received is kept.
struct FarEnd : QTcpServer {
    using Answer = std::function<void(QTcpSocket&, bool asked)>;
    explicit FarEnd(Answer answer) {
        connect(this, &QTcpServer::newConnection, [this, answer] {
            QTcpSocket* peer = nextPendingConnection();
            connect(peer, &QTcpSocket::readyRead, [this, peer, answer] {
                const QByteArray bytes = peer->readAll();
                received += bytes;
                for (qsizetype i = 0; i < bytes.count('p'); ++i)
                    answer(*peer, true);
            });
            connect(peer, &QTcpSocket::disconnected, [this] { ++closed; });
            answer(*peer, false);
        });
        listen(QHostAddress::LocalHost);
    }
    int closed = 0;
    QByteArray received;
};

// Answers the n-th question with answers[n], and the last one ever after.
FarEnd::Answer Answers(std::vector<QByteArray> answers) {
    return [answers, n = std::make_shared<std::size_t>(0)](QTcpSocket& peer, bool asked) {
        if (asked)
            peer.write(answers[std::min((*n)++, answers.size() - 1)]);
    };
}

// What each far end's answers show; misbehaving ones light no lamp. (How soon the window serves
// events meanwhile is measured by scripts/bench.)
TEST(Follow, AnswersShowTheAzimuthOrSayWhyNotAndJunkLightsNoLamp) {
    const QByteArray junk = QByteArray("junk\n").repeated(1 << 14);
    const FarEnd::Answer drip = [](QTcpSocket& peer, bool asked) {
        if (!asked)
            return;
        auto* byByte = new QTimer(&peer); // one byte every 0.6 s
        QObject::connect(byByte, &QTimer::timeout, &peer, [&peer] { peer.write("1"); });
        byByte->start(600);
    };
    const FarEnd::Answer closeAtOnce = [](QTcpSocket& peer, bool asked) {
        if (!asked)
            peer.close();
    };
    const struct {
        const char* name;
        FarEnd::Answer answer;
        QString status, why; // why: a part of the status line's tooltip
        const char* readout; // for a far end that answers
        int lamp;
    } rows[] = {
        {"Position", Answers({"180.000000\n0.000000\n"}), "", "(--follow)", " 180", 13},
        {"NoPosition", Answers({"180\n0\n", "RPRT -6\n"}), "Нет азимута", "«RPRT -6»", " 180", 13},
        {"Junk", Answers({"90\n0\n", "\x07\x07\n9\n"}), "Нет азимута", "«\\x07\\x07»", " 90", 7},
        {"NorthWithAComma", Answers({"0,00\n0,00\n"}), "", "", " 360", 1},
        {"JunkFlood", Answers({junk}), "Ошибка!", "о которых его не спрашивали", nullptr, 0},
        {"Silence", Answers({""}), "Ошибка!", "не ответил на запрос", nullptr, 0},
        {"EndlessLine", Answers({QByteArray(1 << 20, '7')}), "Ошибка!", "длиннее 256", nullptr, 0},
        {"SlowDrip", drip, "Ошибка!", "не ответил на запрос", nullptr, 0},
        {"CloseOnAccept", closeAtOnce, "Ошибка!", "закрыл соединение", nullptr, 0},
    };
    WindowHarness h;
    const auto shows = [&h](const QString& status, const QColor& lamp, const QString& why) {
        return WaitUntil([&] {
            return h.Status() == status && h.ConnectionLamp() == lamp && h.Tip().contains(why);
        });
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        FarEnd far(row.answer);
        h.Make({std::nullopt, QString(), 0, torven::RemoteAddress{"127.0.0.1", far.serverPort()}});
        h.Form().toggleConnection();
        ASSERT_TRUE(h.Form().isFollowing());
        const bool failed = row.status == "Ошибка!";
        EXPECT_TRUE(shows(row.status, failed ? kRed : kGreen, row.why)) << h.Tip().toStdString();
        if (row.readout) {
            EXPECT_EQ(h.Readout(), row.readout);
            EXPECT_TRUE(WaitUntil([&] { return h.ReceiveLampLit(); })) << "each answer flashes";
        }
        EXPECT_EQ(h.LitLamps(), row.lamp ? std::vector<int>{row.lamp} : std::vector<int>{});
        if (row.why.startsWith("не ответил")) {
            EXPECT_EQ(far.received, "p\n") << "one question at a time";
        }
        EXPECT_TRUE(h.Form().isFollowing()) << "a follow that fails stays on and tries again";

        h.Form().toggleConnection(); // the second click stops following
        EXPECT_FALSE(h.Form().isFollowing());
        EXPECT_TRUE(shows("", kRed, ""));
        EXPECT_TRUE(WaitUntil([&] { return far.closed >= 1; }));
        EXPECT_EQ(far.received.replace("p\n", "").replace("q\n", ""), "") << "only p and q";
    }

    // The port dialog is about serial ports: «Коммуникация» says where the bearing comes from.
    h.Form().showPortDialog();
    auto* notice = h.Child<QMessageBox>(nameOf(names::kFollowNotice));
    ASSERT_NE(notice, nullptr);
    EXPECT_TRUE(notice->text().contains("rotctld на 127.0.0.1:")) << notice->text().toStdString();
}

} // namespace
