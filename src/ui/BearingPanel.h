#pragma once

#include <QWidget>

#include <array>

class QLabel;
class QTimer;

namespace torven {

class Console;
class ConsoleBox;
class Lamp;
class Readout;
class StatusLine;
class TargetMark;
struct ConnectionUpdate;
struct DecodedReading;

// The window's client area, laid out as designed: the bearing readout in the middle of a diamond
// of 24 sector lamps, the compass marks, the receive and connection lamps, the status line and
// the hidden console box. A reading is stored at once and shown when the window paints.
class BearingPanel : public QWidget {
    Q_OBJECT

public:
    BearingPanel(const Console& console, QWidget* parent);

    // Flashes the receive lamp and stores what `reading` shows, for showStoredReading().
    void storeReading(const DecodedReading& reading);
    // Flashes the receive lamp alone: something arrived that changes nothing shown.
    void flashReceiveLamp();
    // The readout alone shows the stored reading.
    void showStoredReadout();
    // The readout and the sector lamps show the stored reading; only what differs repaints.
    void showStoredReading();
    // The connection lamp's colour and the status line's word after a connect command or a lost
    // device.
    void showConnection(const ConnectionUpdate& update);

    StatusLine& statusLine() { return *m_statusLine; }
    TargetMark& targetMark() { return *m_targetMark; }
    ConsoleBox& consoleBox() { return *m_consoleBox; }
    Readout& readout() { return *m_readout; }

private:
    void darkenReceiveLamp();

    ConsoleBox* m_consoleBox = nullptr; // Text2: hidden, it only shows the console
    Readout* m_readout = nullptr;
    std::array<Lamp*, 24> m_lamps{};
    QLabel* m_connectionLamp = nullptr;
    Lamp* m_receiveLampOff = nullptr;
    Lamp* m_receiveLampOn = nullptr;
    QTimer* m_receiveLampTimer = nullptr; // runs while the receive lamp is lit
    QLabel* m_statusLabel = nullptr;
    StatusLine* m_statusLine = nullptr;
    TargetMark* m_targetMark = nullptr;
};

} // namespace torven
