#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace torven {

// The connection flag: 0 while the program holds the port closed, -1 while it holds it open.
inline constexpr std::int16_t kPortClosed = 0;
inline constexpr std::int16_t kPortOpen = -1;

inline constexpr std::uint32_t kConnectedColour = 0x00FF00;
inline constexpr std::uint32_t kDisconnectedColour = 0xFF0000;

// The status line's text after a failed port operation.
inline constexpr std::string_view kErrorStatus = "Ошибка!";

enum class PortAction { Open, Close };

// What the connect command does to the port for the current flag: it is a toggle.
constexpr PortAction PortActionFor(std::int16_t portOpenFlag) {
    return portOpenFlag == kPortClosed ? PortAction::Open : PortAction::Close;
}

// What the window shows and holds after a port operation or event. Empty optionals leave the
// lamp colour or the status text as they are.
struct ConnectionUpdate {
    std::int16_t portOpenFlag = kPortClosed;
    std::optional<std::uint32_t> lampColour;
    std::optional<std::string_view> status;

    friend bool operator==(const ConnectionUpdate&, const ConnectionUpdate&) = default;
};

// After the connect command's open or close: a success moves the flag and the lamp (and a
// successful open empties the status line); a failure shows the error and changes nothing else.
ConnectionUpdate AfterConnectCommand(std::int16_t portOpenFlag, bool succeeded);

// After the open port's device went away (a pulled adapter, a hung-up line): the port is closed,
// so the lamp turns red, the error shows and the next command connects again.
ConnectionUpdate AfterDeviceLost(std::int16_t portOpenFlag);

} // namespace torven
