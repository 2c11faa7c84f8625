#include "MainWindow.h"

#include "AboutWindow.h"
#include "FittingMenuBar.h"
#include "Fonts.h"
#include "Lamp.h"
#include "MainWindowLayout.h"
#include "ObjectNames.h"
#include "Placement.h"
#include "PortDialog.h"
#include "RollAway.h"
#include "RotatorService.h"
#include "SectorLamps.h"
#include "SerialLine.h"
#include "ServiceNotices.h"
#include "TargetMark.h"
#include "Twips.h"
#include "WindowElements.h"

#include <QAccessible>
#include <QCloseEvent>
#include <QFontMetrics>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMenuBar>
#include <QMessageBox>
#include <QScreen>
#include <QTimer>

#include <algorithm>

namespace torven {

namespace {

namespace layout = main_window_layout;
namespace names = object_names::main_window;

constexpr int kReceiveLampInterval = 200; // milliseconds
constexpr int kRollAwayDuration = 200;    // milliseconds
// Setting a line edit's text lays all of it out: some 10 ms for a full console on a slow
// machine. Nobody sees the hidden console, so its box catches up at most this often, a
// second after the change that began a run of changes.
constexpr int kConsoleBoxInterval = 1000; // milliseconds
// The smallest the readout's digits get to fit its box; smaller ones could not be read at the
// readout's distance.
constexpr int kReadoutSmallestPixels = 12;
// A line edit ends its text this many pixels, and one more for the cursor, short of its right
// side; the text scrolled to its end shows from the left side on.
constexpr int kLineEditRightMargin = 2;

QColor rgb(std::uint32_t colour) {
    return QColor::fromRgb(static_cast<QRgb>(colour));
}

QLabel* makeCompassMark(QWidget* parent, const char* name, const layout::Box& box,
                        const QString& text) {
    auto* label = makeOpaqueLabel(parent, name, toPixels(box), text);
    label->setFont(layoutFont(layout::kCompassPoints));
    return label;
}

} // namespace

MainWindow::MainWindow(PortSettingsFile settingsFile, MainWindowOptions options, QWidget* parent)
    : QMainWindow(parent), m_settingsFile(std::move(settingsFile)), m_options(std::move(options)) {
    setObjectName(nameOf(names::kWindow));
    setWindowTitle(m_options.name.isEmpty() ? QStringLiteral("TORVEN")
                                            : QStringLiteral("TORVEN — ") + m_options.name);
    if (m_options.offset != 0)
        m_statusRemarks.append(QStringLiteral("Поправка азимута: %1%2°.")
                                   .arg(m_options.offset > 0 ? QStringLiteral("+") : QString())
                                   .arg(m_options.offset));
    setAttribute(Qt::WA_DeleteOnClose);

    // The window's background is the button face, like the labels on it.
    QPalette face = palette();
    face.setColor(QPalette::Window, face.color(QPalette::Button));
    setPalette(face);

    m_frameTimer = new QTimer(this);
    m_frameTimer->setSingleShot(true);
    connect(m_frameTimer, &QTimer::timeout, this, &MainWindow::paintFrame);

    m_readingPause = new QTimer(this);
    m_readingPause->setObjectName(nameOf(names::kReadingPause));
    m_readingPause->setSingleShot(true);
    m_readingPause->setTimerType(Qt::PreciseTimer);
    connect(m_readingPause, &QTimer::timeout, this, &MainWindow::showWaitingTextWhenDue);

    createElements();
    m_targetMark = new TargetMark(m_lamps, m_statusLine, this);
    connect(m_targetMark, &TargetMark::changed, this, [this] { showStatusReason(m_statusReason); });
    createMenus();
    loadPortNumber();
}

MainWindow::~MainWindow() {
    // The other windows live as long as the main window; closing it closes them without running
    // their OK or Cancel.
    delete m_portDialog.data();
    delete m_aboutWindow.data();
}

void MainWindow::createElements() {
    auto* client = new QWidget(this);
    client->setObjectName(nameOf(names::kClient));
    client->setFixedSize(twipsToPixels(layout::kClientWidth), twipsToPixels(layout::kClientHeight));
    setCentralWidget(client);
    // The layout is fixed: the window takes the size of its menu bar and client area, no more.
    layout()->setSizeConstraint(QLayout::SetFixedSize);

    const QPalette pal = client->palette();
    const QColor buttonFace = pal.color(QPalette::Button);
    const QColor windowText = pal.color(QPalette::WindowText);

    m_consoleBox =
        new QLineEdit(QString::fromLatin1(Console::kInitialText.data(),
                                          static_cast<qsizetype>(Console::kInitialText.size())),
                      client);
    m_consoleBox->setObjectName(nameOf(names::kConsole));
    m_consoleBox->setGeometry(toPixels(layout::kConsole));
    m_consoleBox->setMaxLength(static_cast<int>(Console::kCapacity));
    m_consoleBox->hide();
    m_consoleBoxWrite = new QTimer(this);
    m_consoleBoxWrite->setSingleShot(true);
    m_consoleBoxWrite->setInterval(kConsoleBoxInterval);
    connect(m_consoleBoxWrite, &QTimer::timeout, this, &MainWindow::writeConsoleBox);

    m_receiveLampTimer = new QTimer(this);
    m_receiveLampTimer->setObjectName(nameOf(names::kReceiveLampTimer));
    m_receiveLampTimer->setInterval(kReceiveLampInterval);
    connect(m_receiveLampTimer, &QTimer::timeout, this, &MainWindow::darkenReceiveLamp);
    m_receiveLampTimer->start();

    m_serialLine = new SerialLine(this);
    m_serialLine->setObjectName(nameOf(names::kSerialLine));
    m_serialLine->setLinkFolders(m_settingsFile.folders());
    connect(m_serialLine, &SerialLine::blockReceived, this, &MainWindow::onBlockReceived);
    connect(m_serialLine, &SerialLine::lineError, this, &MainWindow::onLineError);
    connect(m_serialLine, &SerialLine::deviceLost, this, &MainWindow::onDeviceLost);

    m_readout = new QLineEdit(QStringLiteral("000"), client);
    m_readout->setObjectName(nameOf(names::kReadout));
    m_readout->setAccessibleName(QStringLiteral("Азимут"));
    m_readout->setGeometry(toPixels(layout::kReadout));
    m_readout->setAlignment(Qt::AlignCenter);
    m_readout->setFrame(false);
    m_readout->setTextMargins(0, 0, 0, 0);
    m_readoutFont = layoutFont(layout::kReadoutPoints, true);
    m_readout->setFont(m_readoutFont);
    QPalette readout = m_readout->palette();
    readout.setColor(QPalette::Base, buttonFace);
    readout.setColor(QPalette::Text, QColor(0x00, 0x00, 0xFF));
    m_readout->setPalette(readout);
    m_readout->installEventFilter(this);
    connect(m_readout, &QLineEdit::textChanged, this, &MainWindow::updateCaret);
    connect(m_readout, &QLineEdit::textChanged, this, &MainWindow::fitReadout);
    m_readoutOverflow = new QLabel(QStringLiteral("…"), m_readout);
    m_readoutOverflow->setObjectName(nameOf(names::kReadoutOverflow));
    m_readoutOverflow->setFont(layoutFont(layout::kReadoutPoints / 2, true));
    m_readoutOverflow->setAutoFillBackground(true);
    QPalette mark = m_readoutOverflow->palette();
    mark.setColor(QPalette::Window, buttonFace);
    mark.setColor(QPalette::WindowText, QColor(0xFF, 0x00, 0x00));
    m_readoutOverflow->setPalette(mark);
    m_readoutOverflow->setAlignment(Qt::AlignCenter);
    m_readoutOverflow->adjustSize();
    m_readoutOverflow->setGeometry(0, 0, m_readoutOverflow->width(), m_readout->height());
    m_readoutOverflow->hide();

    for (std::size_t i = 0; i < m_lamps.size(); ++i) {
        auto* lamp = new Lamp(Lamp::Kind::Circle, rgb(kLampDarkColour), windowText, client);
        lamp->setObjectName(QString::fromStdString(names::sectorLamp(static_cast<int>(i) + 1)));
        lamp->setGeometry(toPixels(layout::kLamps[i]));
        m_lamps[i] = lamp;
    }

    m_connectionLamp = makeOpaqueLabel(client, names::kConnectionLamp,
                                       toPixels(layout::kConnectionLamp), QString());
    m_connectionLamp->setAccessibleName(QStringLiteral("Связь"));

    m_receiveLampOff = new Lamp(Lamp::Kind::Rectangle, buttonFace, buttonFace, client);
    m_receiveLampOff->setObjectName(nameOf(names::kReceiveLampOff));
    m_receiveLampOff->setGeometry(toPixels(layout::kReceiveLamp));
    m_receiveLampOn =
        new Lamp(Lamp::Kind::Rectangle, QColor(0x80, 0xFF, 0x80), QColor(0x80, 0xFF, 0x80), client);
    m_receiveLampOn->setObjectName(nameOf(names::kReceiveLampOn));
    m_receiveLampOn->setGeometry(toPixels(layout::kReceiveLamp));

    m_statusLine =
        makeOpaqueLabel(client, names::kStatusLine, toPixels(layout::kStatusLine), QString());
    m_statusLine->setAlignment(Qt::AlignHCenter | Qt::AlignTop);

    m_northMark = makeCompassMark(client, names::kNorthMark, layout::kNorthMark,
                                  QStringLiteral("C")); // Latin C
    m_southMark =
        makeCompassMark(client, names::kSouthMark, layout::kSouthMark, QStringLiteral("Ю"));
    m_westMark = makeCompassMark(client, names::kWestMark, layout::kWestMark, QStringLiteral("З"));
    m_eastMark = makeCompassMark(client, names::kEastMark, layout::kEastMark, QStringLiteral("В"));
    QPalette black = m_eastMark->palette();
    black.setColor(QPalette::WindowText, Qt::black);
    m_eastMark->setPalette(black);

    // Stacking: among lamps and labels an earlier element lies over a later one; the text boxes
    // lie over all of them.
    QWidget* const stack[] = {m_eastMark,   m_westMark,      m_southMark,      m_northMark,
                              m_statusLine, m_receiveLampOn, m_receiveLampOff, m_connectionLamp};
    for (QWidget* w : stack)
        w->raise();
    for (auto it = m_lamps.rbegin(); it != m_lamps.rend(); ++it)
        (*it)->raise();
    m_readout->raise();
    m_consoleBox->raise();

    // Tab order: the readout, then the labels that can hold focus, then the hidden console.
    setTabOrder(m_readout, m_consoleBox);
    m_readout->setFocus();
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
    m_distrustNotice = m_settingsFile.distrustNotice();
    showStatusReason(QString());
}

QString MainWindow::withDistrustNotice(const QString& reason) const {
    QStringList lines;
    if (!reason.isEmpty())
        lines.append(reason);
    if (const QString target = m_targetMark->toolTipLine(); !target.isEmpty())
        lines.append(target);
    lines.append(m_statusRemarks);
    if (!m_distrustNotice.isEmpty())
        lines.append(m_distrustNotice);
    return lines.join(QLatin1Char('\n'));
}

void MainWindow::addStatusRemark(const QString& remark) {
    m_statusRemarks.prepend(remark);
    showStatusReason(m_statusReason);
}

void MainWindow::showTargetsFrom(RotatorService* service) {
    connect(service, &RotatorService::targetSet, m_targetMark, &TargetMark::setTarget);
    connect(service, &RotatorService::targetCleared, m_targetMark, &TargetMark::clearTarget);
}

void MainWindow::reportServiceOff(const QString& reason) {
    addStatusRemark(reason);
    // Someone who started torven from the desktop menu sees no terminal. The box must not hold
    // up the indicator, which works on without the service; its own title keeps it from being
    // taken for the main window.
    auto* box = new QMessageBox(QMessageBox::Warning, QStringLiteral("Служба rotctld"),
                                QString::fromStdString(serviceOffMessage(reason.toStdString())),
                                QMessageBox::Ok, this);
    box->setObjectName(nameOf(names::kServiceWarning));
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::NonModal);
    // Beside the window rather than over it, so that the bearing and the menu stay in sight. A
    // message box takes its size only as it shows: placed before, so that it does not show
    // centred over the window first, and again with its size.
    const QScreen* s = screen();
    if (s)
        box->move(placeBeside(s->availableGeometry(), frameGeometry(), QSize()));
    box->show();
    if (s)
        box->move(
            placeBeside(s->availableGeometry(), frameGeometry(), box->frameGeometry().size()));
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
        connect(m_portDialog, &PortDialog::unloaded, this, [this] { m_portDialog.clear(); });
    }
    return *m_portDialog;
}

AboutWindow& MainWindow::aboutWindow() {
    if (!m_aboutWindow) {
        m_aboutWindow = new AboutWindow();
        connect(m_aboutWindow, &AboutWindow::unloaded, this, [this] { m_aboutWindow.clear(); });
    }
    return *m_aboutWindow;
}

void MainWindow::showPortDialog() {
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

// Readings can arrive far more often than a screen shows frames, and painting costs far more than
// taking a reading. Every change is stored at once; what is paced is the painting. A paint request
// within one frame of the latest paint waits for that frame, and everything that changed meanwhile
// is painted together then, as it stands then. A change after a quiet spell is painted at once.
bool MainWindow::event(QEvent* event) {
    if (event->type() == QEvent::UpdateRequest) {
        if (m_frameTimer->isActive())
            return true; // the coming frame paints this as well
        if (const int wait = timeToNextFrame(); wait > 0) {
            m_frameTimer->start(wait);
            return true;
        }
        m_sinceFrame.start();
    }
    return QMainWindow::event(event);
}

int MainWindow::timeToNextFrame() const {
    if (!m_sinceFrame.isValid())
        return 0;
    constexpr qreal kDefaultRate = 60; // frames per second, when the screen does not say
    const QScreen* s = screen();
    const qreal rate = s && s->refreshRate() >= 1 ? s->refreshRate() : kDefaultRate;
    // The interval rounded down: never slower than the screen.
    const qint64 left = static_cast<qint64>(1000 / rate) - m_sinceFrame.elapsed();
    return left > 0 ? static_cast<int>(left) : 0;
}

void MainWindow::showReadingWhenDue() {
    if (m_frameTimer->isActive())
        return; // the coming frame shows the newest reading
    // No paint waits: the readout takes the reading now, so a reading after a quiet spell is
    // never held back; its painting still waits for the frame like everything else.
    showReadout();
    if (const int wait = timeToNextFrame(); wait > 0) {
        m_frameTimer->start(wait);
        return;
    }
    showReading();
}

void MainWindow::showReadout() {
    if (m_readoutWaits) {
        m_readoutWaits = false;
        setReadout(m_readoutText);
    }
}

void MainWindow::showReading() {
    showReadout();
    for (Lamp* lamp : m_lamps)
        lamp->showBackColor();
}

void MainWindow::paintFrame() {
    // Only lamps that differ from what they show now repaint: one that went on and off again
    // since the last frame costs nothing. The readout is laid out once for all the readings
    // since the last frame.
    showReading();
    m_sinceFrame.start();
    QEvent request(QEvent::UpdateRequest);
    QMainWindow::event(&request);
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_readout && event->type() == QEvent::FocusIn)
        updateCaret();
    return QMainWindow::eventFilter(watched, event);
}

void MainWindow::fitReadout() {
    // The leading blank may scroll out of the box; the digits and the sign may not.
    const QString text = m_readout->text();
    qsizetype first = 0;
    while (first < text.size() && text[first] == QLatin1Char(' '))
        ++first;
    const QString shown = text.sliced(first);
    // The box scrolls to keep the cursor, after the last digit, in view: what must fit is from
    // the first digit's ink to the end of the text.
    const int room = m_readout->contentsRect().width() - kLineEditRightMargin - 1;
    const auto needed = [&shown](const QFont& f) {
        const QFontMetrics metrics(f);
        const int bearing = shown.isEmpty() ? 0 : std::max(0, metrics.leftBearing(shown[0]));
        return metrics.horizontalAdvance(shown) - bearing;
    };
    QFont font = m_readoutFont;
    int wide = needed(font);
    while (wide > room && font.pixelSize() > kReadoutSmallestPixels) {
        font.setPixelSize(font.pixelSize() - 1);
        wide = needed(font);
    }
    if (m_readout->font() != font)
        m_readout->setFont(font);
    // Too wide even small: the box shows the last digits, and the mark says the first are cut.
    m_readoutOverflow->setVisible(wide > room);
}

void MainWindow::updateCaret() {
    // The readout never shows its caret: read-only, its figures cannot be altered by a stray key
    // press, and no cursor blinks in it.
    m_readout->setReadOnly(true);
}

} // namespace torven
