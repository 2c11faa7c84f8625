#pragma once

#include "PseudoTerminal.h"

namespace torven::test {

// A pseudo-terminal that plays the controller: tests write to its master side, and torven opens
// the slave side as its serial port, usually through a comN link.
class Pty : public PseudoTerminal {
public:
    using PseudoTerminal::PseudoTerminal;
};

} // namespace torven::test
