#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace torven {

// What happened on a serial line, with the codes serial programs have long given these events.
enum class LineEvent : std::int16_t {
    Send = 1,
    Receive = 2,
    EndOfFile = 7,
    Break = 1001,
    Frame = 1004,
    Overrun = 1006,
    ReceiveOverflow = 1008,
    Parity = 1009,
    TransmitFull = 1010,
};

// The message a line-error code contributes to the error text, or nothing when the code is not a
// line error (receptions, breaks, end-of-file and unknown codes).
std::optional<std::string_view> lineErrorMessage(LineEvent code);

// "Errors:", the running count, then the message, joined with nothing in between.
std::string errorText(std::int32_t errorCount, std::string_view message);

} // namespace torven
