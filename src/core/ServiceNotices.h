#pragma once

#include <string>
#include <string_view>

namespace torven {

// "Азимут доступен в сети: ADDRESS:PORT": said on the terminal and under the status line when the
// service listens on more than the loopback, since other computers can then read the bearing. An
// IPv6 address is put in brackets, as in an address with a port anywhere else.
std::string servedOnNetworkNotice(std::string_view address, int port);

// Why the service could not listen, as the system classes it.
enum class ListenFault {
    AddressInUse,   // another program listens there
    AddressNotHere, // the address is not one of this computer's
    NoPermission,   // a port below 1024 without the right to use it
    Other,
};

// "Служба rotctld не запущена: …": what failed and what to do, then the system's own words.
std::string listenFailureText(ListenFault fault, int port, std::string_view address,
                              std::string_view systemWords);

// The title of the box that says the service is off, so that it is not taken for the main window.
inline constexpr std::string_view kServiceOffTitle = "Служба rotctld";

// The message shown once at start when the service could not listen: `reason` (what failed, with
// the system's own words) and that the indicator goes on without the service.
std::string serviceOffMessage(std::string_view reason);

} // namespace torven
