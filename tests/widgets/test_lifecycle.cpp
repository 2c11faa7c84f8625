// Start, the caret rule, the about window and the close that rolls the window away.
#include "FormHarness.h"
#include "Pty.h"
#include "Wait.h"
#include "platform/MSComm.h"
#include "ui/frmAbout.h"

#include <QCheckBox>
#include <QElapsedTimer>
#include <QFile>
#include <QPointer>
#include <QPushButton>
#include <QSerialPort>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

using torven::test::FormHarness;
using torven::test::Pty;
using torven::test::WaitUntil;

TEST(Start, WithoutStoredPortKeepsPortOneAndCreatesNoFile) {
    FormHarness h;
    EXPECT_EQ(h.Form().Comm().CommPort(), 1);
    EXPECT_EQ(h.Form().Comm().RThreshold(), 1);
    EXPECT_EQ(h.Form().Comm().SThreshold(), 1);
    EXPECT_FALSE(h.Child<QCheckBox>("Check1")->isChecked());
    EXPECT_FALSE(h.Form().Comm().PortOpen());
    EXPECT_FALSE(QFile::exists(h.CommSetPath()));
}

TEST(Start, ReadsTheStoredPortButDoesNotOpenIt) {
    FormHarness h;
    QFile file(h.CommSetPath());
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("3\r\n");
    file.close();
    h.Make();
    EXPECT_EQ(h.Form().Comm().CommPort(), 3);
    EXPECT_FALSE(h.Form().Comm().PortOpen());
    EXPECT_EQ(h.Form().portOpenFlag(), 0);
}

TEST(Start, ReadsThePerUserFileWhenTheProgramFolderHasNone) {
    FormHarness h;
    ASSERT_TRUE(QDir().mkpath(h.UserFolder()));
    QFile file(h.UserFolder() + "/comm.set");
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("4\r\n");
    file.close();
    h.Make();
    EXPECT_EQ(h.Form().Comm().CommPort(), 4);
}

// An installed copy has no program folder of its own to keep the file in: it stores and reads the
// file per user, and never looks in the current folder.
TEST(Start, AnInstalledCopyKeepsTheFilePerUserOnly) {
    const QTemporaryDir dir;
    const QString user = dir.path() + "/user";
    const torven::PortSettingsFile file(QString(), user);
    EXPECT_EQ(file.Folders(), QStringList{user});
    EXPECT_EQ(file.Save(" 5 "), "");
    QFile stored(user + "/comm.set");
    ASSERT_TRUE(stored.open(QIODevice::ReadOnly));
    EXPECT_EQ(stored.readAll(), " 5 \r\n");
    EXPECT_EQ(file.Load(), 5);
}

TEST(Caret, FollowsTheCheckBoxAtEachTextChange) {
    FormHarness h;
    h.Form().show();
    auto* readout = h.Child<QLineEdit>("Text3");
    auto* check = h.Child<QCheckBox>("Check1");
    readout->setText("1");
    EXPECT_TRUE(readout->isReadOnly()) << "caret hidden while the check box is clear";

    check->setChecked(true);
    EXPECT_TRUE(readout->isReadOnly()) << "the check box alone changes nothing";
    readout->setText("2");
    EXPECT_FALSE(readout->isReadOnly()) << "caret shown at the next change";

    check->setChecked(false);
    readout->setFocus();
    readout->clearFocus();
    readout->setFocus();
    EXPECT_TRUE(WaitUntil([&] { return readout->isReadOnly(); }, 1000)) << "hidden at focus gain";
}

TEST(About, TwoCommandsGiveOneWindowAndOkClosesIt) {
    FormHarness h;
    h.Form().mnuAbout_Click();
    torven::frmAbout* first = &h.Form().About();
    h.Form().mnuAbout_Click();
    EXPECT_EQ(&h.Form().About(), first);
    EXPECT_TRUE(first->isVisible());
    EXPECT_EQ(first->windowTitle(), "Инфо");
    EXPECT_EQ(first->findChild<QPushButton*>("Command1")->text(),
              QString::fromUtf8("\u041e\u041a"));
    EXPECT_EQ(first->findChild<QLabel*>("Label1")->text(), "Индикатор направления антенны");
    EXPECT_EQ(first->findChild<QLabel*>("Label4")->text(), "2009г.");

    QPointer<torven::frmAbout> closed(first);
    first->Command1_Click();
    EXPECT_FALSE(closed && closed->isVisible());
    h.Form().mnuAbout_Click();
    EXPECT_TRUE(h.Form().About().isVisible());
}

TEST(Exit, RollsAwayThenClosesTheOtherWindowsAndReleasesThePort) {
    FormHarness h;
    Pty pty;
    pty.LinkAs(h.LinkPath(1));
    h.Form().show();
    h.Form().mnuConnect_Click();
    ASSERT_TRUE(h.Form().Comm().PortOpen());
    h.Form().mnuAbout_Click();
    h.Form().mnuCommunicate_Click();
    QPointer<QWidget> about(&h.Form().About());
    QPointer<QWidget> dialog(reinterpret_cast<QWidget*>(&h.Form().Communicate()));

    QElapsedTimer clock;
    clock.start();
    h.Form().mnuExit_Click();
    EXPECT_TRUE(h.Form().isVisible()) << "the window stays while it rolls away";
    ASSERT_TRUE(WaitUntil([&] { return !h.Form().isVisible(); }, 2000));
    EXPECT_GE(clock.elapsed(), 150);
    EXPECT_TRUE(h.Form().mask().isEmpty()) << "mask cleared after the roll";

    // The program ends with the main window: its destruction takes the other windows and the
    // port with it, without running their OK or Cancel.
    QPointer<torven::Form1> form(&h.Form());
    h.Make();
    EXPECT_TRUE(about.isNull());
    EXPECT_TRUE(dialog.isNull());
    EXPECT_FALSE(QFile::exists(h.CommSetPath()));
    // The line is free again: another reader can open it.
    QSerialPort again(QString::fromStdString(pty.SlavePath()));
    EXPECT_TRUE(again.open(QIODevice::ReadOnly)) << again.errorString().toStdString();
}

TEST(Exit, TheCloseControlDoesTheSame) {
    FormHarness h;
    h.Form().show();
    h.Form().close();
    EXPECT_TRUE(h.Form().isVisible());
    ASSERT_TRUE(WaitUntil([&] { return !h.Form().isVisible(); }, 2000));
}

} // namespace
