#include "MainWindow.h"

#include "AboutWindow.h"
#include "BearingDecoding.h"
#include "BearingOffset.h"
#include "BearingPanel.h"
#include "Connection.h"
#include "ConsoleBox.h"
#include "FittingMenuBar.h"
#include "Fonts.h"
#include "FramePacer.h"
#include "LineReader.h"
#include "MainWindowLayout.h"
#include "ObjectNames.h"
#include "OpenFault.h"
#include "Placement.h"
#include "PortDialog.h"
#include "PortFault.h"
#include "Readout.h"
#include "Reception.h"
#include "RollAway.h"
#include "RotatorService.h"
#include "RotctlFollower.h"
#include "SerialLine.h"
#include "ServiceNotices.h"
#include "StatusLine.h"
#include "TargetMark.h"
#include "Twips.h"
#include "Utf8.h"
#include "WindowElements.h"

#include <QCloseEvent>
#include <QLayout>
#include <QMenuBar>
#include <QMessageBox>
#include <QScreen>

#include <string_view>

namespace torven {

namespace {

namespace layout = main_window_layout;
namespace names = object_names::main_window;

static_assert(std::string_view(names::kReadingPause) == Reception::kPauseTimerName);

constexpr int kRollAwayDuration = 200; // milliseconds

} // namespace

MainWindow::MainWindow(PortSettingsFile settingsFile, MainWindowOptions options, QWidget* parent)
    : QMainWindow(parent), m_settingsFile(std::move(settingsFile)), m_options(std::move(options)) {
    setObjectName(nameOf(names::kWindow));
    setWindowTitle(m_options.name.isEmpty() ? QStringLiteral("TORVEN")
                                            : QStringLiteral("TORVEN — ") + m_options.name);
    setAttribute(Qt::WA_DeleteOnClose);

    // The window's background is the button face, like the labels on it.
    QPalette face = palette();
    face.setColor(QPalette::Window, face.color(QPalette::Button));
    setPalette(face);

    createElements();
    createMenus();
    if (m_options.offset != 0)
        addStatusRemark(toQString(offsetRemark(m_options.offset)));
    if (m_options.follow)
        addStatusRemark(toQString(followRemark(*m_options.follow)));
    else
        loadPortNumber(); // the port and its files matter only to a window that reads one
}

MainWindow::~MainWindow() {
    // The other windows live as long as the main window; closing it closes them without running
    // their OK or Cancel.
    delete m_portDialog.data();
    delete m_aboutWindow.data();
}

void MainWindow::createElements() {
    m_reader = new LineReader(m_options.offset, this);
    m_reception = &m_reader->reception();
    m_panel = new BearingPanel(m_reception->console(), this);
    setCentralWidget(m_panel);
    // The layout is fixed: the window takes the size of its menu bar and client area, no more.
    layout()->setSizeConstraint(QLayout::SetFixedSize);
    m_pacer = new FramePacer(this, [this] { m_panel->showStoredReading(); });

    m_serialLine = &m_reader->serialLine();
    m_serialLine->setObjectName(nameOf(names::kSerialLine));
    m_serialLine->setLinkFolders(m_settingsFile.folders());
    connect(m_reader, &LineReader::deviceLost, this, &MainWindow::onDeviceLost);
    connect(m_reception, &Reception::readingTaken, this, &MainWindow::showReading);
    connect(m_reception, &Reception::consoleChanged, &m_panel->consoleBox(),
            &ConsoleBox::catchUpSoon);
    connect(m_reception, &Reception::lineErrorCounted, this, &MainWindow::showStatusReason);

    if (m_options.follow) {
        m_follower = new RotctlFollower(*m_options.follow, this);
        connect(m_follower, &RotctlFollower::azimuthReceived, this, &MainWindow::onAzimuthReceived);
        connect(m_follower, &RotctlFollower::azimuthMissing, this, &MainWindow::onAzimuthMissing);
        connect(m_follower, &RotctlFollower::failed, this, &MainWindow::onFollowFailed);
    }

    // Tab order: the readout, then the labels that can hold focus, then the hidden console.
    setTabOrder(&m_panel->readout(), &m_panel->consoleBox());
    m_panel->readout().setFocus();
}

void MainWindow::createMenus() {
    auto* bar = new FittingMenuBar(twipsToPixels(layout::kClientWidth));
    setMenuBar(bar);
    bar->setObjectName(nameOf(names::kMenuBar));
    bar->setNativeMenuBar(false);
    // A small font and tight spacing, as on the classic small system font, so that all four items
    // fit across the fixed width instead of hiding behind an overflow arrow (and the bar shrinks
    // a font that still does not fit).
    bar->setFont(defaultFont());
    bar->setStyleSheet(QStringLiteral("QMenuBar { padding: 0px; spacing: 0px; }"
                                      "QMenuBar::item { padding: 2px 5px; }"));

    m_connectAction = bar->addAction(QStringLiteral("Связь"));
    m_connectAction->setObjectName(nameOf(names::kConnectAction));
    connect(m_connectAction, &QAction::triggered, this, &MainWindow::toggleConnection);

    m_settingsMenu = bar->addMenu(QStringLiteral("Настр."));
    m_settingsMenu->setObjectName(nameOf(names::kSettingsMenu));
    m_settingsMenu->menuAction()->setObjectName(nameOf(names::kSettingsMenuAction));
    m_settingsMenu->setFont(defaultFont());
    m_portSettingsAction = m_settingsMenu->addAction(QStringLiteral("Коммуникация"));
    m_portSettingsAction->setObjectName(nameOf(names::kPortSettingsAction));
    connect(m_portSettingsAction, &QAction::triggered, this, &MainWindow::showPortDialog);

    m_aboutAction = bar->addAction(QStringLiteral("Инфо"));
    m_aboutAction->setObjectName(nameOf(names::kAboutAction));
    connect(m_aboutAction, &QAction::triggered, this, &MainWindow::showAboutWindow);

    m_exitAction = bar->addAction(QStringLiteral("Выход"));
    m_exitAction->setObjectName(nameOf(names::kExitAction));
    connect(m_exitAction, &QAction::triggered, this, &MainWindow::exitProgram);
    bar->fitItems();
}

void MainWindow::loadPortNumber() {
    if (m_options.portForThisRun)
        m_serialLine->setPortNumber(*m_options.portForThisRun);
    else if (const auto port = m_settingsFile.load())
        m_serialLine->setPortNumber(*port);
    m_panel->statusLine().setDistrustNotice(m_settingsFile.distrustNotice());
}

void MainWindow::addStatusRemark(const QString& remark) {
    m_panel->statusLine().addRemark(remark);
}

void MainWindow::reportServiceOff(const QString& reason) {
    addStatusRemark(reason);
    // Someone who started torven from the desktop menu sees no terminal. The box must not hold
    // up the indicator, which works on without the service; its own title keeps it from being
    // taken for the main window.
    auto* box =
        new QMessageBox(QMessageBox::Warning, toQString(kServiceOffTitle),
                        toQString(serviceOffMessage(reason.toStdString())), QMessageBox::Ok, this);
    box->setObjectName(nameOf(names::kServiceWarning));
    box->setTextFormat(Qt::PlainText); // the system's words, never markup
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::NonModal);
    // Beside the window rather than over it, so that the bearing and the menu stay in sight.
    showBeside(*box, *this);
}

void MainWindow::centreOnScreen() {
    adjustSize();
    const QScreen* s = screen();
    if (!s)
        return;
    move(placeOnScreen(s->availableGeometry(), frameGeometry().size()));
}

void MainWindow::placeAt(const QPoint& topLeft) {
    adjustSize();
    move(placeWithinReach(topLeft, frameGeometry().size(), screenAreas()));
}

PortDialog& MainWindow::portDialog() {
    if (!m_portDialog) {
        m_portDialog = new PortDialog(*m_serialLine, m_settingsFile,
                                      m_options.portForThisRun ? PortDialog::Storage::ThisRunOnly
                                                               : PortDialog::Storage::CommSet,
                                      m_options.name);
        // Forget a closed dialog at once, so that even a use before its deletion loads afresh.
        connect(m_portDialog, &PortDialog::closed, this, [this] { m_portDialog.clear(); });
    }
    return *m_portDialog;
}

AboutWindow& MainWindow::aboutWindow() {
    if (!m_aboutWindow) {
        m_aboutWindow = new AboutWindow();
        connect(m_aboutWindow, &AboutWindow::closed, this, [this] { m_aboutWindow.clear(); });
    }
    return *m_aboutWindow;
}

void MainWindow::showPortDialog() {
    if (m_follower) {
        showFollowNotice(); // the port dialog is about serial ports, and none is read
        return;
    }
    PortDialog& dialog = portDialog();
    // A dialog not yet on show opens over this window (of which it is no child, so it is moved
    // there): with several copies running, each one's dialog is seen to belong to it.
    if (!dialog.isVisible()) {
        const QSize size = dialog.frameGeometry().size();
        const QPoint centred =
            frameGeometry().center() - QPoint(size.width() / 2, size.height() / 2);
        dialog.move(placeWithinReach(centred, size, screenAreas()));
    }
    dialog.show();
    dialog.raise();
    dialog.activateWindow();
}

void MainWindow::showAboutWindow() {
    AboutWindow& about = aboutWindow();
    about.show();
    about.raise();
    about.activateWindow();
}

void MainWindow::exitProgram() {
    close();
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (m_rolledAway) {
        event->accept();
        return;
    }
    // Roll the window away first; the close goes on when the animation has ended.
    event->ignore();
    if (m_closing)
        return;
    m_closing = true;
    rollAway(this, kRollAwayDuration, [this] {
        m_rolledAway = true;
        close();
    });
}

bool MainWindow::event(QEvent* event) {
    // Events come before the pacer exists: setting the title in the constructor sends some.
    if (m_pacer && m_pacer->holdsBack(event))
        return true;
    return QMainWindow::event(event);
}

void MainWindow::shareBearingWith(RotatorService* service) {
    // The line feeds the service itself; a followed rotctld's bearing is served from here.
    m_service = service;
    m_reader->serveTo(service);
}

void MainWindow::showTargetsFrom(RotatorService* service) {
    TargetMark* mark = &m_panel->targetMark();
    connect(service, &RotatorService::targetSet, mark, &TargetMark::setTarget);
    connect(service, &RotatorService::targetCleared, mark, &TargetMark::clearTarget);
}

void MainWindow::showReading(const DecodedReading& reading) {
    // Laying out the readout's text costs far more than taking a reading: like the lamps, the
    // readout shows the newest reading at once after a quiet spell, and at the coming frame when
    // readings come faster than frames.
    m_panel->storeReading(reading);
    if (m_pacer->frameWaits())
        return; // the coming frame shows the newest reading
    // No paint waits: the readout takes the reading now, so a reading after a quiet spell is
    // never held back; its painting still waits for the frame like everything else.
    m_panel->showStoredReadout();
    if (!m_pacer->waitForFrame())
        m_panel->showStoredReading();
}

void MainWindow::toggleConnection() {
    if (m_follower) {
        toggleFollowing();
        return;
    }
    PortResult result;
    // Reading the dialog's settings loads it, hidden, when it is not loaded yet.
    if (!m_portOpen)
        result = m_reader->open(portDialog().lineSettingsText());
    else
        m_reader->close();
    const bool succeeded = result.succeeded();
    applyConnectionUpdate(afterConnectCommand(m_portOpen, succeeded));
    m_panel->statusLine().setDistrustNotice(m_settingsFile.distrustNotice());
    // The status line's tooltip says why a command failed, and otherwise keeps the latest line
    // error; either way it goes on saying which files of other users are not used.
    showStatusReason(succeeded ? m_reception->lastErrorText() : explainPortFault(result.fault()));
}

void MainWindow::onDeviceLost(const QString& reason) {
    applyConnectionUpdate(afterDeviceLost(m_portOpen));
    PortFault fault{PortFault::Kind::Vanished, m_serialLine->portNumber()};
    fault.device = m_serialLine->device().toStdString();
    fault.systemWords = reason.toStdString();
    showStatusReason(explainPortFault(fault));
}

void MainWindow::toggleFollowing() {
    // Unlike a port that fails to open, a follow that fails stays on and keeps trying: its state
    // is shown first, so that whatever the follower says on its start comes after it.
    const bool wasFollowing = m_following;
    if (m_service)
        m_service->setUnavailable();
    showFollowState(afterFollowCommand(wasFollowing), QString());
    if (wasFollowing)
        m_follower->stop();
    else
        m_follower->start();
}

void MainWindow::onAzimuthReceived(double azimuth) {
    showFollowState(afterFollowAnswer(true), QString());
    const DecodedReading reading = decodeAzimuth(azimuth, m_options.offset);
    if (m_service)
        m_service->setBearing(reading.liveBearing);
    showReading(reading);
}

void MainWindow::onAzimuthMissing(const QString& reason) {
    // The last bearing stays on show, as after a closed port; none is served as live.
    if (m_service)
        m_service->setUnavailable();
    showFollowState(afterFollowAnswer(false), reason);
    m_panel->flashReceiveLamp();
}

void MainWindow::onFollowFailed(const QString& reason) {
    if (m_service)
        m_service->setUnavailable();
    showFollowState(afterFollowFault(), reason);
}

void MainWindow::showFollowState(const ConnectionUpdate& update, const QString& reason) {
    m_following = update.portOpen;
    // Answers come four times a second: the widgets are touched only when something changes.
    if (update != m_followShown) {
        m_followShown = update;
        m_panel->showConnection(update);
    }
    if (reason != m_followReason) {
        m_followReason = reason;
        showStatusReason(reason);
    }
}

void MainWindow::showFollowNotice() {
    if (!m_followNotice) {
        m_followNotice = new QMessageBox(QMessageBox::Information, QStringLiteral("Коммуникация"),
                                         toQString(followInsteadOfPortText(*m_options.follow)),
                                         QMessageBox::Ok, this);
        m_followNotice->setObjectName(nameOf(names::kFollowNotice));
        m_followNotice->setAttribute(Qt::WA_DeleteOnClose);
        m_followNotice->setWindowModality(Qt::NonModal);
        m_followNotice->setTextFormat(Qt::PlainText);
    }
    showBeside(*m_followNotice, *this);
    m_followNotice->raise();
    m_followNotice->activateWindow();
}

void MainWindow::showStatusReason(const QString& reason) {
    m_panel->statusLine().setReason(reason);
}

void MainWindow::applyConnectionUpdate(const ConnectionUpdate& update) {
    m_portOpen = update.portOpen;
    m_panel->showConnection(update);
}

} // namespace torven
