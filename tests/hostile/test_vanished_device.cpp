// A device that goes away while the port is open: a pty whose controller side closes hangs up the
// line exactly as a USB adapter pulled out of its socket does.
#include "HostileSupport.h"
#include "SerialLine.h"
#include "WindowTest.h"

#include <QSerialPort>

#include <gtest/gtest.h>

#include <iostream>

namespace {

using torven::SerialLine;

class VanishedDevice : public testing::Test {
protected:
    // Connects through port 1 linked to `pty`.
    void ConnectTo(const PseudoTerminal& pty) {
        pty.LinkAs(h.LinkPath(1));
        h.Form().toggleConnection();
        ASSERT_TRUE(h.Form().isPortOpen());
        ASSERT_EQ(h.ConnectionLamp(), kGreen);
    }

    // Connects, and checks a reading gets through.
    void ConnectTo(const PseudoTerminal& pty, const char* reading, const char* readout) {
        ConnectTo(pty);
        pty.Write(reading);
        ASSERT_TRUE(WaitUntil([&] { return h.Readout() == readout; })) << h.Readout().toStdString();
    }

    WindowHarness h;
    int lost = 0;
};

TEST_F(VanishedDevice, HangUpIsReportedOnceWithoutSpinningAndTheNextConnectWorks) {
    struct Row {
        const char* name;
        const char* reading; // received before the hang-up, or none: no read was ever due
        QString readout;
    };
    const Row rows[] = {{"AfterAReading", "0256", " 180"}, {"BeforeAnyData", nullptr, "0"}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        h.Make();
        lost = 0;
        QObject::connect(&h.Form().serialLine(), &SerialLine::deviceLost, [this] { ++lost; });
        const QString readoutBefore = h.Readout();
        auto pty = std::make_unique<PseudoTerminal>();
        if (row.reading)
            ConnectTo(*pty, row.reading, row.readout.toLatin1().constData());
        else
            ConnectTo(*pty);

        const double before = torven::test::ProcessCpuMs();
        pty->CloseMaster();
        torven::test::ServeEventsFor(1000);
        const double usedMs = torven::test::ProcessCpuMs() - before;
        std::cout << row.name << ": CPU time in the second after the hang-up: " << usedMs
                  << " ms\n";
        RecordProperty(std::string("cpu_ms_after_hangup_") + row.name, std::to_string(usedMs));
        EXPECT_LT(usedMs, 100.0);

        EXPECT_EQ(lost, 1);
        EXPECT_FALSE(h.Form().serialLine().isPortOpen());
        EXPECT_FALSE(h.Form().serialLine().watchesLineErrors());
        EXPECT_FALSE(h.Form().isPortOpen());
        EXPECT_EQ(h.ConnectionLamp(), kRed);
        EXPECT_EQ(h.Status(), "Ошибка!");
        // The last bearing stays on show.
        EXPECT_EQ(h.Readout(), row.reading ? row.readout : readoutBefore);

        // A new device linked in the old one's place connects as usual.
        pty.reset();
        PseudoTerminal next;
        ConnectTo(next, "0128", " 90");
        EXPECT_EQ(h.Status(), "");
        EXPECT_EQ(lost, 1);
    }
}

// A read error on a line that has not hung up (a pty's controller flushed what the port was about
// to read) leaves the line working; a run of them with nothing read in between does not.
TEST_F(VanishedDevice, ReadErrorsOnALiveLineKeepItOpenUnlessTheyNeverStop) {
    QObject::connect(&h.Form().serialLine(), &SerialLine::deviceLost, [this] { ++lost; });
    PseudoTerminal pty;
    ConnectTo(pty, "0256", " 180");
    auto* port = h.Form().serialLine().findChild<QSerialPort*>();
    ASSERT_NE(port, nullptr);

    emit port->errorOccurred(QSerialPort::ReadError);
    EXPECT_EQ(lost, 0);
    EXPECT_TRUE(h.Form().isPortOpen());
    pty.Write("0128\r\n");
    ASSERT_TRUE(WaitUntil([&] { return h.Readout() == " 90"; })) << h.Readout().toStdString();

    for (int i = 0; i < 100 && lost == 0; ++i)
        emit port->errorOccurred(QSerialPort::ReadError);
    EXPECT_EQ(lost, 1);
    EXPECT_FALSE(h.Form().serialLine().isPortOpen());
    EXPECT_EQ(h.ConnectionLamp(), kRed);
    EXPECT_EQ(h.Status(), "Ошибка!");
}

} // namespace
