#include "reception/CommEvents.h"

#include <gtest/gtest.h>

namespace {

namespace ev = torven::comm_event;

TEST(LineErrors, EachErrorCodeHasItsMessage) {
    struct Row {
        std::int16_t code;
        const char* message;
    };
    const Row rows[] = {
        {ev::Frame, " Last Error: Framing Error "},
        {ev::Overrun, " Last Error: Port Overrun"},
        {ev::ReceiveOverflow, " Last Error: Receive Buffer Overflow "},
        {ev::Parity, " Last Error: Parity Error "},
        {ev::TransmitFull, " Last Error: Transmit Buffer Full "},
    };
    for (const auto& row : rows)
        EXPECT_EQ(torven::LineErrorMessage(row.code), row.message) << row.code;
}

TEST(LineErrors, OtherCodesAreNotLineErrors) {
    for (std::int16_t code : {ev::Send, ev::Receive, ev::EndOfFile, ev::Break, std::int16_t{0},
                              std::int16_t{3}, std::int16_t{1005}, std::int16_t{-1}})
        EXPECT_FALSE(torven::LineErrorMessage(code).has_value()) << code;
}

TEST(LineErrors, TextJoinsCountAndMessageWithoutBlanks) {
    EXPECT_EQ(torven::ErrorText(1, *torven::LineErrorMessage(ev::Frame)),
              "Errors:1 Last Error: Framing Error ");
    EXPECT_EQ(torven::ErrorText(2, *torven::LineErrorMessage(ev::Parity)),
              "Errors:2 Last Error: Parity Error ");
    EXPECT_EQ(torven::ErrorText(12345, *torven::LineErrorMessage(ev::Overrun)),
              "Errors:12345 Last Error: Port Overrun");
}

} // namespace
