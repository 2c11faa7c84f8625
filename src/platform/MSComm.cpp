#include "MSComm.h"

#include "CommError.h"
#include "PortLocator.h"
#include "link/LineSettings.h"
#include "reception/CommEvents.h"

#include <QFileInfo>

#ifdef Q_OS_UNIX
#include <poll.h>
#endif

namespace torven {

namespace {

LineSettings parsedOrThrow(const QString& text) {
    const auto settings = ParseLineSettings(text.toStdString());
    if (!settings)
        throw CommError("invalid line settings: " + text.toStdString());
    return *settings;
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
bool LineFailed([[maybe_unused]] PortHandle handle) {
#ifdef Q_OS_UNIX
    pollfd line{static_cast<int>(handle), POLLIN, 0};
    if (::poll(&line, 1, 0) < 0)
        return true;
    return (line.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0;
#else
    return true;
#endif
}

} // namespace

// Read errors in a row, on a line that shows no hang-up, after which it counts as failed anyway.
constexpr int kReadErrorsTolerated = 16;

// The characters kept for a reader that does not read.
constexpr qint64 kReceiveBufferSize = 1024;

// How often the counters of an open port are looked at when nothing is received.
constexpr int kLineErrorPollMs = 500;

MSComm::MSComm(QObject* parent) : QObject(parent) {
    connect(&m_port, &QSerialPort::readyRead, this, &MSComm::onReadyRead);
    connect(&m_port, &QSerialPort::errorOccurred, this, &MSComm::onErrorOccurred);
    m_lineErrorPoll.setInterval(kLineErrorPollMs);
    connect(&m_lineErrorPoll, &QTimer::timeout, this, &MSComm::checkLineErrors);
}

MSComm::~MSComm() {
    closePort();
}

void MSComm::setSettings(const QString& settings) {
    const LineSettings parsed = parsedOrThrow(settings);
    if (m_port.isOpen()) {
        // A refusal is reported to the caller; it says nothing about the device, and the line
        // goes back to the settings it had.
        m_applyingSettings = true;
        const bool applied = apply(m_port, parsed);
        const QString why = m_port.errorString();
        if (!applied)
            apply(m_port, parsedOrThrow(m_settings));
        m_applyingSettings = false;
        m_port.clearError();
        CheckInputParity(m_port.handle());
        if (!applied)
            throw CommError("the port refuses the settings " + settings.toStdString() + ": " +
                            why.toStdString());
    }
    m_settings = settings;
}

QString MSComm::DeviceFor(std::int16_t port) const {
    return DeviceForPort(port, m_linkFolders);
}

void MSComm::setPortOpen(bool open) {
    if (!open) {
        closePort();
        return;
    }
    if (m_port.isOpen())
        throw CommError("the port is already open");

    const QString device = DeviceFor(m_commPort);
    if (device.isEmpty())
        throw CommError("port " + std::to_string(m_commPort) + " reaches no serial device");
    // Open the device itself rather than a link to it: the lock that keeps a second program off
    // a line in use is named after the device, and through a link of another name it would be
    // missed, leaving two programs each reading half of the line.
    const QString target = QFileInfo(device).canonicalFilePath();
    m_port.setPortName(target.isEmpty() ? device : target);
    if (!apply(m_port, parsedOrThrow(m_settings)))
        throw CommError("the port refuses the settings " + m_settings.toStdString());
    // Read-only: the program never transmits.
    if (!m_port.open(QIODevice::ReadOnly))
        throw CommError(device.toStdString() + ": " + m_port.errorString().toStdString());
    CheckInputParity(m_port.handle());
    startWatchingLineErrors();
}

void MSComm::closePort() {
    m_readErrorsInARow = 0;
    m_lineErrorPoll.stop();
    m_lineErrorsSeen.reset();
    m_port.close();
}

std::optional<LineErrorCounts> MSComm::readLineErrorCounts() {
    if (m_lineErrorSource)
        return m_lineErrorSource();
    return m_driverCounters.Read(m_port.handle());
}

void MSComm::startWatchingLineErrors() {
    m_lineErrorsSeen = readLineErrorCounts();
    if (m_lineErrorsSeen)
        m_lineErrorPoll.start();
}

void MSComm::checkLineErrors() {
    if (!m_lineErrorsSeen || !m_port.isOpen())
        return;
    const auto now = readLineErrorCounts();
    if (!now) {
        // The counters went away with the driver's support for them: stop asking.
        m_lineErrorPoll.stop();
        m_lineErrorsSeen.reset();
        return;
    }
    const auto events = LineErrorEvents(*m_lineErrorsSeen, *now);
    m_lineErrorsSeen = now;
    for (const std::int16_t code : events) {
        raiseEvent(code);
        // A handler may have closed the port: the rest belongs to a line no longer watched.
        if (!m_lineErrorsSeen)
            return;
    }
}

QByteArray MSComm::Input() {
    return m_port.readAll();
}

void MSComm::raiseEvent(std::int16_t code) {
    m_commEvent = code;
    emit OnComm();
}

void MSComm::onReadyRead() {
    m_readErrorsInARow = 0;
    if (m_rThreshold > 0 && m_port.bytesAvailable() >= m_rThreshold)
        raiseEvent(2);
    // Bytes nobody reads (no receive notification is wanted, or its handler left them) are kept
    // no further than the receive buffer holds; the oldest go first, and the loss is reported.
    if (m_port.isOpen() && m_port.bytesAvailable() > kReceiveBufferSize) {
        m_port.skip(m_port.bytesAvailable() - kReceiveBufferSize);
        raiseEvent(comm_event::ReceiveOverflow);
    }
    checkLineErrors();
}

void MSComm::onErrorOccurred(QSerialPort::SerialPortError error) {
    // A hang-up reaches here through the read notification, which stays armed for as long as the
    // port is open, data waiting or not: no read buffer limit is ever set, since Qt stops
    // watching the handle while a limited buffer is full.
    //
    // Errors during an open attempt are reported by setPortOpen itself. An error on an open port
    // means its device is gone or broken; some Qt versions repeat it in a tight loop for as long
    // as the dead handle stays open, so the port is closed here, once.
    if (error == QSerialPort::NoError || !m_port.isOpen() || m_applyingSettings)
        return;
    // A read that finds nothing after the line said it was readable, on a line that has not hung
    // up, is no lost device: whatever took the bytes (a pseudo-terminal's controller flushing its
    // queue) left the line working. Many in a row with nothing read are a failed line all the same.
    if (error == QSerialPort::ReadError && !LineFailed(m_port.handle()) &&
        ++m_readErrorsInARow <= kReadErrorsTolerated) {
        m_port.clearError();
        return;
    }
    m_readErrorsInARow = 0;
    const QString reason = m_port.errorString();
    closePort();
    m_port.clearError();
    emit DeviceLost(reason);
}

} // namespace torven
