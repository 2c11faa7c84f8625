#include "SerialLine.h"

#include "LineEvents.h"
#include "LineSettings.h"
#include "Logging.h"
#include "OpenFault.h"
#include "Utf8.h"

#include <QFileInfo>
#include <QThread>

#include <cstdlib>
#include <vector>

#ifdef Q_OS_UNIX
#include <poll.h>
#endif

namespace torven {

namespace {

PortFault settingsFault(PortFault::Kind kind, std::int16_t port, const QString& settings) {
    PortFault fault{kind, port};
    fault.settings = settings.toStdString();
    return fault;
}

QSerialPort::Parity qtParity(Parity parity) {
    switch (parity) {
    case Parity::Even:
        return QSerialPort::EvenParity;
    case Parity::Odd:
        return QSerialPort::OddParity;
    case Parity::Mark:
        return QSerialPort::MarkParity;
    case Parity::Space:
        return QSerialPort::SpaceParity;
    case Parity::None:
        break;
    }
    return QSerialPort::NoParity;
}

QSerialPort::StopBits qtStopBits(StopBits stopBits) {
    switch (stopBits) {
    case StopBits::OneAndHalf:
        return QSerialPort::OneAndHalfStop;
    case StopBits::Two:
        return QSerialPort::TwoStop;
    case StopBits::One:
        break;
    }
    return QSerialPort::OneStop;
}

// Applies the settings; false when the port refuses one of them.
bool apply(QSerialPort& port, const LineSettings& s) {
    return port.setBaudRate(s.baudRate) &&
           port.setDataBits(static_cast<QSerialPort::DataBits>(s.dataBits)) &&
           port.setParity(qtParity(s.parity)) && port.setStopBits(qtStopBits(s.stopBits)) &&
           port.setFlowControl(QSerialPort::NoFlowControl);
}

// Whether the line behind an open handle has hung up or failed. Only Unix can tell; elsewhere
// every error counts as a failed line.
bool lineFailed([[maybe_unused]] PortHandle handle) {
#ifdef Q_OS_UNIX
    pollfd line{static_cast<int>(handle), POLLIN, 0};
    if (::poll(&line, 1, 0) < 0)
        return true;
    return (line.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0;
#else
    return true;
#endif
}

// Every serial line alive, so that an ending through exit() (which unwinds nothing) still releases
// their ports: the exclusive use and the lock file would otherwise outlive the program.
// Never destroyed: exit-time handlers may run after static objects are gone.
std::vector<SerialLine*>& liveLines() {
    static auto* live = new std::vector<SerialLine*>;
    return *live;
}

void releasePortsAtExit() {
    for (SerialLine* line : liveLines()) {
        // Only the thread that owns a line may touch it; exit() is called from the user
        // interface thread when the display connection is lost.
        if (line->thread() == QThread::currentThread())
            line->closePort();
    }
}

} // namespace

// Read errors in a row, on a line that shows no hang-up, after which it counts as failed anyway.
constexpr int kReadErrorsTolerated = 16;

// How often the counters of an open port are looked at when nothing is received.
constexpr int kLineErrorPollMs = 500;

SerialLine::SerialLine(QObject* parent) : QObject(parent) {
    connect(&m_port, &QSerialPort::readyRead, this, &SerialLine::onReadyRead);
    connect(&m_port, &QSerialPort::errorOccurred, this, &SerialLine::onErrorOccurred);
    m_lineErrorPoll.setInterval(kLineErrorPollMs);
    connect(&m_lineErrorPoll, &QTimer::timeout, this, &SerialLine::checkLineErrors);
    [[maybe_unused]] static const bool hooked = std::atexit(releasePortsAtExit) == 0;
    liveLines().push_back(this);
}

SerialLine::~SerialLine() {
    std::erase(liveLines(), this);
    closePort();
}

PortResult SerialLine::setSettings(const QString& settings) {
    const auto parsed = parseLineSettings(settings.toStdString());
    if (!parsed) {
        qCDebug(lcSerial) << "port" << m_portNumber
                          << ": line settings not understood:" << settings;
        return settingsFault(PortFault::Kind::SettingsInvalid, m_portNumber, settings);
    }
    if (m_port.isOpen()) {
        // A refusal is reported to the caller; it says nothing about the device, and the line
        // goes back to the settings it had.
        m_applyingSettings = true;
        const bool applied = apply(m_port, *parsed);
        const QString why = m_port.errorString();
        if (!applied)
            apply(m_port, m_lineSettings);
        m_applyingSettings = false;
        m_port.clearError();
        checkInputParity(m_port.handle());
        if (!applied) {
            PortFault fault =
                settingsFault(PortFault::Kind::SettingsRefused, m_portNumber, settings);
            fault.device = m_device.toStdString();
            fault.systemWords = why.toStdString();
            qCDebug(lcSerial) << "port" << m_portNumber << "on" << m_device << "refused settings"
                              << settings << ":" << why;
            return fault;
        }
    }
    m_lineSettings = *parsed;
    return {};
}

QString SerialLine::settings() const {
    return toQString(lineSettingsText(m_lineSettings));
}

QString SerialLine::deviceFor(std::int16_t port, const SerialPorts& ports) const {
    return ports.deviceFor(port, m_linkFolders);
}

PortResult SerialLine::openPort() {
    if (m_port.isOpen())
        return PortFault(PortFault::Kind::Other, m_portNumber, "the port is already open");
    PortResult result = open();
    if (result.succeeded())
        qCDebug(lcSerial) << "port" << m_portNumber << "opened:" << m_device << "→"
                          << QFileInfo(m_device).canonicalFilePath() << "at"
                          << qUtf8Printable(settings());
    else
        // The fault's text may carry a lock file's words and the system's: quoted.
        qCDebug(lcSerial) << "port" << m_portNumber << "not opened, with"
                          << qUtf8Printable(settings()) << explainPortFault(result.fault());
    return result;
}

PortResult SerialLine::open() {
    const QString device = m_namedDevice.isEmpty() ? deviceFor(m_portNumber) : m_namedDevice;
    if (device.isEmpty())
        return PortFault{PortFault::Kind::NoDevice, m_portNumber};
    // Open the device itself rather than a link to it: the lock that keeps a second program off
    // a line in use is named after the device, and through a link of another name it would be
    // missed, leaving two programs each reading half of the line.
    const QString canonical = QFileInfo(device).canonicalFilePath();
    const QString target = canonical.isEmpty() ? device : canonical;
    m_port.setPortName(target);
    if (!apply(m_port, m_lineSettings)) {
        PortFault fault = settingsFault(PortFault::Kind::SettingsRefused, m_portNumber, settings());
        fault.device = device.toStdString();
        fault.systemWords = m_port.errorString().toStdString();
        return fault;
    }
    // Read-only: the program never transmits.
    if (!m_port.open(QIODevice::ReadOnly))
        return openFault(m_port, m_portNumber, device, target);
    m_device = device;
    checkInputParity(m_port.handle());
    startWatchingLineErrors();
    return {};
}

void SerialLine::closePort() {
    if (m_port.isOpen())
        qCDebug(lcSerial) << "port" << m_portNumber << "closed:" << m_device;
    m_readErrorsInARow = 0;
    m_lineErrorPoll.stop();
    m_lineErrorsSeen.reset();
    m_port.close();
}

std::optional<LineErrorCounts> SerialLine::readLineErrorCounts() {
    if (m_lineErrorSource)
        return m_lineErrorSource();
    return m_driverCounters.read(m_port.handle());
}

void SerialLine::startWatchingLineErrors() {
    m_lineErrorsSeen = readLineErrorCounts();
    if (m_lineErrorsSeen)
        m_lineErrorPoll.start();
}

void SerialLine::checkLineErrors() {
    if (!m_lineErrorsSeen || !m_port.isOpen())
        return;
    const auto now = readLineErrorCounts();
    if (!now) {
        // The counters went away with the driver's support for them: stop asking.
        m_lineErrorPoll.stop();
        m_lineErrorsSeen.reset();
        return;
    }
    const auto events = lineErrorEvents(*m_lineErrorsSeen, *now);
    m_lineErrorsSeen = now;
    for (const LineEvent code : events) {
        if (lcSerial().isDebugEnabled())
            logLineError(code, *now);
        emit lineError(code);
        // A handler may have closed the port: the rest belongs to a line no longer watched.
        if (!m_lineErrorsSeen)
            return;
    }
}

void SerialLine::logLineError(LineEvent code, const LineErrorCounts& counts) const {
    const auto message = lineErrorMessage(code);
    qCDebug(lcSerial).nospace()
        << "line error " << static_cast<int>(code) << " on " << m_device << ": "
        << qUtf8Printable(message ? QString::fromLatin1(message->data(),
                                                        static_cast<qsizetype>(message->size()))
                                        .remove(QStringLiteral("Last Error:"))
                                        .trimmed()
                                  : QStringLiteral("break (not counted as an error)"))
        << "; the driver's counts: break " << counts.breaks << ", framing " << counts.frame
        << ", overrun " << counts.overrun << ", buffer overrun " << counts.bufferOverrun
        << ", parity " << counts.parity;
}

void SerialLine::onReadyRead() {
    m_readErrorsInARow = 0;
    // A read that finds nothing carries no block: nothing is handed on.
    if (const QByteArray block = m_port.readAll(); !block.isEmpty())
        emit blockReceived(block);
    checkLineErrors();
}

void SerialLine::takeHeldBytes() {
#ifdef Q_OS_UNIX
    if (!m_port.isOpen())
        return;
    // Qt reports a wait that finds nothing as an error, so the line is asked first. With bytes
    // there, the wait reads them at once and emits readyRead, which hands them on from here.
    pollfd line{static_cast<int>(m_port.handle()), POLLIN, 0};
    if (::poll(&line, 1, 0) > 0 && (line.revents & POLLIN) != 0)
        m_port.waitForReadyRead(0);
#else
    // Qt's Windows backend reads through overlapped operations whose completions a helper thread
    // queues for the event loop. A wait that does not block handles at most one of them, and a
    // completion that comes in during the wait may be queued with no notice to the event loop: the
    // line's next step would then never be taken and reception would stop for good. Bytes
    // arrive through the event loop alone there.
#endif
}

void SerialLine::onErrorOccurred(QSerialPort::SerialPortError error) {
    // A hang-up reaches here through the read notification, which stays armed for as long as the
    // port is open, data waiting or not: no read buffer limit is ever set, since Qt stops
    // watching the handle while a limited buffer is full.
    //
    // Errors during an open attempt are reported by openPort itself. An error on an open port
    // means its device is gone or broken; some Qt versions repeat it in a tight loop for as long
    // as the dead handle stays open, so the port is closed here, once.
    if (error == QSerialPort::NoError || !m_port.isOpen() || m_applyingSettings)
        return;
    // A wait that found nothing (takeHeldBytes) says nothing about the device.
    if (error == QSerialPort::TimeoutError) {
        m_port.clearError();
        return;
    }
    // A read that finds nothing after the line said it was readable, on a line that has not hung
    // up, is no lost device: whatever took the bytes (a pseudo-terminal's controller flushing its
    // queue) left the line working. Many in a row with nothing read are a failed line all the same.
    if (error == QSerialPort::ReadError && !lineFailed(m_port.handle()) &&
        ++m_readErrorsInARow <= kReadErrorsTolerated) {
        qCDebug(lcSerial) << "read error" << m_readErrorsInARow << "in a row on" << m_device
                          << "(line not hung up):" << m_port.errorString();
        m_port.clearError();
        return;
    }
    m_readErrorsInARow = 0;
    const QString reason = m_port.errorString();
    qCDebug(lcSerial).nospace() << "port " << m_portNumber << " lost its device " << m_device
                                << " (" << error << "): " << reason;
    closePort();
    m_port.clearError();
    emit deviceLost(reason);
}

} // namespace torven
