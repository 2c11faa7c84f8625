// What the window shows of a reading and where it stands: every digit and the sign of the readout
// stay in view, and the window keeps its top-left corner on a small screen.
#include "Placement.h"
#include "WindowTest.h"

#include <QFontMetrics>
#include <QImage>

#include <gtest/gtest.h>

namespace {

// The columns of the box that hold ink: pixels unlike the box's own face.
struct Ink {
    int left = -1;
    int right = -1;
    int Width() const { return left < 0 ? 0 : right - left + 1; }
};

Ink InkIn(QWidget* box) {
    const QImage image = box->grab().toImage();
    const QRgb face = image.pixel(0, 0);
    Ink ink;
    for (int x = 0; x < image.width(); ++x) {
        for (int y = 0; y < image.height(); ++y) {
            if (image.pixel(x, y) != face) {
                ink.left = ink.left < 0 ? x : ink.left;
                ink.right = x;
                break;
            }
        }
    }
    return ink;
}

TEST(Readout, ShowsEveryDigitAndTheSignOrMarksWhatItCannot) {
    WindowHarness h;
    PseudoTerminal pty;
    pty.LinkAs(h.LinkPath(1));
    h.Form().toggleConnection();
    ASSERT_TRUE(h.Form().isPortOpen()) << h.Status().toStdString();
    auto* readout = h.Child<QLineEdit>(nameOf(names::kReadout));
    auto* overflow = readout->findChild<QWidget*>(nameOf(names::kReadoutOverflow));
    ASSERT_NE(overflow, nullptr);
    const int fullSize = readout->font().pixelSize();

    enum class Shown { FullSize, Smaller, Marked };
    struct Row {
        const char* name;
        const char* reading;
        const char* readout;
        Shown shown;
    };
    // In order: each row starts from what the row before left.
    const Row rows[] = {
        {"Bearing", "0256", " 180", Shown::FullSize},
        {"LowestPastAFullTurnThatFitsOnceTheBlankScrollsAway", "5120", " 3600", Shown::FullSize},
        {"HighestFourDigitReading", "9999", " 7030", Shown::FullSize},
        {"FiveDigitsAreShownSmaller", "5E4", " 35156", Shown::Smaller},
        {"TheSignStaysInViewToo", "-5E4", "-35156", Shown::Smaller},
        {"HundredDigitsAreMarked", "9E99", nullptr, Shown::Marked},
        {"ABearingAfterwardsIsFullSizeAgain", "0128", " 90", Shown::FullSize},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const std::string block = std::string(row.reading) + "\r\n";
        pty.Write(block);
        ASSERT_TRUE(WaitUntil([&] { return h.RawReading() == block.substr(0, 4); }));
        if (row.readout) {
            EXPECT_EQ(h.Readout(), row.readout);
        }
        // The window itself is not shown: what counts is whether the mark would be.
        EXPECT_EQ(!overflow->isHidden(), row.shown == Shown::Marked);
        if (row.shown == Shown::Marked)
            continue;
        EXPECT_EQ(readout->font().pixelSize() == fullSize, row.shown == Shown::FullSize);
        // The ink spans all of the digits and the sign: a digit cut at the box's side, or
        // scrolled out of it, leaves less.
        const QString digits = h.Readout().trimmed();
        const int drawn = QFontMetrics(readout->font()).tightBoundingRect(digits).width();
        const Ink ink = InkIn(readout);
        EXPECT_GE(ink.Width(), drawn - 1) << digits.toStdString();
    }
}

TEST(WindowPlacement, CentresButKeepsTheTopLeftCornerOnTheScreen) {
    struct Row {
        const char* name;
        QRect area;
        QSize window;
        QPoint expected;
    };
    const Row rows[] = {
        {"RoomyScreen", {0, 0, 1024, 768}, {188, 180}, {417, 293}},
        {"ScreenSmallerThanTheWindow", {0, 0, 160, 120}, {188, 180}, {0, 0}},
        {"NarrowOnly", {0, 0, 160, 768}, {188, 180}, {0, 293}},
        {"SecondScreenBelowAPanel", {1024, 28, 160, 120}, {188, 180}, {1024, 28}},
    };
    for (const auto& row : rows)
        EXPECT_EQ(torven::placeOnScreen(row.area, row.window), row.expected) << row.name;
}

TEST(WindowPlacement, AskedForPlaceKeepsTheTitleBarWithinReach) {
    const QList<QRect> twoScreens = {{0, 0, 1920, 1080}, {1920, 0, 1280, 1024}};
    const QSize window(188, 180);
    struct Row {
        const char* name;
        QPoint wanted;
        QPoint expected;
    };
    const Row rows[] = {
        {"OnTheFirstScreen", {220, 0}, {220, 0}},
        {"OnTheSecondScreen", {3000, 800}, {3000, 800}},
        {"HangingOffTheRightWithTheTitleInReach", {3150, 100}, {3150, 100}},
        {"FarBeyondEveryScreen", {100000, 100000}, {3200 - 188, 1024 - 180}},
        {"LeftOfEveryScreen", {-1920, 40}, {0, 40}},
        {"TitleAboveTheTop", {500, -15}, {500, 0}},
        {"BelowTheShorterScreen", {2000, 1050}, {2000, 1024 - 180}},
    };
    for (const auto& row : rows)
        EXPECT_EQ(torven::placeWithinReach(row.wanted, window, twoScreens), row.expected)
            << row.name;
}

} // namespace
