#include "PortLocator.h"

#include "FileOwner.h"
#include "PortDevice.h"

#include <QDir>
#include <QFileInfo>
#include <QSerialPortInfo>

namespace torven {

QString deviceForPort(std::int16_t port, const QStringList& linkFolders) {
#ifdef Q_OS_WIN
    Q_UNUSED(linkFolders);
    return QString::fromStdString(windowsPortName(port));
#else
    const QString linkName = QString::fromStdString(portLinkName(port));
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
    const auto ports = QSerialPortInfo::availablePorts();
    for (const auto& info : ports)
        names.push_back(info.portName().toStdString());
    const auto chosen = nthSystemPort(port, names);
    if (!chosen)
        return {};
    for (const auto& info : ports) {
        if (info.portName().toStdString() == *chosen)
            return info.systemLocation();
    }
    return {};
#endif
}

} // namespace torven
