#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace torven {

inline constexpr std::uint32_t kConnectedColour = 0x00FF00;
inline constexpr std::uint32_t kDisconnectedColour = 0xFF0000;

// The status line's text after a failed port operation.
inline constexpr std::string_view kErrorStatus = "Ошибка!";
// The status line's text while a followed rotctld answers without an azimuth.
inline constexpr std::string_view kNoAzimuthStatus = "Нет азимута";

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

// Following a remote rotctld instead of a port (`portOpen` then says whether following is on).
// The connect command starts following (the status line emptied, the lamp left until the far end
// answers or fails) or stops it (the red lamp, the status line emptied).
ConnectionUpdate afterFollowCommand(bool following);
// A whole answer: the far end answers, so the lamp is green; without an azimuth the status line
// says so.
ConnectionUpdate afterFollowAnswer(bool hasAzimuth);
// The far end cannot be reached or does not answer: the red lamp and the error, and following
// stays on (it keeps trying), unlike a port that fails to open.
ConnectionUpdate afterFollowFault();

} // namespace torven
