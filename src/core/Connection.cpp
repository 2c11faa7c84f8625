#include "Connection.h"

namespace torven {

ConnectionUpdate afterConnectCommand(bool portOpen, bool succeeded) {
    if (!succeeded)
        return {portOpen, std::nullopt, kErrorStatus};
    // The command toggles: it opens a closed port and closes an open one.
    if (!portOpen)
        return {true, kConnectedColour, std::string_view{}};
    return {false, kDisconnectedColour, std::nullopt};
}

ConnectionUpdate afterDeviceLost(bool portOpen) {
    if (!portOpen)
        return {false, std::nullopt, std::nullopt};
    return {false, kDisconnectedColour, kErrorStatus};
}

ConnectionUpdate afterFollowCommand(bool following) {
    if (!following)
        return {true, std::nullopt, std::string_view{}};
    return {false, kDisconnectedColour, std::string_view{}};
}

ConnectionUpdate afterFollowAnswer(bool hasAzimuth) {
    return {true, kConnectedColour, hasAzimuth ? std::string_view{} : kNoAzimuthStatus};
}

ConnectionUpdate afterFollowFault() {
    return {true, kDisconnectedColour, kErrorStatus};
}

} // namespace torven
