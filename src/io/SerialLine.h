#pragma once

#include "DriverLineErrorCounters.h"
#include "LineErrorCounts.h"
#include "LineEvents.h"
#include "LineSettings.h"
#include "PortFault.h"
#include "SerialPorts.h"

#include <QByteArray>
#include <QObject>
#include <QSerialPort>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <cstdint>
#include <functional>
#include <optional>

namespace torven {

// A serial line known by its port number: a line settings text, an open switch, and a signal for
// every block received, every line error and a lost device. It only listens; nothing is ever
// written to the port.
//
// Signals arrive on the thread that owns the line, from its event loop, never while
// another handler runs. Refused settings and failed opens come back as a PortResult that says
// what went wrong, in the system's words; the wording is left to the caller. The port is released
// when the line is destroyed, and also when the program ends through exit() while the
// line still lives.
//
// Line errors come from the driver's own counters: the counts at open are the baseline, and each
// kind of error whose count has grown since the last look emits one lineError with its code.
// The counters are looked at after each reception and twice a second while the port is open; a
// driver without counters reports no line errors and is not asked again until the next open.
class SerialLine : public QObject {
    Q_OBJECT

public:
    explicit SerialLine(QObject* parent = nullptr);
    ~SerialLine() override;

    std::int16_t portNumber() const { return m_portNumber; }
    // While the port is open a new number is kept for the next open; the open port is left alone.
    void setPortNumber(std::int16_t port) { m_portNumber = port; }

    // What the line opens with (19200,n,8,1 until others are set), and the same as text.
    LineSettings lineSettings() const { return m_lineSettings; }
    QString settings() const;
    // "baud,parity,data,stop" such as "19200,n,8,1"; fails when malformed, or when an open port
    // refuses it, and then keeps the settings it had.
    PortResult setSettings(const QString& settings);

    bool isPortOpen() const { return m_port.isOpen(); }
    // Fails when the port number reaches no device, the device is missing, busy or not a serial
    // line, or refuses the settings.
    PortResult openPort();
    // Closing cannot fail; a closed port is left alone.
    void closePort();

    // Hands over at once, through blockReceived, the bytes the system already holds for the open
    // line but has not announced yet: a busy program may serve a timer before the line's notice.
    // Does nothing when none wait, when the port is closed, and on Windows (see the source).
    void takeHeldBytes();

    // Folders searched for comN links that point a port number at a device.
    void setLinkFolders(const QStringList& folders) { m_linkFolders = folders; }
    // A device named by its path, opened instead of the one the port number reaches; empty (as
    // it starts) goes by the number.
    void setNamedDevice(const QString& path) { m_namedDevice = path; }

    // The device a port number reaches (empty when none), as `ports` lists the system's ports:
    // by default as they are now.
    QString deviceFor(std::int16_t port, const SerialPorts& ports = SerialPorts()) const;
    // The device the port was last opened on (empty before the first open).
    QString device() const { return m_device; }

    // Where the line-error counts come from: by default the open port's driver. Nothing from the
    // source means it keeps no counts.
    using LineErrorSource = std::function<std::optional<LineErrorCounts>()>;
    void setLineErrorSource(LineErrorSource source) { m_lineErrorSource = std::move(source); }

    // Whether the open port's line-error counters are being watched.
    bool watchesLineErrors() const { return m_lineErrorPoll.isActive(); }

signals:
    // Every byte received since the last block, one character per byte; never empty.
    void blockReceived(const QByteArray& block);
    // A line error the driver counted.
    void lineError(torven::LineEvent code);
    // The open port's device went away or failed (an adapter pulled out, a line hung up). The port
    // has already been closed, once.
    void deviceLost(const QString& reason);

private:
    PortResult open();
    void logLineError(LineEvent code, const LineErrorCounts& counts) const;
    void onReadyRead();
    void onErrorOccurred(QSerialPort::SerialPortError error);
    std::optional<LineErrorCounts> readLineErrorCounts();
    void startWatchingLineErrors();
    void checkLineErrors();

    // A child, so that tests can reach its signals; being a member, it leaves its parent before
    // the parent deletes its children.
    QSerialPort m_port{this};
    // Read errors in a row on a line that shows no hang-up (see onErrorOccurred).
    int m_readErrorsInARow = 0;
    std::int16_t m_portNumber = 1;
    LineSettings m_lineSettings;
    QStringList m_linkFolders;
    QString m_namedDevice;
    QString m_device;
    bool m_applyingSettings = false; // errors raised meanwhile are refusals, not a lost device

    LineErrorSource m_lineErrorSource;
    DriverLineErrorCounters m_driverCounters;
    // The counts last seen on the open port; empty while closed or when the driver keeps none.
    std::optional<LineErrorCounts> m_lineErrorsSeen;
    QTimer m_lineErrorPoll;
};

} // namespace torven
