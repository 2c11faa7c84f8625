#pragma once

#include <QList>
#include <QSerialPortInfo>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>

namespace torven {

// The system's serial ports as one look found them: what a port number reaches, and how a device
// is described to a person. The system is asked once, the first time a question needs its list,
// so a caller that asks about several ports (the port list's tooltips, an open attempt) keeps one
// SerialPorts for the lot and every answer agrees with the others.
class SerialPorts {
public:
    // The device a port number reaches. On Windows it is COMn. Elsewhere a link named comN in one
    // of `linkFolders` (the folders of the port settings file) names the device, the way a user
    // points port 1 at /dev/ttyUSB0; a link that belongs to another user is passed over. Without
    // such a link, port N is the N-th serial port the system lists, USB adapters first. Empty when
    // the number reaches no device.
    QString deviceFor(std::int16_t port, const QStringList& linkFolders) const;

    // A line for a person saying which device this is: its path, the system's description of it
    // and, where the system keeps one, its stable /dev/serial/by-id name. "нет устройства" when
    // empty.
    QString describe(const QString& device) const;

private:
    const QList<QSerialPortInfo>& listed() const;

    mutable std::optional<QList<QSerialPortInfo>> m_listed;
};

} // namespace torven
