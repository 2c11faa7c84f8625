#include "SerialDeviceInfo.h"

#include "PortDevice.h"
#include "Utf8.h"

#include <QDir>
#include <QFileInfo>
#include <QSerialPortInfo>

namespace torven {

QString describeDevice(const QString& device) {
    if (device.isEmpty())
        return toQString(kNoDevice);

    QStringList parts{device};
    QString target = device;
    bool present = false;
#ifdef Q_OS_WIN
    for (const auto& port : QSerialPortInfo::availablePorts())
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
    for (const auto& port : QSerialPortInfo::availablePorts()) {
        if ((port.systemLocation() == target || port.portName() == target) &&
            !port.description().isEmpty())
            parts << QStringLiteral("(%1)").arg(port.description());
    }
    if (!present)
        parts << toQString(kDeviceNotFound);
    return parts.join(QLatin1Char(' '));
}

} // namespace torven
