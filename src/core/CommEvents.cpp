#include "CommEvents.h"

namespace torven {

std::optional<std::string_view> LineErrorMessage(std::int16_t code) {
    switch (code) {
    case comm_event::Frame:
        return " Last Error: Framing Error ";
    case comm_event::Overrun:
        return " Last Error: Port Overrun";
    case comm_event::ReceiveOverflow:
        return " Last Error: Receive Buffer Overflow ";
    case comm_event::Parity:
        return " Last Error: Parity Error ";
    case comm_event::TransmitFull:
        return " Last Error: Transmit Buffer Full ";
    default:
        return std::nullopt;
    }
}

std::string ErrorText(std::int32_t errorCount, std::string_view message) {
    std::string text = "Errors:";
    text += std::to_string(errorCount);
    text += message;
    return text;
}

} // namespace torven
