#pragma once

// Hamlib's own rotctl (model 2: NET rotctl) run against a rotctld service on the loopback, as a
// tracker or a logbook reads it.

#include <cstddef>
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

// A client on a plain TCP connection to the loopback, sending byte for byte what a tracker or a
// logger sends.
class RawClient {
public:
    explicit RawClient(int port); // throws when it cannot connect
    ~RawClient();
    RawClient(const RawClient&) = delete;
    RawClient& operator=(const RawClient&) = delete;

    bool Send(const std::string& bytes);
    // What arrives until `size` bytes have come, the service closes or the patience runs out.
    std::string Read(std::size_t size);
    // Whether the service closes the connection within the patience.
    bool WaitClosed();

private:
    int fd_ = -1;
};

} // namespace torven::e2e
