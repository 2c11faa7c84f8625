#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace torven {

inline constexpr std::uint32_t kConnectedColour = 0x00FF00;
inline constexpr std::uint32_t kDisconnectedColour = 0xFF0000;

// The status line's text after a failed port operation.
inline constexpr std::string_view kErrorStatus = "Ошибка!";

// What the window shows and holds after a port operation or event. Empty optionals leave the
// lamp colour or the status text as they are.
struct ConnectionUpdate {
    bool portOpen = false;
    std::optional<std::uint32_t> lampColour;
    std::optional<std::string_view> status;

    friend bool operator==(const ConnectionUpdate&, const ConnectionUpdate&) = default;
};

// After the connect command's open or close: a success moves the open state and the lamp (and a
// successful open empties the status line); a failure shows the error and changes nothing else.
ConnectionUpdate afterConnectCommand(bool portOpen, bool succeeded);

// After the open port's device went away (a pulled adapter, a hung-up line): the port is closed,
// so the lamp turns red, the error shows and the next command connects again.
ConnectionUpdate afterDeviceLost(bool portOpen);

} // namespace torven
