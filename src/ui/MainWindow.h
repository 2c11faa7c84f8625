#pragma once

#include "link/PortSettingsFile.h"
#include "reception/ReadingFramer.h"

#include <QElapsedTimer>
#include <QMainWindow>
#include <QPointer>

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

class QAction;
class QCheckBox;
class QLabel;
class QLineEdit;
class QMenu;
class QTimer;

namespace torven {

class MSComm;
class Shape;
class frmAbout;
class frmCommunicate;
struct ConnectionUpdate;
struct DecodedBlock;

// The main window: the bearing readout and its 24 sector lamps, the receive and connection lamps,
// the status line and the menu bar. It owns the serial port component and the program's state.
class Form1 : public QMainWindow {
    Q_OBJECT

public:
    explicit Form1(PortSettingsFile settingsFile, QWidget* parent = nullptr);
    ~Form1() override;

    // Places the window in the middle of its screen, its top-left corner kept on the screen.
    void CentreOnScreen();
    // Where a window (frame included) of `size` goes on a screen's free `area`: in the middle,
    // but never with its top-left corner, and so its title and menu bar, off the area.
    static QPoint PlaceOnScreen(const QRect& area, const QSize& size);

    MSComm& Comm() { return *MSComm1; }

    // The COM parameters dialog, loaded (hidden) when it is not yet loaded.
    frmCommunicate& Communicate();
    // The about window, loaded (hidden) when it is not yet loaded.
    frmAbout& About();

    std::int16_t portOpenFlag() const { return PortOpenFlag; }
    const std::string& rawReading() const { return RawReading; }
    std::int16_t bearingDegrees() const { return BearingDegrees; }
    std::int32_t errorCount() const { return ErrorCount; }
    // The text of the latest line error, shown as the status line's tooltip.
    QString lastErrorText() const { return m_lastErrorText; }

    // Menu commands.
    void mnuConnect_Click();
    void mnuCommunicate_Click();
    void mnuAbout_Click();
    void mnuExit_Click();

protected:
    bool event(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void CreateElements();
    void CreateMenus();
    void Form_Load();
    void LoadPortNumber();
    // `reason`, followed by why settings files of other users in the folders are not used.
    QString WithDistrustNotice(const QString& reason) const;
    // Shows `reason` with that notice as the status line's tooltip and accessible description.
    void ShowStatusReason(const QString& reason);

    // Reception.
    void MSComm1_OnComm();
    void ShowReading(std::string_view block);
    void ShowWaitingTextWhenDue();
    void ScheduleWaitingText();
    void DropWaitingText();
    void ShowReceived(std::string_view block);
    void tmrRXLED_Timer();
    void ShowDecodedBlock(const DecodedBlock& decoded);
    void ShowLineError(const std::string& text);

    // Connection.
    void ApplyConnectionUpdate(const ConnectionUpdate& update);
    void MSComm1_DeviceLost(const QString& reason);

    void UpdateCaret();
    // Keeps every digit and the sign of the readout in view: a reading too wide for the box is
    // shown smaller, and one too wide even then is marked at its start.
    void FitReadout();
    // Shows `text` in the readout, as setting it would, without the work when nothing changes.
    void SetReadout(const QString& text);

    // Painting, paced to the screen.
    int TimeToNextFrame() const; // milliseconds until the next paint may happen; 0: now
    void ShowLampsWhenDue();     // the sector lamps show their colours at the coming frame
    void ShowLamps();
    void PaintFrame();

    PortSettingsFile m_settingsFile;

    QCheckBox* Check1 = nullptr;
    QLineEdit* Text2 = nullptr;
    QTimer* tmrRXLED = nullptr;
    MSComm* MSComm1 = nullptr;
    QLineEdit* Text3 = nullptr;
    QFont m_readoutFont;                 // the readout's own size, for readings that fit
    QLabel* m_readoutOverflow = nullptr; // the mark of a reading cut at its start
    std::array<Shape*, 24> m_lamps{};
    QLabel* Label4 = nullptr;
    Shape* shpRXOFF = nullptr;
    Shape* shpRXON = nullptr;
    QLabel* Label7 = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* Label5 = nullptr;
    QLabel* Label6 = nullptr;
    QLabel* Label8 = nullptr;

    QAction* mnuConnect = nullptr;
    QMenu* mnuSetting = nullptr;
    QAction* mnuCommunicate = nullptr;
    QAction* mnuAbout = nullptr;
    QAction* mnuExit = nullptr;

    std::int16_t PortOpenFlag = 0;
    std::string RawReading;
    std::int16_t BearingDegrees = 0;
    std::int32_t ErrorCount = 0;
    QString m_lastErrorText;
    // Why settings files of other users are not used; looked for at start and at each connect
    // command, not on every line error.
    QString m_distrustNotice;

    QPointer<frmCommunicate> m_frmCommunicate;
    QPointer<frmAbout> m_frmAbout;
    bool m_closing = false;
    bool m_rolledAway = false;

    ReadingFramer m_framer;
    QTimer* m_readingPause = nullptr; // runs while received text waits for the rest of its reading
    ReadingFramer::Clock::time_point m_pauseDue{};

    QTimer* m_frameTimer = nullptr; // runs while a paint waits for its frame
    QElapsedTimer m_sinceFrame;     // since the latest paint
};

} // namespace torven
