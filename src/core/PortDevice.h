#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace torven {

// How a port's device is described where it is shown: when the port names none, and after a
// device that is not there.
inline constexpr std::string_view kNoDevice = "нет устройства";
inline constexpr std::string_view kDeviceNotFound = "— не найдено";

// The Windows device of a port number: "COM" and the number.
std::string windowsPortName(std::int16_t port);

// The name of the link that points a port number at a device elsewhere: "com" and the number,
// kept beside the port settings file.
std::string portLinkName(std::int16_t port);

// The system's serial ports in the order port numbers count them: USB adapters first (ttyUSB,
// then ttyACM), then every other port; within each group by the number in the name.
std::vector<std::string> orderedSystemPorts(std::vector<std::string> names);

// The `port`-th (counting from 1) of the ordered system ports, or nothing when there are fewer.
std::optional<std::string> nthSystemPort(std::int16_t port, const std::vector<std::string>& names);

} // namespace torven
