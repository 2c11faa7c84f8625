#pragma once

#include "CommEvents.h"
#include "Console.h"
#include "PortSettingsFile.h"
#include "ReadingFramer.h"

#include <QElapsedTimer>
#include <QMainWindow>
#include <QPointer>
#include <QStringList>

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

class QAction;
class QLabel;
class QLineEdit;
class QMenu;
class QTimer;

namespace torven {

class SerialLine;
class RotatorService;
class Lamp;
class AboutWindow;
class PortDialog;
class TargetMark;
struct ConnectionUpdate;
struct DecodedBlock;

// What a run asks of the window beyond the plain program; the defaults are the plain program.
struct MainWindowOptions {
    // Use this port for this run: comm.set is neither read at start nor written by the dialog.
    std::optional<std::int16_t> portForThisRun;
    QString name;   // this rotator's name: the caption becomes "TORVEN — NAME"
    int offset = 0; // degrees added to each decoded bearing (-359 to 359)
};

// The main window: the bearing readout and its 24 sector lamps, the receive and connection lamps,
// the status line and the menu bar. It owns the serial line and the program's state.
class MainWindow : public QMainWindow {
    Q_OBJECT

public:
    explicit MainWindow(PortSettingsFile settingsFile, MainWindowOptions options = {},
                        QWidget* parent = nullptr);
    ~MainWindow() override;

    // Places the window in the middle of its screen, its top-left corner kept on the screen.
    void centreOnScreen();
    // Places the window's top-left corner at `topLeft`, or as near as keeps its title bar within
    // reach on one of the screens.
    void placeAt(const QPoint& topLeft);

    SerialLine& serialLine() { return *m_serialLine; }

    // Shares each reading's bearing with `service` from now on (and none while no live reading
    // is at hand). The service must outlive the window or be removed first (nullptr).
    void shareBearingWith(RotatorService* service);
    // Marks the targets `service`'s clients send on the lamps and in the status line from now on.
    void showTargetsFrom(RotatorService* service);
    TargetMark& targetMark() { return *m_targetMark; }
    // A standing remark for the status line's tooltip (a service that could not start, say),
    // shown after the latest reason, newest remark first.
    void addStatusRemark(const QString& remark);
    // Says once, in a message box that leaves the window free to use, that the rotctld service
    // could not start and why; the reason stays under the status line.
    void reportServiceOff(const QString& reason);

    // The port dialog, loaded (hidden) when it is not yet loaded.
    PortDialog& portDialog();
    // The about window, loaded (hidden) when it is not yet loaded.
    AboutWindow& aboutWindow();

    bool isPortOpen() const { return m_portOpen; }
    const std::string& rawReading() const { return m_rawReading; }
    std::int16_t bearingDegrees() const { return m_bearing; }
    std::int32_t errorCount() const { return m_errorCount; }
    // The hidden received-text console's text; its box Text2 catches up within a second.
    const std::string& consoleText() const { return m_console.text(); }
    // The text of the latest line error, shown as the status line's tooltip.
    QString lastErrorText() const { return m_lastErrorText; }

    // Menu commands.
    void toggleConnection();
    void showPortDialog();
    void showAboutWindow();
    void exitProgram();

protected:
    bool event(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void createElements();
    void createMenus();
    void loadPortNumber();
    // `reason`, followed by the standing remarks and why settings files of other users in the
    // folders are not used.
    QString withDistrustNotice(const QString& reason) const;
    // Shows `reason` with that notice as the status line's tooltip and accessible description.
    void showStatusReason(const QString& reason);

    // Reception.
    void onBlockReceived(const QByteArray& block);
    void onLineError(CommEvent code);
    void showReading(std::string_view block);
    void showWaitingTextWhenDue();
    void scheduleWaitingText();
    void dropWaitingText();
    void updateConsole(std::string_view reading);
    void writeConsoleBox();
    void darkenReceiveLamp();
    void showDecodedBlock(DecodedBlock decoded);
    void showLineError(const std::string& text);

    // Connection.
    void applyConnectionUpdate(const ConnectionUpdate& update);
    void onDeviceLost(const QString& reason);

    void updateCaret();
    // Keeps every digit and the sign of the readout in view: a reading too wide for the box is
    // shown smaller, and one too wide even then is marked at its start.
    void fitReadout();
    // Shows `text` in the readout, as setting it would, without the work when nothing changes.
    void setReadout(const QString& text);

    // Painting, paced to the screen.
    int timeToNextFrame() const; // milliseconds until the next paint may happen; 0: now
    void showReadingWhenDue(); // the readout and lamps show the newest reading at the coming frame
    void showReading();
    void showReadout();
    void paintFrame();

    PortSettingsFile m_settingsFile;
    MainWindowOptions m_options;
    QPointer<RotatorService> m_service;
    QString m_statusReason;      // the latest failed command, lost device or line error
    QStringList m_statusRemarks; // newest first

    Console m_console;
    QLineEdit* m_consoleBox = nullptr;   // Text2: hidden, it only shows m_console
    QTimer* m_consoleBoxWrite = nullptr; // runs while Text2 lags behind m_console
    QTimer* m_receiveLampTimer = nullptr;
    SerialLine* m_serialLine = nullptr;
    QLineEdit* m_readout = nullptr;
    QFont m_readoutFont;                 // the readout's own size, for readings that fit
    QLabel* m_readoutOverflow = nullptr; // the mark of a reading cut at its start
    std::array<Lamp*, 24> m_lamps{};
    QLabel* m_connectionLamp = nullptr;
    Lamp* m_receiveLampOff = nullptr;
    Lamp* m_receiveLampOn = nullptr;
    QLabel* m_statusLine = nullptr;
    QLabel* m_northMark = nullptr;
    QLabel* m_southMark = nullptr;
    QLabel* m_westMark = nullptr;
    QLabel* m_eastMark = nullptr;
    TargetMark* m_targetMark = nullptr;

    QAction* m_connectAction = nullptr;
    QMenu* m_settingsMenu = nullptr;
    QAction* m_portSettingsAction = nullptr;
    QAction* m_aboutAction = nullptr;
    QAction* m_exitAction = nullptr;

    bool m_portOpen = false;
    std::string m_rawReading;
    QString m_readoutText;       // the newest reading's readout text, shown at the coming frame
    bool m_readoutWaits = false; // m_readoutText has not been shown yet
    std::int16_t m_bearing = 0;
    std::int32_t m_errorCount = 0;
    QString m_lastErrorText;
    // Why settings files of other users are not used; looked for at start and at each connect
    // command, not on every line error.
    QString m_distrustNotice;

    QPointer<PortDialog> m_portDialog;
    QPointer<AboutWindow> m_aboutWindow;
    bool m_closing = false;
    bool m_rolledAway = false;

    ReadingFramer m_framer;
    QTimer* m_readingPause = nullptr; // runs while received text waits for the rest of its reading
    ReadingFramer::Clock::time_point m_pauseDue{};

    QTimer* m_frameTimer = nullptr; // runs while a paint waits for its frame
    QElapsedTimer m_sinceFrame;     // since the latest paint
};

} // namespace torven
