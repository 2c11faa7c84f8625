#include "MSComm.h"

#include "CommError.h"
#include "PortLocator.h"
#include "link/LineSettings.h"

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

} // namespace

MSComm::MSComm(QObject* parent) : QObject(parent) {
    connect(&m_port, &QSerialPort::readyRead, this, &MSComm::onReadyRead);
    connect(&m_port, &QSerialPort::errorOccurred, this, &MSComm::onErrorOccurred);
}

MSComm::~MSComm() {
    m_port.close();
}

void MSComm::setSettings(const QString& settings) {
    const LineSettings parsed = parsedOrThrow(settings);
    if (m_port.isOpen() && !apply(m_port, parsed))
        throw CommError("the port refuses the settings " + settings.toStdString() + ": " +
                        m_port.errorString().toStdString());
    m_settings = settings;
}

QString MSComm::DeviceFor(std::int16_t port) const {
    return DeviceForPort(port, m_linkFolders);
}

void MSComm::setPortOpen(bool open) {
    if (!open) {
        m_port.close();
        return;
    }
    if (m_port.isOpen())
        throw CommError("the port is already open");

    const QString device = DeviceFor(m_commPort);
    if (device.isEmpty())
        throw CommError("port " + std::to_string(m_commPort) + " reaches no serial device");
    m_port.setPortName(device);
    if (!apply(m_port, parsedOrThrow(m_settings)))
        throw CommError("the port refuses the settings " + m_settings.toStdString());
    // Read-only: the program never transmits.
    if (!m_port.open(QIODevice::ReadOnly))
        throw CommError(device.toStdString() + ": " + m_port.errorString().toStdString());
}

QByteArray MSComm::Input() {
    return m_port.readAll();
}

void MSComm::raiseEvent(std::int16_t code) {
    m_commEvent = code;
    emit OnComm();
}

void MSComm::onReadyRead() {
    if (m_rThreshold > 0 && m_port.bytesAvailable() >= m_rThreshold)
        raiseEvent(2);
}

void MSComm::onErrorOccurred(QSerialPort::SerialPortError error) {
    // Errors during an open attempt are reported by setPortOpen itself. An error on an open port
    // means its device is gone or broken; some Qt versions repeat it in a tight loop for as long
    // as the dead handle stays open, so the port is closed here, once.
    if (error == QSerialPort::NoError || !m_port.isOpen())
        return;
    const QString reason = m_port.errorString();
    m_port.close();
    m_port.clearError();
    emit DeviceLost(reason);
}

} // namespace torven
