#include "SerialPorts.h"

#include "FileOwner.h"
#include "PortDevice.h"
#include "Utf8.h"

#include <QDir>
#include <QFileInfo>

#include <string>
#include <vector>

namespace torven {

const QList<QSerialPortInfo>& SerialPorts::listed() const {
    if (!m_listed)
        m_listed = QSerialPortInfo::availablePorts();
    return *m_listed;
}

QString SerialPorts::deviceFor(std::int16_t port,
                               [[maybe_unused]] const QStringList& linkFolders) const {
#ifdef Q_OS_WIN
    return toQString(windowsPortName(port));
#else
    const QString linkName = toQString(portLinkName(port));
    for (const QString& folder : linkFolders) {
        const QFileInfo link(QDir(folder).filePath(linkName));
        if (!link.isSymLink() && !link.exists())
            continue;
        // A link that another user put here is not this user's choice of device: it is passed
        // over as if absent (the main window says why).
        if (foreignOwner(link.absoluteFilePath()))
            continue;
        // A dangling link still names the port: opening it then fails, rather than silently
        // reaching some other device.
        return link.absoluteFilePath();
    }

    std::vector<std::string> names;
    for (const auto& info : listed())
        names.push_back(info.portName().toStdString());
    const auto chosen = nthSystemPort(port, names);
    if (!chosen)
        return {};
    for (const auto& info : listed()) {
        if (info.portName().toStdString() == *chosen)
            return info.systemLocation();
    }
    return {};
#endif
}

QString SerialPorts::describe(const QString& device) const {
    if (device.isEmpty())
        return toQString(kNoDevice);

    QStringList parts{device};
    QString target = device;
    bool present = false;
#ifdef Q_OS_WIN
    for (const auto& port : listed())
        present = present || port.portName() == device;
#else
    const QFileInfo info(device);
    present = info.exists();
    if (present && info.canonicalFilePath() != device) {
        target = info.canonicalFilePath();
        parts << QStringLiteral("→ %1").arg(target);
    }
    const auto links =
        QDir(QStringLiteral("/dev/serial/by-id")).entryInfoList(QDir::System | QDir::Files);
    for (const QFileInfo& link : links) {
        if (link.canonicalFilePath() == target)
            parts << link.fileName();
    }
#endif
    for (const auto& port : listed()) {
        if ((port.systemLocation() == target || port.portName() == target) &&
            !port.description().isEmpty())
            parts << QStringLiteral("(%1)").arg(port.description());
    }
    if (!present)
        parts << toQString(kDeviceNotFound);
    return parts.join(QLatin1Char(' '));
}

} // namespace torven
