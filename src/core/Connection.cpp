#include "Connection.h"

namespace torven {

ConnectionUpdate AfterConnectCommand(std::int16_t portOpenFlag, bool succeeded) {
    if (!succeeded)
        return {portOpenFlag, std::nullopt, kErrorStatus};
    if (PortActionFor(portOpenFlag) == PortAction::Open)
        return {kPortOpen, kConnectedColour, std::string_view{}};
    return {kPortClosed, kDisconnectedColour, std::nullopt};
}

ConnectionUpdate AfterDeviceLost(std::int16_t portOpenFlag) {
    if (portOpenFlag == kPortClosed)
        return {kPortClosed, std::nullopt, std::nullopt};
    return {kPortClosed, kDisconnectedColour, kErrorStatus};
}

} // namespace torven
