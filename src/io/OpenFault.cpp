#include "OpenFault.h"

#include "Utf8.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLockFile>
#include <QSysInfo>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <csignal>
#include <unistd.h>
#endif

namespace torven {

namespace {

// The lock file that keeps other programs off `device` while one holds it, when there is one.
// Serial programs on Unix lock a device with a file named after it in the first lock folder they
// may write; the folders are looked at in the order such programs try them.
QString lockFileOf([[maybe_unused]] const QString& device) {
#ifdef Q_OS_UNIX
    QString name = device;
    if (name.startsWith(QStringLiteral("/dev/")))
        name.remove(0, 5);
    name.replace(QLatin1Char('/'), QLatin1Char('_'));
    const QString folders[] = {QStringLiteral("/var/lock"), QStringLiteral("/etc/locks"),
                               QStringLiteral("/var/spool/locks"),
                               QStringLiteral("/var/spool/uucp"), QDir::tempPath()};
    for (const QString& folder : folders) {
        const QString path = folder + QStringLiteral("/LCK..") + name;
        if (QFileInfo::exists(path))
            return QFileInfo(path).absoluteFilePath();
    }
#endif
    return {};
}

// Who holds the lock file `lock`: the program it names, whether that still runs, and the file's
// owner when this user may not remove it (only that owner, or an administrator, may).
void describeLock([[maybe_unused]] const QString& lock, [[maybe_unused]] PortFault& fault) {
#ifdef Q_OS_UNIX
    // Root may remove anyone's lock file; anyone else only their own.
    const QFileInfo file(lock);
    if (::geteuid() != 0 && file.ownerId() != ::geteuid())
        fault.lockOwner =
            file.owner().isEmpty() ? std::to_string(file.ownerId()) : file.owner().toStdString();
    qint64 pid = 0;
    QString host, application;
    if (!QLockFile(lock).getLockInfo(&pid, &host, &application) || pid <= 0)
        return;
    fault.lockPid = pid;
    fault.lockProgram = application.toStdString();
    // A process of another computer cannot be looked up from here.
    if (!host.isEmpty() && host != QSysInfo::machineHostName())
        return;
    // kill() with no signal only asks whether the process is there; EPERM means it is, but
    // belongs to someone else.
    if (::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM)
        fault.holder = PortFault::Holder::Running;
    else if (errno == ESRCH)
        fault.holder = PortFault::Holder::Gone;
#endif
}

} // namespace

PortFault openFault(const QSerialPort& port, std::int16_t number, const QString& device,
                    const QString& target) {
    PortFault fault{PortFault::Kind::Other, number};
    fault.device = device.toStdString();
    fault.systemWords = port.errorString().toStdString();
    switch (port.error()) {
    case QSerialPort::DeviceNotFoundError:
        fault.kind = PortFault::Kind::DeviceMissing;
        break;
    case QSerialPort::UnsupportedOperationError:
        // What a file, a folder or a device that is no terminal gives ("Inappropriate ioctl for
        // device"), and a line that cannot take the settings asked for.
        fault.kind = PortFault::Kind::Unsupported;
        break;
    case QSerialPort::PermissionError: {
        // Qt reports both a refused open and a device in use as a permission error: the file's
        // own permissions tell them apart.
#ifdef Q_OS_UNIX
        const QByteArray path = QFile::encodeName(target);
        if (::access(path.constData(), R_OK) != 0 && (errno == EACCES || errno == EPERM)) {
            fault.kind = PortFault::Kind::PermissionDenied;
            break;
        }
#endif
        fault.kind = PortFault::Kind::Busy;
        // Qt's own words for a lock it could not take say less than the lock file does.
        if (port.errorString() ==
            QCoreApplication::translate("QSerialPort", "Permission error while locking the device"))
            fault.systemWords.clear();
        const QString lock = lockFileOf(target);
        fault.lockFile = lock.toStdString();
        if (!lock.isEmpty())
            describeLock(lock, fault);
        break;
    }
    default:
        break;
    }
    return fault;
}

QString explainPortFault(const PortFault& fault) {
#ifdef Q_OS_WIN
    return toQString(portFaultText(fault, AdvicePlatform::Windows));
#else
    return toQString(portFaultText(fault, AdvicePlatform::Posix));
#endif
}

} // namespace torven
