// A noisy line: the driver's line-error counters, faked through the serial component's counter
// source, and what the window makes of their growth.
#include "Logging.h"
#include "PseudoTerminal.h"
#include "SerialLine.h"
#include "Wait.h"
#include "WindowHarness.h"

#include <QLabel>
#include <QLoggingCategory>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <optional>
#include <string>
#include <termios.h>
#include <unistd.h>
#include <vector>

namespace {

using torven::LineErrorCounts;
using torven::nameOf;
using torven::PseudoTerminal;
using torven::test::WaitUntil;
using torven::test::WindowHarness;
namespace names = torven::object_names::main_window;

class LineErrors : public testing::Test {
protected:
    void SetUp() override {
        Comm().setLineErrorSource([this]() -> std::optional<LineErrorCounts> {
            ++reads;
            return counts;
        });
        pty.LinkAs(h.LinkPath(1));
        Connect();
    }

    torven::SerialLine& Comm() { return h.Form().serialLine(); }
    QString Tooltip() const { return h.Tip(); }

    void Connect() {
        h.Form().toggleConnection();
        ASSERT_TRUE(h.Form().isPortOpen()) << h.Status().toStdString();
    }

    // Waits for the component to look at the counters again, on its own or after a reception.
    void WaitForNextLook(const char* send = nullptr) {
        const int before = reads;
        if (send)
            pty.Write(send);
        ASSERT_TRUE(WaitUntil([&] { return reads > before; }));
    }

    WindowHarness h;
    PseudoTerminal pty;
    std::optional<LineErrorCounts> counts = LineErrorCounts{3, 3, 3, 3, 3};
    int reads = 0;
};

TEST_F(LineErrors, EachGrownCountIsOneNotificationAndTheTextFollowsTheCount) {
    EXPECT_TRUE(Comm().watchesLineErrors());
    struct Step {
        const char* name;
        LineErrorCounts counts; // break, frame, overrun, buffer overrun, parity
        const char* send;       // a reception to look after, or none: the slow timer looks
        int errorCount;
        const char* tooltip;
    };
    const Step steps[] = {
        {"Nothing grew", {3, 3, 3, 3, 3}, nullptr, 0, ""},
        {"Framing", {3, 4, 3, 3, 3}, nullptr, 1, "Errors:1 Last Error: Framing Error "},
        {"ParityBurstWithAReading",
         {3, 4, 3, 3, 90},
         "0256",
         2,
         "Errors:2 Last Error: Parity Error "},
        {"BreakCountsNothing", {4, 4, 3, 3, 90}, nullptr, 2, "Errors:2 Last Error: Parity Error "},
        {"ThreeKindsAtOnce",
         {4, 5, 4, 4, 90},
         nullptr,
         5,
         "Errors:5 Last Error: Receive Buffer Overflow "},
        {"RestartedCounters",
         {0, 0, 0, 0, 0},
         nullptr,
         5,
         "Errors:5 Last Error: Receive Buffer Overflow "},
        {"OverrunAfterTheRestart",
         {0, 0, 1, 0, 0},
         nullptr,
         6,
         "Errors:6 Last Error: Port Overrun"},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.name);
        counts = step.counts;
        WaitForNextLook(step.send);
        EXPECT_EQ(h.Form().reception().errorCount(), step.errorCount);
        EXPECT_EQ(Tooltip(), step.tooltip);
    }
    EXPECT_EQ(h.Readout(), " 180"); // the reading between the errors came through
    EXPECT_EQ(h.Status(), "");      // line errors never show as a failed connection
}

TEST_F(LineErrors, CountsAtOpenAreTheBaselineAndTheCountSurvivesAReconnect) {
    counts->frame += 1;
    WaitForNextLook();
    ASSERT_EQ(h.Form().reception().errorCount(), 1);

    h.Form().toggleConnection(); // disconnect
    EXPECT_FALSE(Comm().watchesLineErrors());
    counts->parity += 7; // errors on a closed port are nobody's business
    Connect();
    EXPECT_TRUE(Comm().watchesLineErrors());
    WaitForNextLook();
    EXPECT_EQ(h.Form().reception().errorCount(), 1);

    counts->overrun += 1;
    WaitForNextLook();
    EXPECT_EQ(h.Form().reception().errorCount(), 2);
}

TEST_F(LineErrors, CountersThatGoAwayStopTheWatch) {
    counts.reset();
    WaitForNextLook();
    EXPECT_FALSE(Comm().watchesLineErrors());
    EXPECT_EQ(h.Form().reception().errorCount(), 0);
    // A reception does not ask a driver that has no counters.
    const int before = reads;
    pty.Write("0128");
    ASSERT_TRUE(WaitUntil([&] { return h.Readout() == " 90"; }));
    EXPECT_EQ(reads, before);
}

// The messages of the log, as "category: text".
std::vector<std::string>& logged() {
    static std::vector<std::string> lines;
    return lines;
}

TEST_F(LineErrors, EachLineErrorIsOneLineOfTheLogWithTheDriversCounts) {
    logged().clear();
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext& context, const QString& text) {
        // Only torven's own: Qt may have something to say meanwhile.
        if (std::string(context.category).rfind("torven.", 0) == 0)
            logged().push_back(std::string(context.category) + ": " + text.toStdString());
    });
    torven::enableDebugLog();
    counts->parity += 2;
    WaitForNextLook();
    QLoggingCategory::setFilterRules(QString());
    qInstallMessageHandler(nullptr);

    ASSERT_EQ(logged().size(), 1u);
    const std::string& line = logged().front();
    EXPECT_EQ(line.rfind("torven.serial: line error 1009 on ", 0), 0u) << line;
    EXPECT_NE(line.find(": Parity Error; the driver's counts: break 3, framing 3, overrun 3, "
                        "buffer overrun 3, parity 5"),
              std::string::npos)
        << line;
}

// Whether the line checks the parity of what it receives, as seen through a second descriptor.
bool ChecksInputParity(const PseudoTerminal& pty) {
    const int fd = open(pty.SlavePath().c_str(), O_RDONLY | O_NOCTTY | O_NONBLOCK);
    termios mode{};
    const bool got = fd >= 0 && tcgetattr(fd, &mode) == 0;
    if (fd >= 0)
        close(fd);
    return got && (mode.c_iflag & INPCK) && (mode.c_iflag & IGNPAR) && !(mode.c_iflag & PARMRK);
}

TEST(DriverLineErrors, APseudoTerminalHasNoCountersButChecksParityAfterEverySettingsChange) {
    WindowHarness h;
    PseudoTerminal pty;
    pty.LinkAs(h.LinkPath(1));
    h.Form().toggleConnection();
    ASSERT_TRUE(h.Form().serialLine().isPortOpen());
    EXPECT_FALSE(h.Form().serialLine().watchesLineErrors());
    EXPECT_TRUE(ChecksInputParity(pty));
    // Setting the parity again on the open port must not switch the check off.
    EXPECT_TRUE(h.Form().serialLine().setSettings(QStringLiteral("9600,n,8,1")).succeeded());
    EXPECT_TRUE(ChecksInputParity(pty));
}

} // namespace
