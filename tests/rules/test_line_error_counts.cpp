#include "LineErrorCounts.h"
#include "LineEvents.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using ev = torven::LineEvent;
using torven::LineErrorCounts;
using Codes = std::vector<torven::LineEvent>;

TEST(LineErrorCounts, EachKindThatGrewGivesOneEventInCodeOrder) {
    constexpr std::uint32_t kTop = 0xFFFF'FFFFu;
    struct Row {
        const char* name;
        LineErrorCounts before;
        LineErrorCounts after;
        Codes events;
    };
    // Fields: break, frame, overrun, buffer overrun, parity.
    const Row rows[] = {
        {"NothingNew", {1, 2, 3, 4, 5}, {1, 2, 3, 4, 5}, {}},
        {"Break", {}, {1, 0, 0, 0, 0}, {ev::Break}},
        {"Frame", {}, {0, 1, 0, 0, 0}, {ev::Frame}},
        {"Overrun", {}, {0, 0, 1, 0, 0}, {ev::Overrun}},
        {"BufferOverrun", {}, {0, 0, 0, 1, 0}, {ev::ReceiveOverflow}},
        {"Parity", {}, {0, 0, 0, 0, 1}, {ev::Parity}},
        {"ABurstIsOneEvent", {0, 7, 0, 0, 0}, {0, 5007, 0, 0, 0}, {ev::Frame}},
        {"AllAtOnce",
         {},
         {1, 1, 1, 1, 1},
         {ev::Break, ev::Frame, ev::Overrun, ev::ReceiveOverflow, ev::Parity}},
        {"ParityAndFrameInCodeOrder", {0, 0, 0, 0, 3}, {0, 1, 0, 0, 4}, {ev::Frame, ev::Parity}},
        {"WrapAroundIsGrowth",
         {0, kTop, 0, 0, 0x7FFF'FFFFu},
         {0, 2, 0, 0, 0x8000'0000u},
         {ev::Frame, ev::Parity}},
        {"ARestartedCountIsNoError", {9, 9, 9, 9, 9}, {0, 0, 0, 0, 0}, {}},
        {"RestartBesideGrowth", {9, 0, 0, 0, 0}, {0, 0, 1, 0, 0}, {ev::Overrun}},
    };
    for (const auto& row : rows)
        EXPECT_EQ(torven::lineErrorEvents(row.before, row.after), row.events) << row.name;
}

// ClearCommError's flags, by the values Windows gives them, each add one to their own count;
// the notifications then follow from the counts as on any other system.
TEST(LineErrorCounts, CommErrorFlagsEachAddOneToTheirKind) {
    constexpr std::uint32_t kTop = 0xFFFF'FFFFu;
    struct Row {
        const char* name;
        LineErrorCounts before;
        std::uint32_t flags;
        LineErrorCounts after;
        Codes events;
    };
    const Row rows[] = {
        {"None", {1, 2, 3, 4, 5}, 0x0000, {1, 2, 3, 4, 5}, {}},
        {"RxOver", {}, 0x0001, {0, 0, 0, 1, 0}, {ev::ReceiveOverflow}},
        {"Overrun", {}, 0x0002, {0, 0, 1, 0, 0}, {ev::Overrun}},
        {"RxParity", {}, 0x0004, {0, 0, 0, 0, 1}, {ev::Parity}},
        {"Frame", {}, 0x0008, {0, 1, 0, 0, 0}, {ev::Frame}},
        {"Break", {}, 0x0010, {1, 0, 0, 0, 0}, {ev::Break}},
        {"AllFive",
         {7, 7, 7, 7, 7},
         0x001F,
         {8, 8, 8, 8, 8},
         {ev::Break, ev::Frame, ev::Overrun, ev::ReceiveOverflow, ev::Parity}},
        // CE_TXFULL, CE_PTO, CE_IOE, CE_DNS, CE_OOP, CE_MODE: not line errors on reception.
        {"OtherBitsIgnored", {}, 0x0100 | 0x0200 | 0x0400 | 0x0800 | 0x1000 | 0x8000, {}, {}},
        {"FrameAmongOthers", {}, 0x8008, {0, 1, 0, 0, 0}, {ev::Frame}},
        {"TallyWraps", {0, kTop, 0, 0, 0}, 0x0008, {0, 0, 0, 0, 0}, {ev::Frame}},
    };
    for (const auto& row : rows) {
        const LineErrorCounts after = torven::tallyCommErrors(row.before, row.flags);
        EXPECT_EQ(after, row.after) << row.name;
        EXPECT_EQ(torven::lineErrorEvents(row.before, after), row.events) << row.name;
    }
}

} // namespace
