// A target from the rotctld service on the main window: the ring on its lamp, its degrees in the
// status line and tooltip, and how it goes away.
#include "PseudoTerminal.h"
#include "RotatorService.h"
#include "Rows.h"
#include "SerialLine.h"
#include "Target.h"
#include "TargetMark.h"
#include "Wait.h"
#include "WindowHarness.h"

#include <QApplication>
#include <QImage>
#include <QMouseEvent>

#include <gtest/gtest.h>

#include <algorithm>
#include <ostream>
#include <string>
#include <vector>

namespace {

using torven::Lamp;
using torven::PseudoTerminal;
using torven::RotatorService;
using torven::test::WaitUntil;
using torven::test::WindowHarness;

const QColor kRing = QColor::fromRgb(torven::kTargetMarkColour);

class Target : public testing::Test {
protected:
    void SetUp() override { m_harness.Form().showTargetsFrom(&m_service); }

    // The numbers of the lamps marked with the target's ring.
    std::vector<int> MarkedLamps() const {
        std::vector<int> marked;
        for (int k = 1; k <= 24; ++k) {
            if (m_harness.SectorLamp(k)->isMarked())
                marked.push_back(k);
        }
        return marked;
    }
    QString ToolTip() const { return m_harness.Tip(); }
    void Click(QWidget* widget) {
        const QPointF middle = QRectF(widget->rect()).center();
        QMouseEvent press(QEvent::MouseButtonPress, middle, widget->mapToGlobal(middle),
                          Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
        QMouseEvent release(QEvent::MouseButtonRelease, middle, widget->mapToGlobal(middle),
                            Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(widget, &press);
        QApplication::sendEvent(widget, &release);
    }
    QLabel* StatusLine() const {
        return m_harness.Child<QLabel>(torven::nameOf(torven::test::names::kStatusLine));
    }

    RotatorService m_service;
    WindowHarness m_harness;
};

struct MarkRow {
    const char* name;
    double azimuth;
    int lamp;
    QString status;
};
using torven::test::PrintTo;

class TargetLamps : public Target, public testing::WithParamInterface<MarkRow> {};

TEST_P(TargetLamps, MarkTheLampOfTheirSector) {
    const MarkRow& row = GetParam();
    emit m_service.targetSet(90); // an earlier target elsewhere, which the new one replaces
    emit m_service.targetSet(row.azimuth);
    EXPECT_EQ(MarkedLamps(), std::vector<int>{row.lamp});
    EXPECT_EQ(m_harness.Status(), row.status);
    EXPECT_TRUE(ToolTip().contains(row.status)) << ToolTip().toStdString();
    EXPECT_TRUE(m_harness.LitLamps().empty()) << "a target is no reading";
}

INSTANTIATE_TEST_SUITE_P(
    Window, TargetLamps,
    testing::Values(MarkRow{"NorthFromZero", 0, 1, QStringLiteral("→ 0°")},
                    MarkRow{"NorthFrom360", 360, 1, QStringLiteral("→ 360°")},
                    MarkRow{"RoundedIntoTheNextSector", 7.6, 2, QStringLiteral("→ 8°")},
                    MarkRow{"LastOfTheSouthSector", 187.4, 13, QStringLiteral("→ 187°")},
                    MarkRow{"Logger", 245, 17, QStringLiteral("→ 245°")},
                    MarkRow{"WestOfNorth", 352.4, 24, QStringLiteral("→ 352°")}),
    torven::test::RowName());

// The antenna in the target's sector: the lamp is lit and ringed at once, and its middle, where
// its colour is read, keeps the lit colour. A connect empties the status line, and the target
// comes back at once.
TEST_F(Target, LitLampAndMarkShowTogether) {
    emit m_service.targetSet(245);
    PseudoTerminal pty;
    pty.LinkAs(m_harness.LinkPath(1));
    m_harness.Form().toggleConnection();
    ASSERT_TRUE(m_harness.Form().isPortOpen());
    EXPECT_EQ(m_harness.Status(), QStringLiteral("→ 245°"));
    pty.Write("0348\r\n"); // 245 degrees
    ASSERT_TRUE(WaitUntil([&] { return m_harness.LitLamps() == std::vector<int>{17}; }));
    EXPECT_EQ(MarkedLamps(), std::vector<int>{17});

    for (const int k : {17, 13}) { // a lit small lamp, a dark large one
        emit m_service.targetSet(k == 17 ? 245 : 180);
        Lamp* lamp = m_harness.SectorLamp(k);
        const QColor fill =
            QColor::fromRgb(k == 17 ? torven::kLampLitColour : torven::kLampDarkColour);
        const QPoint middle(lamp->width() / 2, lamp->height() / 2);
        QImage image;
        EXPECT_TRUE(WaitUntil([&] {
            image = lamp->grab().toImage();
            return image.pixelColor(middle) == fill;
        })) << "lamp "
            << k << "'s middle is not its fill";
        // Two pixels of ring inside the circle's edge, on both sides of the middle.
        const int inside = std::min(lamp->width(), lamp->height()) / 2 - 1;
        for (const int dx : {inside, -inside})
            EXPECT_EQ(image.pixelColor(middle + QPoint(dx, 0)), kRing) << "lamp " << k << " " << dx;
    }
}

// A target is a true bearing: the calibration offset turns readings, not targets.
TEST_F(Target, OffsetLeavesTheTargetAlone) {
    m_harness.Make({std::nullopt, QString(), 90, {}});
    m_harness.Form().showTargetsFrom(&m_service);
    emit m_service.targetSet(245);
    EXPECT_EQ(MarkedLamps(), std::vector<int>{17});
    EXPECT_EQ(m_harness.Status(), QStringLiteral("→ 245°"));
}

// "Ошибка!" keeps the status line; the target's text comes back once it goes, and its degrees
// stay under the tooltip meanwhile.
TEST_F(Target, ErrorTakesPrecedenceInTheStatusLine) {
    m_harness.Form().serialLine().setPortNumber(7); // no device
    m_harness.Form().toggleConnection();
    ASSERT_EQ(m_harness.Status(), QStringLiteral("Ошибка!"));
    emit m_service.targetSet(59);
    EXPECT_EQ(m_harness.Status(), QStringLiteral("Ошибка!"));
    EXPECT_EQ(MarkedLamps(), std::vector<int>{5});
    EXPECT_TRUE(ToolTip().contains(QStringLiteral("→ 59°"))) << ToolTip().toStdString();
    Click(StatusLine()); // the error is no target: the click leaves the mark
    EXPECT_EQ(MarkedLamps(), std::vector<int>{5});

    PseudoTerminal pty;
    pty.LinkAs(m_harness.LinkPath(1));
    m_harness.Form().serialLine().setPortNumber(1);
    m_harness.Form().toggleConnection();
    ASSERT_TRUE(m_harness.Form().isPortOpen());
    EXPECT_EQ(m_harness.Status(), QStringLiteral("→ 59°"));
    // Closing the port leaves the target: it says where to point, not where the antenna is.
    m_harness.Form().toggleConnection();
    EXPECT_EQ(m_harness.Status(), QStringLiteral("→ 59°"));
    EXPECT_EQ(MarkedLamps(), std::vector<int>{5});
}

// A click on the status line or on the marked lamp dismisses the mark until a target in another
// sector, or a stop; a stop clears everything.
TEST_F(Target, DismissedUntilAnotherSectorOrAStop) {
    emit m_service.targetSet(180);
    Click(StatusLine());
    EXPECT_TRUE(MarkedLamps().empty());
    EXPECT_EQ(m_harness.Status(), QString());
    EXPECT_FALSE(ToolTip().contains(QStringLiteral("→"))) << ToolTip().toStdString();
    emit m_service.targetSet(181); // the tracker resends, the target moves within the sector
    EXPECT_TRUE(MarkedLamps().empty());
    emit m_service.targetSet(195);
    EXPECT_EQ(MarkedLamps(), std::vector<int>{14});
    EXPECT_EQ(m_harness.Status(), QStringLiteral("→ 195°"));

    Click(m_harness.SectorLamp(3)); // not the marked one
    EXPECT_EQ(MarkedLamps(), std::vector<int>{14});
    Click(m_harness.SectorLamp(14));
    EXPECT_TRUE(MarkedLamps().empty());
    emit m_service.targetCleared();
    emit m_service.targetSet(195); // after a stop, the same target shows again
    EXPECT_EQ(MarkedLamps(), std::vector<int>{14});
    emit m_service.targetCleared();
    EXPECT_TRUE(MarkedLamps().empty());
    EXPECT_EQ(m_harness.Status(), QString());
}

} // namespace
