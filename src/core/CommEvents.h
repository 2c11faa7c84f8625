#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace torven {

// Event codes of the serial port component's notification.
namespace comm_event {
inline constexpr std::int16_t Send = 1;
inline constexpr std::int16_t Receive = 2;
inline constexpr std::int16_t EndOfFile = 7;
inline constexpr std::int16_t Break = 1001;
inline constexpr std::int16_t Frame = 1004;
inline constexpr std::int16_t Overrun = 1006;
inline constexpr std::int16_t ReceiveOverflow = 1008;
inline constexpr std::int16_t Parity = 1009;
inline constexpr std::int16_t TransmitFull = 1010;
} // namespace comm_event

// The message a line-error code contributes to the error text, or nothing when the code is not a
// line error (receptions, breaks, end-of-file and unknown codes).
std::optional<std::string_view> LineErrorMessage(std::int16_t code);

// "Errors:", the running count, then the message, joined with nothing in between.
std::string ErrorText(std::int32_t errorCount, std::string_view message);

} // namespace torven
