#pragma once

#include <stdexcept>

namespace torven {

// Raised by the serial port component when its settings are refused or the port cannot be
// opened or closed. The connect command traps it; nothing else expects it.
class CommError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

} // namespace torven
