#pragma once

#include <string>
#include <string_view>

namespace torven {

// "Азимут доступен в сети: ADDRESS:PORT": said on the terminal and under the status line when the
// service listens on more than the loopback, since other computers can then read the bearing. An
// IPv6 address is put in brackets, as in an address with a port anywhere else.
std::string servedOnNetworkNotice(std::string_view address, int port);

// The message shown once at start when the service could not listen: `reason` (what failed, with
// the system's own words) and that the indicator goes on without the service.
std::string serviceOffMessage(std::string_view reason);

} // namespace torven
