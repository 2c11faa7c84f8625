#include "Bridge.h"

#include "EndSignals.h"
#include "Logging.h"
#include "PortSettingsFile.h"
#include "SerialLine.h"
#include "Utf8.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QSysInfo>

namespace torven {

namespace {

// Text from outside (a path, the system's words), in quotes and with its control characters
// escaped, for the log.
QString quoted(const QString& text) {
    return QDebug::toString(text);
}

// A device missing and a port number that reaches none are the same wait for an adapter.
PortFault::Kind waitKind(PortFault::Kind kind) {
    return kind == PortFault::Kind::NoDevice ? PortFault::Kind::DeviceMissing : kind;
}

} // namespace

Bridge::Bridge(const CommandLineOptions& options, const PortSettingsFile& settingsFile,
               QObject* parent)
    : QObject(parent), m_options(options), m_reader(options.offset) {
    SerialLine& line = m_reader.serialLine();
    line.setLinkFolders(settingsFile.folders());
    line.setNamedDevice(options.device);
    if (options.portNumber)
        line.setPortNumber(*options.portNumber);
    else if (const auto stored = options.device.isEmpty() ? settingsFile.load() : std::nullopt)
        line.setPortNumber(*stored);
    m_service.setName(options.name);
    m_reader.serveTo(&m_service);
    connect(&m_reader, &LineReader::deviceLost, this, &Bridge::onDeviceLost);
    m_retry.setInterval(kRetryInterval);
    connect(&m_retry, &QTimer::timeout, this, [this] {
        if (!tryToOpen())
            emit failed();
    });
}

bool Bridge::start() {
    const CommandLineOptions& o = m_options;
    qCInfo(lcApp).nospace().noquote()
        << "torven " << QCoreApplication::applicationVersion() << " started without a window: "
        << (o.device.isEmpty() ? QStringLiteral("port %1").arg(m_reader.serialLine().portNumber())
                               : QStringLiteral("device ") + quoted(o.device))
        << ", line settings " << o.lineSettings << ", offset " << o.offset
        << (o.name.isEmpty() ? QString() : QStringLiteral(", name ") + quoted(o.name))
        << ", rotctld " << o.rotctldAddress.toString() << ':' << *o.rotctldPort
        << (o.debug ? ", debug log" : "");
    qCDebug(lcApp).noquote() << "on" << QSysInfo::prettyProductName() << "with Qt" << qVersion();
    if (!m_service.listen(o.rotctldAddress, *o.rotctldPort)) {
        qCCritical(lcApp).noquote() << m_service.failureReason();
        return false;
    }
    return tryToOpen();
}

void Bridge::stop() {
    m_retry.stop();
    m_reader.close();
}

bool Bridge::tryToOpen() {
    const PortResult result = m_reader.open(m_options.lineSettings);
    const SerialLine& line = m_reader.serialLine();
    if (result.succeeded()) {
        m_retry.stop();
        m_downFor.reset();
        qCInfo(lcSerial).nospace() << (m_wasOpen ? "line back: " : "line open: ") << line.device()
                                   << " (" << QFileInfo(line.device()).canonicalFilePath()
                                   << ") at " << qUtf8Printable(line.settings());
        m_wasOpen = true;
        return true;
    }
    PortFault fault = result.fault();
    // A device named by its path has no port number to speak of.
    if (!m_options.device.isEmpty())
        fault.port = 0;
    const QString reason = toQString(portFaultReason(fault));
    if (!faultMayPass(fault)) {
        m_retry.stop();
        qCCritical(lcSerial) << "line cannot be opened, giving up:" << reason;
        return false;
    }
    if (m_downFor != waitKind(fault.kind)) {
        m_downFor = waitKind(fault.kind);
        qCInfo(lcSerial).nospace() << "line not open, trying again every "
                                   << kRetryInterval.count() / 1000 << " s: " << reason;
    }
    m_retry.start();
    return true;
}

void Bridge::onDeviceLost(const QString& reason) {
    qCInfo(lcSerial).nospace() << "line lost: " << m_reader.serialLine().device() << ": " << reason
                               << "; trying again every " << kRetryInterval.count() / 1000 << " s";
    // The device is gone: finding it missing at the next tries needs no more words.
    m_downFor = PortFault::Kind::DeviceMissing;
    m_retry.start();
}

int runBridge(int& argc, char* argv[], const CommandLineOptions& options, const QString& version,
              const QString& installFolder) {
    // No display is needed, and none is opened.
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("torven"));
    QCoreApplication::setApplicationVersion(version);
    if (options.debug)
        enableDebugLog();
    else
        enableEventLog();

    Bridge bridge(options, PortSettingsFile::forThisProgram(installFolder));
    // Asked to end (systemctl stop, Ctrl-C, a closed terminal): release the line first, so that
    // its lock and exclusive use do not outlive the program.
    EndSignals endSignals;
    int endedBy = 0;
    QObject::connect(&endSignals, &EndSignals::arrived, &app, [&](int signal) {
        endedBy = signal;
        bridge.stop();
        QCoreApplication::exit(0);
    });
    QObject::connect(&bridge, &Bridge::failed, &app, [&] {
        bridge.stop();
        QCoreApplication::exit(1);
    });
    const int status = bridge.start() ? QCoreApplication::exec() : 1;
    if (endedBy != 0)
        qCInfo(lcApp).nospace() << "ended by signal " << endedBy << ", status " << status;
    else
        qCInfo(lcApp).nospace() << "ended, status " << status;
    return status;
}

} // namespace torven
