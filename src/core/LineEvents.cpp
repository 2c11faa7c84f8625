#include "LineEvents.h"

namespace torven {

std::optional<std::string_view> lineErrorMessage(LineEvent code) {
    switch (code) {
    case LineEvent::Frame:
        return " Last Error: Framing Error ";
    case LineEvent::Overrun:
        return " Last Error: Port Overrun";
    case LineEvent::ReceiveOverflow:
        return " Last Error: Receive Buffer Overflow ";
    case LineEvent::Parity:
        return " Last Error: Parity Error ";
    case LineEvent::TransmitFull:
        return " Last Error: Transmit Buffer Full ";
    default:
        return std::nullopt;
    }
}

std::string errorText(std::int32_t errorCount, std::string_view message) {
    std::string text = "Errors:";
    text += std::to_string(errorCount);
    text += message;
    return text;
}

} // namespace torven
