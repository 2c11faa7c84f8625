#pragma once

#include <QString>
#include <QStringList>

#include <cstdint>

namespace torven {

// The device a port number reaches. On Windows it is COMn. Elsewhere a link named comN in one of
// `linkFolders` (the folders of the port settings file) names the device, the way a user points
// port 1 at /dev/ttyUSB0; a link that belongs to another user is passed over. Without such a
// link, port N is the N-th serial port the system lists, USB adapters first. Empty when the number
// reaches no device.
QString deviceForPort(std::int16_t port, const QStringList& linkFolders);

} // namespace torven
