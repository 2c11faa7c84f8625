// The COM parameters dialog: what it shows, what OK stores and applies, and its single instance.
#include "PortDialog.h"
#include "PortSettingsFormat.h"
#include "PseudoTerminal.h"
#include "SerialLine.h"
#include "Wait.h"
#include "WindowHarness.h"

#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QMessageBox>
#include <QPushButton>

#include <gtest/gtest.h>

namespace {

using torven::nameOf;
using torven::PortDialog;
using torven::test::WaitUntil;
using torven::test::WindowHarness;
namespace dialog_names = torven::object_names::port_dialog;

QByteArray readFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<absent>");
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
}

class Dialog : public testing::Test {
protected:
    PortDialog& Open() {
        h.Form().showPortDialog();
        return h.Form().portDialog();
    }
    template <class T> T* In(PortDialog& dialog, const char* name) {
        return dialog.findChild<T*>(nameOf(name));
    }
    WindowHarness h;
};

TEST_F(Dialog, ShowsThePortInUseAndTheLaidOutTexts) {
    writeFile(h.CommSetPath(), "3\r\n");
    h.Make();
    auto& dialog = Open();
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(dialog.windowTitle(), "Параметры СОМ");
    EXPECT_EQ(dialog.size(), QSize(245, 135));
    EXPECT_EQ(In<QLineEdit>(dialog, dialog_names::kPortInUse)->text(), "3");
    EXPECT_EQ(In<QComboBox>(dialog, dialog_names::kPortChoice)->currentText(), "3")
        << "opens at the port in use";
    EXPECT_EQ(In<QComboBox>(dialog, dialog_names::kPortChoice)->count(), 9);
    EXPECT_EQ(In<QLineEdit>(dialog, dialog_names::kLineSettings)->text(), "19200,n,8,1");
    EXPECT_EQ(In<QPushButton>(dialog, dialog_names::kOkButton)->text(), "OK");
    EXPECT_EQ(In<QPushButton>(dialog, dialog_names::kCancelButton)->text(), "Отмена");
    EXPECT_EQ(dialog.focusWidget(), In<QLineEdit>(dialog, dialog_names::kLineSettings));
}

TEST_F(Dialog, OkStoresExactlyTheTypedTextAndAppliesIt) {
    struct Row {
        const char* name;
        QString typed;
        QByteArray stored;
        std::int16_t port;
    };
    const Row rows[] = {
        {"UntouchedKeepsThePortInUse", QString(), "3\r\n", 3},
        {"Picked", "7", "7\r\n", 7},
        {"BlankKeptAsTyped", " 4", " 4\r\n", 4},
        {"SecondOkReplacesNotAppends", "6", "6\r\n", 6},
        {"HalfRoundsToEven", "2.5", "2.5\r\n", 2},
        {"UntouchedStoresTheNumberNotTheTextTyped", QString(), "2\r\n", 2},
        {"UnlistedTyped", "12", "12\r\n", 12},
        {"UntouchedAfterAnUnlistedPort", QString(), "12\r\n", 12},
    };
    writeFile(h.CommSetPath(), "3\r\n");
    h.Make();
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        auto& dialog = Open();
        if (!row.typed.isNull())
            In<QComboBox>(dialog, dialog_names::kPortChoice)->setEditText(row.typed);
        dialog.accept();
        EXPECT_EQ(readFile(h.CommSetPath()), row.stored);
        EXPECT_EQ(h.Form().serialLine().portNumber(), row.port);
        EXPECT_FALSE(dialog.isVisible());
    }
}

TEST_F(Dialog, OkWithTextThatIsNoPortNumberStoresNothingAndStaysOpen) {
    writeFile(h.CommSetPath(), "3\r\n");
    h.Make();
    for (const char* typed : {"", "abc", "99999", "-32769", "3,5"}) {
        SCOPED_TRACE(typed);
        auto& dialog = Open();
        In<QComboBox>(dialog, dialog_names::kPortChoice)->setEditText(QString::fromLatin1(typed));
        dialog.accept();
        EXPECT_EQ(readFile(h.CommSetPath()), "3\r\n");
        EXPECT_EQ(h.Form().serialLine().portNumber(), 3);
        EXPECT_TRUE(dialog.isVisible());
        auto* warning = dialog.findChild<QMessageBox*>(nameOf(dialog_names::kWarning));
        ASSERT_NE(warning, nullptr);
        EXPECT_TRUE(warning->text().contains(QStringLiteral("номер порта")))
            << warning->text().toStdString();
        warning->close();
        dialog.cancel();
    }
}

// A start reads only the head of comm.set: OK must not store what the next start would misread.
TEST_F(Dialog, OkStoresOnlyWhatTheNextStartReadsBackWhole) {
    struct Row {
        const char* name;
        QString typed;
        bool stored;
    };
    const QString zeros(static_cast<qsizetype>(torven::kLongestPortText) - 1, QLatin1Char('0'));
    const Row rows[] = {
        {"OneCharacterTooLong", zeros + QStringLiteral("07"), false},
        {"LongestThatReadsBack", zeros + QStringLiteral("7"), true},
    };
    writeFile(h.CommSetPath(), "3\r\n");
    h.Make();
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const QByteArray before = readFile(h.CommSetPath());
        auto& dialog = Open();
        In<QComboBox>(dialog, dialog_names::kPortChoice)->setEditText(row.typed);
        dialog.accept();
        const torven::PortSettingsFile file(h.Folder(), h.UserFolder());
        if (row.stored) {
            EXPECT_EQ(readFile(h.CommSetPath()), row.typed.toLatin1() + "\r\n");
            EXPECT_EQ(file.load(), 7) << "the next start reads another port";
            EXPECT_FALSE(dialog.isVisible());
            continue;
        }
        EXPECT_EQ(readFile(h.CommSetPath()), before);
        EXPECT_EQ(h.Form().serialLine().portNumber(), 3);
        auto* warning = dialog.findChild<QMessageBox*>(nameOf(dialog_names::kWarning));
        ASSERT_NE(warning, nullptr);
        EXPECT_TRUE(warning->text().contains(QStringLiteral("не прочёл бы его целиком")))
            << warning->text().toStdString();
        warning->close();
        dialog.cancel();
    }
}

TEST_F(Dialog, CancelAndFrameCloseChangeNothing) {
    writeFile(h.CommSetPath(), "3\r\n");
    h.Make();
    auto& viaCancel = Open();
    In<QComboBox>(viaCancel, dialog_names::kPortChoice)->setEditText("7");
    viaCancel.cancel();
    auto& viaFrame = Open();
    In<QComboBox>(viaFrame, dialog_names::kPortChoice)->setEditText("8");
    viaFrame.close();
    EXPECT_EQ(readFile(h.CommSetPath()), "3\r\n");
    EXPECT_EQ(h.Form().serialLine().portNumber(), 3);
}

TEST_F(Dialog, OneInstanceAndEachLoadStartsFromTheLaidOutValues) {
    auto& first = Open();
    In<QLineEdit>(first, dialog_names::kLineSettings)->setText("9600,n,8,1");
    EXPECT_EQ(&Open(), &first); // shown again, not a second window
    EXPECT_EQ(In<QLineEdit>(first, dialog_names::kLineSettings)->text(), "9600,n,8,1");
    first.cancel();
    auto& second = Open();
    EXPECT_EQ(In<QLineEdit>(second, dialog_names::kLineSettings)->text(), "19200,n,8,1");
}

TEST_F(Dialog, LoadedHiddenByConnectKeepsItsTextsWhenShown) {
    h.Form().serialLine().setPortNumber(5);
    h.Form().toggleConnection(); // loads the dialog hidden, whatever the port does
    auto& hidden = h.Form().portDialog();
    EXPECT_FALSE(hidden.isVisible());
    h.Form().serialLine().setPortNumber(6);
    auto& shown = Open();
    EXPECT_EQ(&shown, &hidden);
    EXPECT_EQ(In<QLineEdit>(shown, dialog_names::kPortInUse)->text(),
              "5"); // the load step did not run again
}

TEST_F(Dialog, OkWhileConnectedTakesEffectAtTheNextConnect) {
    torven::PseudoTerminal pty;
    pty.LinkAs(h.LinkPath(1));
    h.Form().toggleConnection();
    ASSERT_TRUE(h.Form().isPortOpen());
    auto& dialog = Open();
    In<QComboBox>(dialog, dialog_names::kPortChoice)->setEditText("2");
    dialog.accept();
    EXPECT_TRUE(h.Form().serialLine().isPortOpen());
    EXPECT_EQ(h.Form().serialLine().portNumber(), 2);
}

TEST_F(Dialog, PortListTooltipsSayWhichDeviceEachNumberReaches) {
    torven::PseudoTerminal pty;
    pty.LinkAs(h.LinkPath(3));
    auto& dialog = Open();
    auto* combo = In<QComboBox>(dialog, dialog_names::kPortChoice);
    combo->showPopup();
    const QString tip = combo->itemData(2, Qt::ToolTipRole).toString();
    EXPECT_TRUE(tip.contains(QString::fromStdString(pty.SlavePath()))) << tip.toStdString();
    combo->hidePopup();
}

} // namespace
