#pragma once

#include "PortFault.h"

#include <QSerialPort>
#include <QString>

#include <cstdint>

namespace torven {

// Why opening port `number` failed, after `port` refused to open `device` (reached as `target`,
// the device itself rather than a link to it), in the terms the user can act on: a missing
// device, no permission, or a device in use, with the lock file that holds it and who wrote it.
PortFault openFault(const QSerialPort& port, std::int16_t number, const QString& device,
                    const QString& target);

// The explanation of a port fault (portFaultText) in the terms of the system this runs on.
QString explainPortFault(const PortFault& fault);

} // namespace torven
