// The serial path end to end inside the process: a pty plays the controller, the window's serial
// component opens it through a comN link, and the window shows what arrives.
#include "PortDialog.h"
#include "Reception.h"
#include "Rows.h"
#include "SerialLine.h"
#include "WindowTest.h"

#include <QFileInfo>
#include <QProcess>
#include <QSocketNotifier>
#include <QTimer>

#include <gtest/gtest.h>

#include <chrono>
#include <optional>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

namespace dialog_names = torven::object_names::port_dialog;

class Reception : public testing::Test {
protected:
    void SetUp() override {
        m_pty.LinkAs(m_harness.LinkPath(1));
        m_harness.Form().toggleConnection();
        ASSERT_TRUE(m_harness.Form().isPortOpen()) << m_harness.Status().toStdString();
    }

    // Sends `bytes` and waits until the window has taken a block that ends the same way.
    void SendAndWait(const std::string& bytes, const QString& readout) {
        m_pty.Write(bytes);
        ASSERT_TRUE(WaitUntil([&] { return m_harness.Readout() == readout; }))
            << "readout stayed " << m_harness.Readout().toStdString();
    }

    WindowHarness m_harness;
    PseudoTerminal m_pty;
};

TEST_F(Reception, ReadingShowsBearingAndLightsItsLampAlone) {
    SendAndWait("0256\r\n", " 180");
    EXPECT_EQ(m_harness.Form().reception().latest().bearing.value_or(0), 180);
    EXPECT_EQ(m_harness.RawReading(), "0256");
    EXPECT_EQ(m_harness.LitLamps(), std::vector<int>{13});
    EXPECT_EQ(m_harness.Console(), "Text2"); // a digit first leaves the console alone
}

TEST_F(Reception, ALaterReadingMovesTheLitLamp) {
    SendAndWait("0256\r\n", " 180");
    SendAndWait("0064\r\n", " 45");
    EXPECT_EQ(m_harness.LitLamps(), std::vector<int>{4});
    SendAndWait("0000\r\n", " 0");
    EXPECT_TRUE(m_harness.LitLamps().empty());
}

TEST_F(Reception, ReadingsArrivingTogetherLeaveTheNewestOnShow) {
    SendAndWait("0300\r\n0128\r\n", " 90");
    EXPECT_EQ(m_harness.LitLamps(), std::vector<int>{7});
    EXPECT_EQ(m_harness.RawReading(), "0128");
}

TEST_F(Reception, PiecesFurtherApartThanThePauseAreReadingsOfTheirOwn) {
    // The first piece is shown before the second is sent: the controller really paused.
    m_pty.Write("02");
    ASSERT_TRUE(WaitUntil([&] { return m_harness.Readout() == " 1"; }));
    EXPECT_EQ(m_harness.LitLamps(), std::vector<int>{1});
    SendAndWait("56\r\n", " 39");
    EXPECT_EQ(m_harness.LitLamps(), std::vector<int>{4});
}

// A busy handler runs past the pause while the rest arrives, and the timers come next in the same
// turn: the rest waiting in the port completes the reading; only silence cuts it.
TEST_F(Reception, ThePauseCutsTextOnlyWhenItsRestIsNotWaitingInThePort) {
    auto* pause = m_harness.Child<QTimer>(nameOf(names::kReadingPause));
    for (const auto& [rest, readout] : {std::pair{"56\r\n", " 180"}, {"", " 1"}}) {
        SCOPED_TRACE(readout);
        m_pty.Write("02");
        ASSERT_TRUE(WaitUntil([&] { return pause->isActive(); }));
        int busy[2];
        ASSERT_EQ(pipe(busy), 0);
        QSocketNotifier client(busy[0], QSocketNotifier::Read);
        QObject::connect(&client, &QSocketNotifier::activated, [&, rest = rest] {
            client.setEnabled(false);
            m_pty.Write(rest);
            std::this_thread::sleep_for(std::chrono::milliseconds(pause->remainingTime() + 5));
        });
        QTimer due; // due at once, so that the timers are served in the same turn
        due.start(0);
        ASSERT_EQ(write(busy[1], "p", 1), 1);
        EXPECT_TRUE(
            WaitUntil([&] { return !pause->isActive() && m_harness.Readout() == readout; }));
        close(busy[0]);
        close(busy[1]);
    }
}

TEST_F(Reception, LineBreakFirstAddsToTheConsoleAndDarkensTheLamps) {
    SendAndWait("0256\r\n", " 180");
    SendAndWait("\r\n", " 0");
    EXPECT_EQ(m_harness.Console(), "Text2\r\n");
    EXPECT_TRUE(m_harness.LitLamps().empty());
    SendAndWait("\b", " 0");
    ASSERT_TRUE(WaitUntil([&] { return m_harness.Console() == "Text2\r"; }));
    // The hidden box is written once for a run of changes, within a second or so.
    EXPECT_TRUE(WaitUntil([&] { return m_harness.ConsoleBox() == "Text2\r"; }));
}

TEST_F(Reception, ReceiveLampFlashesOncePerBlockAndGoesDarkAgain) {
    auto* timer = m_harness.Child<QTimer>(nameOf(names::kReceiveLampTimer));
    ASSERT_TRUE(WaitUntil([&] { return !timer->isActive(); })); // the start-up tick has passed
    EXPECT_FALSE(m_harness.ReceiveLampLit());

    m_pty.Write("abcd");
    ASSERT_TRUE(WaitUntil([&] { return m_harness.ReceiveLampLit(); }));
    EXPECT_TRUE(timer->isActive());
    ASSERT_TRUE(WaitUntil([&] { return !m_harness.ReceiveLampLit(); }, 2000));
    EXPECT_FALSE(timer->isActive());
}

TEST_F(Reception, ClosingThePortKeepsTheLastBearingOnShow) {
    SendAndWait("0128\r\n", " 90");
    m_harness.Form().toggleConnection();
    EXPECT_FALSE(m_harness.Form().isPortOpen());
    EXPECT_EQ(m_harness.Readout(), " 90");
    EXPECT_EQ(m_harness.LitLamps(), std::vector<int>{7});
}

// The settings text typed into the dialog, not yet confirmed, is what the line opens with; text
// then waits for the rest of its reading as long as that line takes to carry eight characters.
TEST(ReceptionOnASlowLine, TextWaitsAsLongAsTheLineAsOpenedTakes) {
    WindowHarness harness;
    PseudoTerminal pty;
    pty.LinkAs(harness.LinkPath(1));
    auto* settings =
        harness.Form().portDialog().findChild<QLineEdit*>(nameOf(dialog_names::kLineSettings));
    settings->setText(QStringLiteral("600,n,8,1"));
    harness.Form().toggleConnection();
    ASSERT_TRUE(harness.Form().isPortOpen()) << harness.Status().toStdString();

    auto* pause = harness.Child<QTimer>(nameOf(names::kReadingPause));
    pty.Write("01");
    ASSERT_TRUE(WaitUntil([&] { return pause->isActive(); }));
    // 173.3 ms at 600 baud, counted from the first character; 45 ms at the default 19200.
    EXPECT_GT(pause->interval(), 150);
    EXPECT_LE(pause->interval(), 174);
}

// The simulator cuts every reading in two, 16 ms apart, as a USB adapter's latency timer does.
TEST(ReceptionFromSimulator, ReadingsCutByTheTransportShowTheTrueBearingOnly) {
    WindowHarness harness;
    const QString link = QString::fromStdString(harness.LinkPath(1));
    QProcess sim;
    sim.start(QStringLiteral(TORVEN_SIM_PATH),
              {QStringLiteral("fixed"), QStringLiteral("256"), QStringLiteral("--split"),
               QStringLiteral("16"), QStringLiteral("--rate"), QStringLiteral("20"),
               QStringLiteral("--count"), QStringLiteral("12"), QStringLiteral("--link"), link});
    ASSERT_TRUE(WaitUntil([&] { return QFileInfo::exists(link); }));
    auto* readout = harness.Child<QLineEdit>(nameOf(names::kReadout));
    std::vector<std::string> texts;
    QObject::connect(readout, &QLineEdit::textChanged,
                     [&](const QString& t) { texts.push_back(t.toStdString()); });
    harness.Form().toggleConnection();
    ASSERT_TRUE(harness.Form().isPortOpen()) << harness.Status().toStdString();

    ASSERT_TRUE(WaitUntil([&] { return sim.state() == QProcess::NotRunning; }, 10000));
    auto* pause = harness.Child<QTimer>(nameOf(names::kReadingPause));
    ASSERT_TRUE(WaitUntil([&] { return !pause->isActive(); }));
    EXPECT_EQ(texts, std::vector<std::string>{" 180"});
    EXPECT_EQ(harness.LitLamps(), std::vector<int>{13});
}

// The reception on its own, fed blocks directly: what a window takes from it after each reading.
struct ReceptionCase {
    const char* name;
    int offset;
    std::vector<const char*> blocks; // handed over one after another, without a pause between
    int readings;                    // readings taken once every pause is over
    const char* raw;
    const char* readout;
    int litLamp;
    std::optional<int> liveBearing;
};

class ReceptionAlone : public testing::TestWithParam<ReceptionCase> {};

TEST_P(ReceptionAlone, TakesWholeReadingsAndSaysWhatTheyShow) {
    const ReceptionCase& c = GetParam();
    torven::Reception reception(c.offset);
    int taken = 0;
    QObject::connect(&reception, &torven::Reception::readingTaken, [&] { ++taken; });
    for (const char* block : c.blocks)
        reception.takeBlock(QByteArray(block));
    auto* pause = reception.findChild<QTimer*>(torven::Reception::kPauseTimerName);
    ASSERT_TRUE(WaitUntil([&] { return !pause->isActive(); }));
    EXPECT_EQ(taken, c.readings);
    EXPECT_EQ(reception.latest().rawReading, c.raw);
    EXPECT_EQ(reception.latest().readout, c.readout);
    EXPECT_EQ(reception.latest().litLamp, c.litLamp);
    EXPECT_EQ(reception.latest().liveBearing, c.liveBearing);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ReceptionAlone,
    testing::Values(
        ReceptionCase{"CutReadingJoined", 0, {"02", "56\r\n"}, 1, "0256", " 180", 13, 180},
        ReceptionCase{"CutReadingEndedByThePause", 0, {"02"}, 1, "02", " 1", 1, 1},
        ReceptionCase{"NewestOfABurst", 0, {"0300\r\n0128\r\n"}, 2, "0128", " 90", 7, 90},
        ReceptionCase{"OffsetTurnsTheBearing", 10, {"0256\r\n"}, 1, "0256", " 190", 14, 190},
        ReceptionCase{"OffsetWrapsNorthTo360", 90, {"0384\r\n"}, 1, "0384", " 360", 1, 360},
        ReceptionCase{"JunkIsNoPosition", 10, {"abcd\r\n"}, 1, "abcd", " 0", 0, std::nullopt}),
    torven::test::RowName());

TEST(ReceptionAlone, DroppedTextIsNeverTakenAndErrorsAreCounted) {
    torven::Reception reception;
    int taken = 0;
    QObject::connect(&reception, &torven::Reception::readingTaken, [&] { ++taken; });
    QStringList errors;
    QObject::connect(&reception, &torven::Reception::lineErrorCounted,
                     [&](const QString& text) { errors.append(text); });
    reception.takeBlock(QByteArray("02"));
    reception.dropWaitingText();
    reception.takeBlock(QByteArray("56\r\n"));
    EXPECT_EQ(taken, 1);
    EXPECT_EQ(reception.latest().rawReading, "56\r\n");

    reception.takeLineError(torven::LineEvent::Receive); // a reception, not a line error
    reception.takeLineError(torven::LineEvent::Parity);
    reception.takeLineError(torven::LineEvent::Frame);
    EXPECT_EQ(reception.errorCount(), 2);
    EXPECT_EQ(errors.size(), 2);
    EXPECT_EQ(errors.last(), reception.lastErrorText());
    EXPECT_TRUE(reception.lastErrorText().contains(QLatin1Char('2')));
}

} // namespace
