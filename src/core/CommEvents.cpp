#include "CommEvents.h"

namespace torven {

std::optional<std::string_view> lineErrorMessage(CommEvent code) {
    switch (code) {
    case CommEvent::Frame:
        return " Last Error: Framing Error ";
    case CommEvent::Overrun:
        return " Last Error: Port Overrun";
    case CommEvent::ReceiveOverflow:
        return " Last Error: Receive Buffer Overflow ";
    case CommEvent::Parity:
        return " Last Error: Parity Error ";
    case CommEvent::TransmitFull:
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
