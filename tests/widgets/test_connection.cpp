// The connect command against real pseudo-terminals and missing devices.
#include "PortDialog.h"
#include "SerialLine.h"
#include "WindowTest.h"

#include <QLineEdit>

#include <gtest/gtest.h>

#include <fstream>

namespace {

namespace dialog_names = torven::object_names::port_dialog;

class Connection : public testing::Test {
protected:
    WindowHarness h;
    QColor initialLamp = h.ConnectionLamp();
};

TEST_F(Connection, FirstConnectUsesTheDefaultSettingsAndLoadsTheDialogHidden) {
    PseudoTerminal pty;
    pty.LinkAs(h.LinkPath(1));
    h.Form().toggleConnection();
    EXPECT_TRUE(h.Form().isPortOpen());
    EXPECT_EQ(h.ConnectionLamp(), kGreen);
    EXPECT_EQ(h.Status(), "");
    EXPECT_TRUE(h.Form().serialLine().isPortOpen());
    EXPECT_EQ(h.Form().serialLine().settings(), "19200,n,8,1");
    EXPECT_FALSE(h.Form().portDialog().isVisible());
}

TEST_F(Connection, ConnectDisconnectConnectTurnsTheLampGreenRedGreen) {
    PseudoTerminal pty;
    pty.LinkAs(h.LinkPath(1));
    const QColor expected[] = {kGreen, kRed, kGreen};
    const bool open[] = {true, false, true};
    for (int i = 0; i < 3; ++i) {
        h.Form().toggleConnection();
        EXPECT_EQ(h.ConnectionLamp(), expected[i]) << i;
        EXPECT_EQ(h.Form().isPortOpen(), open[i]) << i;
        EXPECT_EQ(h.Form().serialLine().isPortOpen(), open[i]) << i;
        EXPECT_EQ(h.Status(), "") << i;
    }
}

TEST_F(Connection, PortWithoutDeviceShowsTheErrorAndChangesNothingElse) {
    h.Form().serialLine().setPortNumber(7); // no com7 link, and no seventh system port here
    ASSERT_TRUE(h.Form().serialLine().deviceFor(7).isEmpty() ||
                !QFileInfo::exists(h.Form().serialLine().deviceFor(7)));
    h.Form().toggleConnection();
    EXPECT_EQ(h.Status(), "Ошибка!");
    EXPECT_FALSE(h.Form().isPortOpen());
    EXPECT_EQ(h.ConnectionLamp(), initialLamp);
    EXPECT_FALSE(h.Form().serialLine().isPortOpen());
}

TEST_F(Connection, FailedConnectThenGoodOneClearsTheError) {
    ASSERT_EQ(symlink("/nonexistent/tty", h.LinkPath(1).c_str()), 0); // the adapter is not there
    h.Form().toggleConnection();
    EXPECT_EQ(h.Status(), "Ошибка!");
    EXPECT_FALSE(h.Form().isPortOpen());
    PseudoTerminal pty;
    pty.LinkAs(h.LinkPath(1)); // now it is
    h.Form().toggleConnection();
    EXPECT_EQ(h.Status(), "");
    EXPECT_EQ(h.ConnectionLamp(), kGreen);
}

TEST_F(Connection, DanglingLinkAndNonTerminalFail) {
    struct Row {
        const char* name;
        std::function<void(const std::string&)> prepare;
    };
    const Row rows[] = {
        {"DanglingLink",
         [](const std::string& link) {
             ASSERT_EQ(symlink("/nonexistent/tty", link.c_str()), 0);
         }},
        {"LinkToRegularFile",
         [&](const std::string& link) {
             const std::string file = link + ".file";
             std::ofstream(file) << "0256\r\n";
             ASSERT_EQ(symlink(file.c_str(), link.c_str()), 0);
         }},
    };
    std::int16_t port = 20;
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        row.prepare(h.LinkPath(port));
        h.Form().serialLine().setPortNumber(port++);
        h.Form().toggleConnection();
        EXPECT_EQ(h.Status(), "Ошибка!");
        EXPECT_FALSE(h.Form().isPortOpen());
        EXPECT_EQ(h.ConnectionLamp(), initialLamp);
    }
}

TEST_F(Connection, MalformedSettingsInTheOpenDialogFailWithoutOpening) {
    PseudoTerminal pty;
    pty.LinkAs(h.LinkPath(1));
    h.Form().showPortDialog();
    auto* text1 = h.Form().portDialog().findChild<QLineEdit*>(nameOf(dialog_names::kLineSettings));
    text1->setText(QStringLiteral("19200,x,8,1"));
    h.Form().toggleConnection();
    EXPECT_EQ(h.Status(), "Ошибка!");
    EXPECT_FALSE(h.Form().serialLine().isPortOpen());

    text1->setText(QStringLiteral("9600,e,7,1"));
    h.Form().toggleConnection();
    EXPECT_EQ(h.Status(), "");
    EXPECT_EQ(h.Form().serialLine().settings(), "9600,e,7,1");
}

TEST_F(Connection, ClosingTheDialogDropsEditedSettings) {
    PseudoTerminal pty;
    pty.LinkAs(h.LinkPath(1));
    h.Form().showPortDialog();
    h.Form()
        .portDialog()
        .findChild<QLineEdit*>(nameOf(dialog_names::kLineSettings))
        ->setText("9600,n,8,1");
    h.Form().portDialog().cancel();
    h.Form().toggleConnection();
    EXPECT_EQ(h.Form().serialLine().settings(), "19200,n,8,1");
}

TEST_F(Connection, TheMenuCaptionNeverChanges) {
    PseudoTerminal pty;
    pty.LinkAs(h.LinkPath(1));
    QAction* connect = h.Child<QAction>(nameOf(names::kConnectAction));
    for (int i = 0; i < 2; ++i) {
        h.Form().toggleConnection();
        EXPECT_EQ(connect->text(), "Связь");
        EXPECT_FALSE(connect->isChecked());
    }
}

} // namespace
