#include "PortSettingsFormat.h"

#include "PortNumber.h"

namespace torven {

std::string portSettingsContent(std::string_view portText) {
    std::string content(portText);
    content += "\r\n";
    return content;
}

std::optional<std::int16_t> storedPortNumber(std::string_view head, bool complete) {
    const std::size_t end = head.find_first_of("\r\n");
    if (end == std::string_view::npos && !complete)
        return std::nullopt;
    return toPortNumber(head.substr(0, end));
}

} // namespace torven
