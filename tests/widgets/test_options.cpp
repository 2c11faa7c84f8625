// What the command line's options change in the window: the calibration offset on each reading,
// a port for one run that leaves comm.set alone, the caption, and the status line's remarks.
#include "PortDialog.h"
#include "PseudoTerminal.h"
#include "Rows.h"
#include "SerialLine.h"
#include "Wait.h"
#include "WindowHarness.h"

#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QMessageBox>

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

namespace {

using torven::MainWindowOptions;
using torven::nameOf;
using torven::PortDialog;
using torven::PseudoTerminal;
using torven::test::WaitUntil;
using torven::test::WindowHarness;
namespace names = torven::object_names::main_window;
namespace dialog_names = torven::object_names::port_dialog;

struct OffsetRow {
    const char* name;
    int offset;
    const char* block;
    const char* readout;
    std::vector<int> lamps;
};
using torven::test::PrintTo;

class Offset : public testing::TestWithParam<OffsetRow> {};

TEST_P(Offset, TurnsTheBearingBeforeTheReadoutAndLampsSeeIt) {
    const OffsetRow& row = GetParam();
    WindowHarness h;
    h.Make(MainWindowOptions{{}, {}, row.offset, {}});
    PseudoTerminal pty;
    pty.LinkAs(h.LinkPath(1));
    h.Form().toggleConnection();
    ASSERT_TRUE(h.Form().isPortOpen()) << h.Status().toStdString();
    pty.Write(std::string(row.block) + "\r\n");
    ASSERT_TRUE(WaitUntil([&] { return h.RawReading() == row.block; }));
    ASSERT_TRUE(WaitUntil([&] { return h.Readout() == row.readout; }))
        << "readout " << h.Readout().toStdString();
    EXPECT_EQ(h.LitLamps(), row.lamps);
}

INSTANTIATE_TEST_SUITE_P(
    Readings, Offset,
    testing::Values(
        // North plus a quarter turn is east.
        OffsetRow{"ZeroPlus90IsEast", 90, "0000", " 90", {7}},
        // The sum wraps to 360, which lights the north lamp, never to a dark 0.
        OffsetRow{"WestPlus90IsNorth360", 90, "0384", " 360", {1}},
        OffsetRow{"EastMinus90IsNorth360", -90, "0128", " 360", {1}},
        OffsetRow{"NorthEastMinus90WrapsBelowZero", -90, "0064", " 315", {22}},
        OffsetRow{"FullTurnPlus359", 359, "0512", " 359", {1}},
        // Junk stays what it decodes to: no number reads 0, a bearing beyond a turn stays as it is.
        OffsetRow{"TextWithoutANumberStaysZero", 90, "abcd", " 0", {}},
        OffsetRow{"BeyondATurnIsNotTurned", 90, "9999", " 7030", {}},
        // Without an offset the reading is shown exactly as decoded.
        OffsetRow{"NoOffsetLeavesNorthZero", 0, "0000", " 0", {}}),
    torven::test::RowName());

QByteArray readFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<absent>");
}

TEST(PortForThisRun, IsUsedInsteadOfCommSetAndTheDialogDoesNotStoreTheChoice) {
    WindowHarness h;
    {
        QFile file(h.CommSetPath());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("5\r\n");
    }
    h.Make(MainWindowOptions{3, {}, 0, {}});
    EXPECT_EQ(h.Form().serialLine().portNumber(), 3);

    h.Form().showPortDialog();
    PortDialog& dialog = h.Form().portDialog();
    const auto* note = dialog.findChild<QLabel*>(nameOf(dialog_names::kThisRunNote));
    ASSERT_NE(note, nullptr);
    EXPECT_TRUE(note->isVisible());
    EXPECT_TRUE(note->text().contains(QStringLiteral("comm.set не меняется")));
    auto* choice = dialog.findChild<QComboBox*>(nameOf(dialog_names::kPortChoice));
    EXPECT_EQ(choice->currentText(), "3");
    choice->setCurrentIndex(choice->findText(QStringLiteral("2")));
    dialog.accept();

    EXPECT_EQ(h.Form().serialLine().portNumber(), 2) << "the choice applies to this run";
    EXPECT_EQ(readFile(h.CommSetPath()), "5\r\n") << "comm.set must be left as it was";
}

// With several copies running, each one's dialog must be seen to belong to its window.
TEST(Naming, ThePortDialogOpensOverItsWindowWithItsName) {
    WindowHarness h;
    h.Make(MainWindowOptions{3, QStringLiteral("Мачта 2"), 0, {}});
    h.Form().placeAt({40, 30});
    h.Form().show();
    h.Form().showPortDialog();
    const PortDialog& dialog = h.Form().portDialog();
    EXPECT_EQ(dialog.windowTitle(), "Параметры СОМ — Мачта 2");
    EXPECT_EQ(dialog.parentWidget(), nullptr) << "the dialog has no owner window";
    const QPoint apart = dialog.frameGeometry().center() - h.Form().frameGeometry().center();
    EXPECT_LE(apart.manhattanLength(), 6) << apart.x() << "," << apart.y();
    // The note that --port adds is shown whole.
    const auto* note = dialog.findChild<QLabel*>(nameOf(dialog_names::kThisRunNote));
    ASSERT_NE(note, nullptr);
    EXPECT_GE(note->height(), note->heightForWidth(note->width()));
    EXPECT_TRUE(dialog.rect().contains(note->geometry()));
}

TEST(Naming, CaptionAndStatusRemarksNewestFirst) {
    WindowHarness h;
    h.Make(MainWindowOptions{{}, QStringLiteral("Мачта 2"), 15, {}});
    EXPECT_EQ(h.Form().windowTitle(), "TORVEN — Мачта 2");
    EXPECT_EQ(h.Tip(), "Поправка азимута: +15°.");

    h.Form().addStatusRemark(QStringLiteral("Служба rotctld не запущена."));
    EXPECT_EQ(h.Tip(), "Служба rotctld не запущена.\nПоправка азимута: +15°.");
    // A reason (here a port that does not open) comes first, the remarks stay below it.
    h.Form().serialLine().setPortNumber(99);
    h.Form().toggleConnection();
    ASSERT_FALSE(h.Form().isPortOpen());
    const QStringList lines = h.Tip().split(QLatin1Char('\n'));
    ASSERT_EQ(lines.size(), 3) << h.Tip().toStdString();
    EXPECT_FALSE(lines[0].isEmpty());
    EXPECT_EQ(lines[1], "Служба rotctld не запущена.");
    EXPECT_EQ(lines[2], "Поправка азимута: +15°.");
}

// A service that could not start is said once in a box over the window, which must leave the
// indicator free to use, and stays under the status line.
TEST(Naming, ServiceOffIsShownWithoutHoldingUpTheWindow) {
    WindowHarness h;
    h.Form().show();
    const QString reason = QStringLiteral("Служба rotctld не запущена: порт 4533 на адресе "
                                          "127.0.0.1 уже занят (Address in use)");
    h.Form().reportServiceOff(reason);
    auto* box = h.Form().findChild<QMessageBox*>(nameOf(names::kServiceWarning));
    ASSERT_NE(box, nullptr);
    EXPECT_TRUE(box->isVisible());
    EXPECT_FALSE(box->isModal());
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    EXPECT_TRUE(box->text().startsWith(reason)) << box->text().toStdString();
    EXPECT_TRUE(box->text().contains(QStringLiteral("без службы"))) << box->text().toStdString();
    EXPECT_NE(box->windowTitle(), h.Form().windowTitle()) << "it would pass for the main window";
    EXPECT_FALSE(box->frameGeometry().intersects(h.Form().frameGeometry()))
        << "the box hides the indicator";
    EXPECT_EQ(h.Tip(), reason);
    EXPECT_EQ(h.Status(), QString()) << "the status line says only what the design says";
}

} // namespace
