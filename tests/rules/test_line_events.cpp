#include "LineEvents.h"

#include <gtest/gtest.h>

namespace {

using ev = torven::LineEvent;

TEST(LineErrors, EachErrorCodeHasItsMessage) {
    struct Row {
        ev code;
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
        EXPECT_EQ(torven::lineErrorMessage(row.code), row.message) << static_cast<int>(row.code);
}

TEST(LineErrors, OtherCodesAreNotLineErrors) {
    for (const ev code :
         {ev::Send, ev::Receive, ev::EndOfFile, ev::Break, ev{0}, ev{3}, ev{1005}, ev{-1}})
        EXPECT_FALSE(torven::lineErrorMessage(code).has_value()) << static_cast<int>(code);
}

TEST(LineErrors, TextJoinsCountAndMessageWithoutBlanks) {
    EXPECT_EQ(torven::errorText(1, *torven::lineErrorMessage(ev::Frame)),
              "Errors:1 Last Error: Framing Error ");
    EXPECT_EQ(torven::errorText(2, *torven::lineErrorMessage(ev::Parity)),
              "Errors:2 Last Error: Parity Error ");
    EXPECT_EQ(torven::errorText(12345, *torven::lineErrorMessage(ev::Overrun)),
              "Errors:12345 Last Error: Port Overrun");
}

} // namespace
