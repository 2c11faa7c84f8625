// Painting is paced to the screen, yet what the window shows settles on exactly the latest block.
#include "Rows.h"
#include "WindowTest.h"

#include <QImage>
#include <QScreen>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// Whether the screen (on the offscreen platform: the window's backing store) shows what the window
// holds now: every sector lamp's colour, and the readout as a fresh rendering draws it.
bool ScreenShowsState(WindowHarness& h) {
    const QImage screen = h.Form().screen()->grabWindow(h.Form().winId()).toImage();
    for (int k = 1; k <= 24; ++k) {
        const torven::Lamp* lamp = h.SectorLamp(k);
        if (screen.pixelColor(lamp->mapTo(&h.Form(), lamp->rect().center())) != lamp->backColor())
            return false;
    }
    const auto* readout = h.Child<QLineEdit>(nameOf(names::kReadout));
    const QRect box(readout->mapTo(&h.Form(), QPoint(0, 0)), readout->size());
    const QImage drawn = h.Form().grab(box).toImage().convertToFormat(QImage::Format_RGB32);
    return screen.copy(box).convertToFormat(QImage::Format_RGB32) == drawn;
}

struct Burst {
    const char* name;
    std::vector<std::string> readings; // each sent as its own block, taken before the next
    QString readout;                   // what the last one shows
};

using torven::test::PrintTo;

class Repaint : public testing::TestWithParam<Burst> {};

TEST_P(Repaint, ScreenSettlesOnTheLatestBlock) {
    WindowHarness harness;
    PseudoTerminal pty;
    pty.LinkAs(harness.LinkPath(1));
    harness.Form().show();
    harness.Form().toggleConnection();
    ASSERT_TRUE(harness.Form().isPortOpen());

    for (const auto& reading : GetParam().readings) {
        pty.Write(reading + "\r\n");
        ASSERT_TRUE(WaitUntil([&] { return harness.RawReading() == reading.substr(0, 4); }))
            << reading;
    }
    // The readout's text, like the screen, follows at the coming frame.
    ASSERT_TRUE(WaitUntil([&] { return harness.Readout() == GetParam().readout; }))
        << harness.Readout().toStdString();
    // Within a few frames the screen shows exactly the current state, also for the lamps that
    // went on and off again between two frames.
    EXPECT_TRUE(WaitUntil([&] { return ScreenShowsState(harness); }, 2000));
}

// Each burst runs faster than frames: most blocks land between two paints.
INSTANTIATE_TEST_SUITE_P(
    Bursts, Repaint,
    testing::Values(
        // Round the dial, ending back on the lamp lit at the start.
        Burst{"FullTurnBackToTheStart",
              {"0256", "0277", "0299", "0320", "0341", "0363", "0384", "0405", "0427",
               "0448", "0469", "0491", "0512", "0021", "0043", "0064", "0085", "0107",
               "0128", "0149", "0171", "0192", "0213", "0235", "0256"},
              " 180"},
        // A lamp that goes on and off again, then every lamp dark.
        Burst{"OnOffThenDark", {"0256", "0277", "0256", "0277", "0000"}, " 0"},
        // Readout changes only: the same lamp stays lit.
        Burst{"SameLampNewReadout", {"0250", "0251", "0252", "0253", "0254"}, " 178"}),
    torven::test::RowName());

} // namespace
