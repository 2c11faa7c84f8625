#pragma once

#include "Connection.h"
#include "Following.h"
#include "PortSettingsFile.h"
#include "Reception.h"

#include <QMainWindow>
#include <QPointer>

#include <cstdint>
#include <optional>
#include <string>

class QAction;
class QMenu;
class QMessageBox;

namespace torven {

class BearingPanel;
class TargetMark;
class FramePacer;
class LineReader;
class SerialLine;
class RotatorService;
class RotctlFollower;
class AboutWindow;
class PortDialog;

// What a run asks of the window beyond the plain program; the defaults are the plain program.
struct MainWindowOptions {
    // Use this port for this run: comm.set is neither read at start nor written by the dialog.
    std::optional<std::int16_t> portForThisRun;
    QString name;   // this rotator's name: the caption becomes "TORVEN — NAME"
    int offset = 0; // degrees added to each decoded bearing (-359 to 359)
    // Follow the rotctld there instead of reading a serial port: «Связь» starts and stops it.
    std::optional<RemoteAddress> follow;
};

// The main window: the bearing panel under the menu bar. It owns the source of bearings, the serial
// line and the reception of its readings or the follower of a remote rotctld, wires it to the
// panel and the rotctld service, and carries out the menu's commands.
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
    // Whether the window follows its remote rotctld now (only with MainWindowOptions::follow).
    bool isFollowing() const { return m_following; }
    // The reception of the line's readings: the newest reading, the console, the line errors.
    const Reception& reception() const { return *m_reception; }

    // Menu commands.
    void toggleConnection();
    void showPortDialog();
    void showAboutWindow();
    void exitProgram();

protected:
    bool event(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void createElements();
    void createMenus();
    void loadPortNumber();
    // Shows `reason` as the status line's tooltip and accessible description, with the standing
    // remarks and why settings files of other users are not used.
    void showStatusReason(const QString& reason);

    // Shares the newest reading and shows it, paced to the screen's frames.
    void showReading(const DecodedReading& reading);

    // Connection.
    void applyConnectionUpdate(const ConnectionUpdate& update);
    void onDeviceLost(const QString& reason);

    // Following a remote rotctld instead.
    void toggleFollowing();
    void onAzimuthReceived(double azimuth);
    void onAzimuthMissing(const QString& reason);
    void onFollowFailed(const QString& reason);
    // Shows the follower's state, changing only what differs from what is shown.
    void showFollowState(const ConnectionUpdate& update, const QString& reason);
    void showFollowNotice();

    PortSettingsFile m_settingsFile;
    MainWindowOptions m_options;
    LineReader* m_reader = nullptr;     // the line, its reception, and the service it feeds
    QPointer<RotatorService> m_service; // fed from here only while following a rotctld
    Reception* m_reception = nullptr;
    BearingPanel* m_panel = nullptr;
    FramePacer* m_pacer = nullptr;
    SerialLine* m_serialLine = nullptr;
    RotctlFollower* m_follower = nullptr; // only when following instead of reading the port

    QAction* m_connectAction = nullptr;
    QMenu* m_settingsMenu = nullptr;
    QAction* m_portSettingsAction = nullptr;
    QAction* m_aboutAction = nullptr;
    QAction* m_exitAction = nullptr;

    bool m_portOpen = false;
    bool m_following = false;
    std::optional<ConnectionUpdate> m_followShown;
    QString m_followReason;
    QPointer<QMessageBox> m_followNotice;

    QPointer<PortDialog> m_portDialog;
    QPointer<AboutWindow> m_aboutWindow;
    bool m_closing = false;
    bool m_rolledAway = false;
};

} // namespace torven
