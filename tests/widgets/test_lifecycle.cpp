// Start, the caret rule, the about window and the close that rolls the window away.
#include "AboutWindow.h"
#include "SerialLine.h"
#include "WindowTest.h"

#include <QElapsedTimer>
#include <QFile>
#include <QPointer>
#include <QPushButton>
#include <QSerialPort>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

namespace about_names = torven::object_names::about_window;

TEST(Start, WithoutStoredPortKeepsPortOneAndCreatesNoFile) {
    WindowHarness h;
    EXPECT_EQ(h.Form().serialLine().portNumber(), 1);
    EXPECT_FALSE(h.Form().serialLine().isPortOpen());
    EXPECT_FALSE(QFile::exists(h.CommSetPath()));
}

TEST(Start, ReadsTheStoredPortButDoesNotOpenIt) {
    WindowHarness h;
    QFile file(h.CommSetPath());
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("3\r\n");
    file.close();
    h.Make();
    EXPECT_EQ(h.Form().serialLine().portNumber(), 3);
    EXPECT_FALSE(h.Form().serialLine().isPortOpen());
    EXPECT_FALSE(h.Form().isPortOpen());
}

TEST(Start, ReadsThePerUserFileWhenTheProgramFolderHasNone) {
    WindowHarness h;
    ASSERT_TRUE(QDir().mkpath(h.UserFolder()));
    QFile file(h.UserFolder() + "/comm.set");
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("4\r\n");
    file.close();
    h.Make();
    EXPECT_EQ(h.Form().serialLine().portNumber(), 4);
}

// An installed copy has no program folder of its own to keep the file in: it stores and reads the
// file per user, and never looks in the current folder.
TEST(Start, AnInstalledCopyKeepsTheFilePerUserOnly) {
    const QTemporaryDir dir;
    const QString user = dir.path() + "/user";
    const torven::PortSettingsFile file(QString(), user);
    EXPECT_EQ(file.folders(), QStringList{user});
    EXPECT_EQ(file.save(" 5 "), std::nullopt);
    QFile stored(user + "/comm.set");
    ASSERT_TRUE(stored.open(QIODevice::ReadOnly));
    EXPECT_EQ(stored.readAll(), " 5 \r\n");
    EXPECT_EQ(file.load(), 5);
}

// Nothing in the program asks for the readout's caret: every text change and every focus gain
// hides it again, whatever showed it.
TEST(Caret, HiddenAtEachTextChangeAndFocusGain) {
    WindowHarness h;
    h.Form().show();
    auto* readout = h.Child<QLineEdit>(nameOf(names::kReadout));
    readout->setText("1");
    EXPECT_TRUE(readout->isReadOnly()) << "caret hidden after a change";

    readout->setReadOnly(false);
    readout->setText("2");
    EXPECT_TRUE(readout->isReadOnly()) << "hidden again at the next change";

    readout->setReadOnly(false);
    readout->clearFocus();
    readout->setFocus();
    EXPECT_TRUE(WaitUntil([&] { return readout->isReadOnly(); }, 1000)) << "hidden at focus gain";
}

TEST(About, TwoCommandsGiveOneWindowAndOkClosesIt) {
    WindowHarness h;
    h.Form().showAboutWindow();
    torven::AboutWindow* first = &h.Form().aboutWindow();
    h.Form().showAboutWindow();
    EXPECT_EQ(&h.Form().aboutWindow(), first);
    EXPECT_TRUE(first->isVisible());
    EXPECT_EQ(first->windowTitle(), "Инфо");
    EXPECT_EQ(first->findChild<QPushButton*>(nameOf(about_names::kOkButton))->text(),
              QString::fromUtf8("\u041e\u041a"));
    EXPECT_EQ(first->findChild<QLabel*>(nameOf(about_names::kTitle))->text(),
              "Индикатор направления антенны");
    EXPECT_EQ(first->findChild<QLabel*>(nameOf(about_names::kYear))->text(), "2009г.");

    QPointer<torven::AboutWindow> closed(first);
    first->accept();
    EXPECT_FALSE(closed && closed->isVisible());
    h.Form().showAboutWindow();
    EXPECT_TRUE(h.Form().aboutWindow().isVisible());
}

TEST(Exit, RollsAwayThenClosesTheOtherWindowsAndReleasesThePort) {
    WindowHarness h;
    PseudoTerminal pty;
    pty.LinkAs(h.LinkPath(1));
    h.Form().show();
    h.Form().toggleConnection();
    ASSERT_TRUE(h.Form().serialLine().isPortOpen());
    h.Form().showAboutWindow();
    h.Form().showPortDialog();
    QPointer<QWidget> about(&h.Form().aboutWindow());
    QPointer<QWidget> dialog(reinterpret_cast<QWidget*>(&h.Form().portDialog()));

    QElapsedTimer clock;
    clock.start();
    h.Form().exitProgram();
    EXPECT_TRUE(h.Form().isVisible()) << "the window stays while it rolls away";
    ASSERT_TRUE(WaitUntil([&] { return !h.Form().isVisible(); }, 2000));
    EXPECT_GE(clock.elapsed(), 150);
    EXPECT_TRUE(h.Form().mask().isEmpty()) << "mask cleared after the roll";

    // The program ends with the main window: its destruction takes the other windows and the
    // port with it, without running their OK or Cancel.
    QPointer<torven::MainWindow> form(&h.Form());
    h.Make();
    EXPECT_TRUE(about.isNull());
    EXPECT_TRUE(dialog.isNull());
    EXPECT_FALSE(QFile::exists(h.CommSetPath()));
    // The line is free again: another reader can open it.
    QSerialPort again(QString::fromStdString(pty.SlavePath()));
    EXPECT_TRUE(again.open(QIODevice::ReadOnly)) << again.errorString().toStdString();
}

TEST(Exit, TheCloseControlDoesTheSame) {
    WindowHarness h;
    h.Form().show();
    h.Form().close();
    EXPECT_TRUE(h.Form().isVisible());
    ASSERT_TRUE(WaitUntil([&] { return !h.Form().isVisible(); }, 2000));
}

} // namespace
