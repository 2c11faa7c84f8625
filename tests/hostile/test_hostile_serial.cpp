// What a broken or hostile controller can send: junk, odd number forms, floods and data that never
// ends a line. Whatever arrives, the window shows what the decoding rules give for the block it
// took last, and memory stays bounded.
#include "BearingDecoding.h"
#include "HostileSupport.h"
#include "PseudoTerminal.h"
#include "ReadingFramer.h"
#include "SerialLine.h"
#include "Wait.h"
#include "WindowHarness.h"

#include <QElapsedTimer>
#include <QTimer>

#include <gtest/gtest.h>

#include <algorithm>
#include <fcntl.h>
#include <iostream>
#include <random>
#include <sys/ioctl.h>
#include <unistd.h>

namespace {

using torven::DecodedReading;
using torven::nameOf;
using torven::PseudoTerminal;
using torven::test::WaitUntil;
using torven::test::WindowHarness;
namespace names = torven::object_names::main_window;

#if defined(__SANITIZE_ADDRESS__)
// Freed memory is held back in quarantine, so resident size says nothing about leaks or growth.
constexpr bool kResidentSizeMeaningful = false;
#else
constexpr bool kResidentSizeMeaningful = true;
#endif

std::string RandomBytes(std::size_t count, unsigned seed) {
    std::mt19937 generator(seed);
    std::uniform_int_distribution<int> byte(0, 255);
    std::string bytes(count, '\0');
    for (auto& c : bytes)
        c = static_cast<char>(byte(generator));
    return bytes;
}

std::string Repeated(std::string_view piece, std::size_t times) {
    std::string bytes;
    bytes.reserve(piece.size() * times);
    for (std::size_t i = 0; i < times; ++i)
        bytes += piece;
    return bytes;
}

class HostileSerial : public testing::Test {
protected:
    void SetUp() override {
        // Opened before the program takes the line exclusively, to see what still waits in it.
        m_queueProbe = open(m_pty.SlavePath().c_str(), O_RDONLY | O_NOCTTY | O_NONBLOCK);
        ASSERT_GE(m_queueProbe, 0);
        m_pty.LinkAs(h.LinkPath(1));
        h.Form().toggleConnection();
        ASSERT_TRUE(h.Form().isPortOpen()) << h.Status().toStdString();
    }
    void TearDown() override {
        if (m_queueProbe >= 0)
            close(m_queueProbe);
    }

    int Waiting() const {
        int count = 0;
        return ioctl(m_queueProbe, TIOCINQ, &count) == 0 ? count : -1;
    }

    // Sends one small block and waits until the window has taken it.
    void SendBlock(const std::string& block) {
        m_pty.Write(block);
        ASSERT_TRUE(WaitUntil([&] { return h.RawReading() == block.substr(0, 4); }))
            << "the window never took the block";
    }

    // Sends `bytes` in as many pieces as the line makes of them, until the line is empty.
    void Flood(std::string_view bytes) {
        QElapsedTimer quiet;
        const auto drained = [&] {
            // The line is drained when nothing has waited in it for a little while: bytes written
            // reach the line a moment after the write.
            if (Waiting() != 0) {
                quiet.invalidate();
                return false;
            }
            if (!quiet.isValid())
                quiet.start();
            return quiet.elapsed() >= 20;
        };
        ASSERT_TRUE(torven::test::WriteWhileServing(m_pty, bytes, drained, 120'000));
    }

    // Waits until no received text waits for the rest of its reading.
    void WaitUntilNothingWaits() {
        auto* pause = h.Child<QTimer>(nameOf(names::kReadingPause));
        ASSERT_TRUE(WaitUntil([&] { return !pause->isActive(); }));
    }

    // The window shows what the rules give for `decoded`: the readout, the bearing and one lamp.
    void ExpectShows(const DecodedReading& decoded) {
        EXPECT_EQ(h.RawReading(), decoded.rawReading);
        EXPECT_EQ(h.Readout().toLatin1().toStdString(), decoded.readout);
        EXPECT_EQ(h.Form().reception().latest().bearing.value_or(0), decoded.bearing.value_or(0));
        const std::vector<int> lit =
            decoded.litLamp ? std::vector<int>{decoded.litLamp} : std::vector<int>{};
        EXPECT_EQ(h.LitLamps(), lit);
    }

    WindowHarness h;
    PseudoTerminal m_pty;
    int m_queueProbe = -1;
};

TEST_F(HostileSerial, OddBlocksShowWhatTheRulesGive) {
    struct Row {
        const char* name;
        std::string block;
    };
    const Row rows[] = {
        {"NulBytes", std::string("\0\0\0\0\0\0", 6)},
        {"NulInsideDigits", std::string("02\0"
                                        "56\r\n",
                                        7)},
        {"BytesAbove127", "\xFF\xFE\x80\xC3\xA9\r\n"},
        {"DigitsThenHighBytes", "01\xB0\xB1\r\n"},
        {"ExponentE", "5E4\r\n"},
        {"ExponentDTooLargeForABearing", "1D9\r\n"},
        {"NegativeExponent", "-9E9"},
        {"Hexadecimal", "&H1F\r\n"},
        {"HexadecimalWithoutDigits", "&H\r\n"},
        {"Octal", "&O17\r\n"},
        {"OctalBadDigit", "&O9\r\n"},
        {"BlanksOnly", "    \r\n"},
        {"OneCharacter", "7"},
        {"RandomJunk", RandomBytes(300, 7)},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        SendBlock("0128"); // a known state between rows, so each row's block is seen to arrive
        // The block arrives whole; the window shows the last reading cut from it.
        std::string last;
        torven::ReadingFramer framer;
        const auto store = [&](std::string_view reading) {
            last = reading;
        };
        framer.take(row.block, {}, store);
        framer.takeDue(torven::ReadingFramer::Clock::time_point::max(), store);
        m_pty.Write(row.block);
        ASSERT_TRUE(WaitUntil([&] { return h.RawReading() == last.substr(0, 4); }));
        WaitUntilNothingWaits();
        ExpectShows(torven::decodeReading(last));
    }
}

TEST_F(HostileSerial, FloodsAreTakenWholeWithBoundedMemory) {
    struct Row {
        const char* name;
        std::string bytes;
    };
    const Row rows[] = {
        {"RandomMegabytes", RandomBytes(4 << 20, 11)},
        {"EndlessReadingWithoutLineEnd", Repeated("0256", 2 << 20)},
        {"EndlessDigits", std::string(8 << 20, '9')},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const std::int64_t residentBefore = torven::test::ResidentBytes();
        Flood(row.bytes);
        WaitUntilNothingWaits();
        const std::int64_t grown = torven::test::ResidentBytes() - residentBefore;
        std::cout << row.name << ": " << row.bytes.size() << " bytes, resident size grew by "
                  << grown / 1024 << " KiB\n";
        if (kResidentSizeMeaningful) {
            EXPECT_LT(grown, 16 << 20);
        }

        // The last reading the window took closes the flood: it shows four characters of it,
        // or fewer when the last reading is shorter.
        const std::string& raw = h.RawReading();
        EXPECT_NE(
            row.bytes.find(raw, row.bytes.size() - std::min<std::size_t>(row.bytes.size(), 1024)),
            std::string::npos)
            << raw;
        ExpectShows(torven::decodeReading(raw));
        EXPECT_LE(h.Console().size(), 32767);
        EXPECT_TRUE(h.Form().serialLine().isPortOpen());
    }
    // The line still works after the floods.
    SendBlock("0064");
    EXPECT_EQ(h.Readout(), " 45");
}

} // namespace
