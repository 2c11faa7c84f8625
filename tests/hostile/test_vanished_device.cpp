// A device that goes away while the port is open: a pty whose controller side closes hangs up the
// line exactly as a USB adapter pulled out of its socket does.
#include "FormHarness.h"
#include "HostileSupport.h"
#include "Pty.h"
#include "Wait.h"
#include "platform/MSComm.h"

#include <gtest/gtest.h>

#include <iostream>

namespace {

using torven::MSComm;
using torven::test::FormHarness;
using torven::test::Pty;
using torven::test::WaitUntil;

const QColor kGreen(0x00, 0xFF, 0x00);
const QColor kRed(0xFF, 0x00, 0x00);

class VanishedDevice : public testing::Test {
protected:
    void SetUp() override {
        QObject::connect(&h.Form().Comm(), &MSComm::DeviceLost, [this] { ++lost; });
    }

    // Connects through port 1 linked to `pty`, and checks a reading gets through.
    void ConnectTo(const Pty& pty, const char* reading, const char* readout) {
        pty.LinkAs(h.LinkPath(1));
        h.Form().mnuConnect_Click();
        ASSERT_EQ(h.Form().portOpenFlag(), -1);
        ASSERT_EQ(h.ConnectionLamp(), kGreen);
        pty.Write(reading);
        ASSERT_TRUE(WaitUntil([&] { return h.Readout() == readout; })) << h.Readout().toStdString();
    }

    FormHarness h;
    int lost = 0;
};

TEST_F(VanishedDevice, HangUpIsReportedOnceWithoutSpinningAndTheNextConnectWorks) {
    auto pty = std::make_unique<Pty>();
    ConnectTo(*pty, "0256", " 180");

    const double before = torven::test::ProcessCpuMs();
    pty->CloseMaster();
    torven::test::ServeEventsFor(1000);
    const double usedMs = torven::test::ProcessCpuMs() - before;
    std::cout << "CPU time in the second after the hang-up: " << usedMs << " ms\n";
    RecordProperty("cpu_ms_after_hangup", std::to_string(usedMs));
    EXPECT_LT(usedMs, 100.0);

    EXPECT_EQ(lost, 1);
    EXPECT_FALSE(h.Form().Comm().PortOpen());
    EXPECT_EQ(h.Form().portOpenFlag(), 0);
    EXPECT_EQ(h.ConnectionLamp(), kRed);
    EXPECT_EQ(h.Status(), "Ошибка!");
    EXPECT_EQ(h.Readout(), " 180"); // the last bearing stays on show

    // A new device linked in the old one's place connects as usual.
    pty.reset();
    Pty next;
    ConnectTo(next, "0128", " 90");
    EXPECT_EQ(h.Status(), "");
    EXPECT_EQ(lost, 1);
}

} // namespace
