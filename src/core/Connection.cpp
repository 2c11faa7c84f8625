#include "Connection.h"

namespace torven {

ConnectionUpdate afterConnectCommand(bool portOpen, bool succeeded) {
    if (!succeeded)
        return {portOpen, std::nullopt, kErrorStatus};
    if (portActionFor(portOpen) == PortAction::Open)
        return {true, kConnectedColour, std::string_view{}};
    return {false, kDisconnectedColour, std::nullopt};
}

ConnectionUpdate afterDeviceLost(bool portOpen) {
    if (!portOpen)
        return {false, std::nullopt, std::nullopt};
    return {false, kDisconnectedColour, kErrorStatus};
}

} // namespace torven
