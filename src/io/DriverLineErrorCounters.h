#pragma once

#include "LineErrorCounts.h"

#include <QSerialPort>

#include <optional>
#include <utility>

namespace torven {

// The native handle of an open serial port: a file descriptor, or a Windows HANDLE.
using PortHandle = decltype(std::declval<QSerialPort&>().handle());

// The serial driver's own counts of line errors on an open port. Qt's serial port reports no
// parity, framing or break errors, so they are read through the port's native handle.
class DriverLineErrorCounters {
public:
    // The counts now, or nothing when the driver keeps none (pseudo-terminals, for one).
    std::optional<LineErrorCounts> read(PortHandle handle);

private:
#ifdef Q_OS_WIN
    // Windows reports which errors happened since it was last asked; they are tallied here.
    LineErrorCounts m_tally;
#endif
};

// Switches input parity checking on for an open port, so that the driver checks and counts the
// parity of every character; Qt switches it off whenever it sets the parity. Characters that
// arrive with a parity or framing error are then dropped rather than handed on as if sound.
void checkInputParity(PortHandle handle);

} // namespace torven
