#include "reception/CommEvents.h"
#include "reception/LineErrorCounts.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

namespace ev = torven::comm_event;
using torven::LineErrorCounts;
using Codes = std::vector<std::int16_t>;

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
        EXPECT_EQ(torven::LineErrorEvents(row.before, row.after), row.events) << row.name;
}

} // namespace
