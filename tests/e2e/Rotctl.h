#pragma once

// Hamlib's own rotctl (model 2: NET rotctl) run against a rotctld service on the loopback, as a
// tracker or a logbook reads it.

#include <optional>
#include <string>

namespace torven::e2e {

// Whether Debian's libhamlib-utils was found when the tests were configured.
bool RotctlFound();

// A TCP port on the loopback that nothing listens on now.
int FreeTcpPort();

struct ClientRun {
    bool succeeded = false;
    std::string out; // what it printed, errors included
};

// One command, as a person types it.
ClientRun Rotctl(int port, const std::string& command);

// The azimuth rotctl printed for get_pos, or nothing when it failed.
std::optional<std::string> Azimuth(int port);

} // namespace torven::e2e
