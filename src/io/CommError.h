#pragma once

#include "PortFault.h"

#include <stdexcept>
#include <string>
#include <utility>

namespace torven {

// Raised by the serial line when its settings are refused or the port cannot be
// opened or closed. The connect command traps it; nothing else expects it.
class CommError : public std::runtime_error {
public:
    explicit CommError(PortFault fault)
        : std::runtime_error(fault.systemWords), m_fault(std::move(fault)) {}
    // A fault without a class of its own: the text is the system's words.
    explicit CommError(const std::string& what)
        : std::runtime_error(what), m_fault(PortFault::Kind::Other, 0, what) {}

    const PortFault& fault() const { return m_fault; }

private:
    PortFault m_fault;
};

} // namespace torven
