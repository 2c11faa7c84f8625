#include "Form1.h"

#include "Form1Layout.h"
#include "Shape.h"
#include "Twips.h"
#include "frmAbout.h"
#include "link/frmCommunicate.h"
#include "platform/AnimateWindow.h"
#include "platform/Caret.h"
#include "platform/Fonts.h"
#include "platform/MSComm.h"
#include "reception/SectorLamps.h"

#include <QAccessible>
#include <QCheckBox>
#include <QCloseEvent>
#include <QFontMetrics>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMenuBar>
#include <QScreen>
#include <QTimer>

#include <algorithm>

namespace torven {

namespace {

namespace layout = form1_layout;

constexpr int kReceiveLampInterval = 200; // milliseconds
constexpr int kRollAwayDuration = 200;    // milliseconds
// The smallest the readout's digits get to fit its box; smaller ones could not be read at the
// readout's distance.
constexpr int kReadoutSmallestPixels = 12;
// A line edit ends its text this many pixels, and one more for the cursor, short of its right
// side; the text scrolled to its end shows from the left side on.
constexpr int kLineEditRightMargin = 2;

QRect pixels(const layout::Box& box) {
    return QRect(TwipsToPixels(box.left), TwipsToPixels(box.top), TwipsToPixels(box.width),
                 TwipsToPixels(box.height));
}

QColor rgb(std::uint32_t colour) {
    return QColor::fromRgb(static_cast<QRgb>(colour));
}

QLabel* makeLabel(QWidget* parent, const char* name, const layout::Box& box, const QString& text) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setGeometry(pixels(box));
    label->setAutoFillBackground(true); // opaque, in the window's button-face colour
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    return label;
}

QLabel* makeCompassMark(QWidget* parent, const char* name, const layout::Box& box,
                        const QString& text) {
    auto* label = makeLabel(parent, name, box, text);
    label->setFont(LayoutFont(layout::kCompassPoints));
    return label;
}

} // namespace

Form1::Form1(PortSettingsFile settingsFile, QWidget* parent)
    : QMainWindow(parent), m_settingsFile(std::move(settingsFile)) {
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("TORVEN"));
    setAttribute(Qt::WA_DeleteOnClose);

    // The window's background is the button face, like the labels on it.
    QPalette face = palette();
    face.setColor(QPalette::Window, face.color(QPalette::Button));
    setPalette(face);

    m_frameTimer = new QTimer(this);
    m_frameTimer->setSingleShot(true);
    connect(m_frameTimer, &QTimer::timeout, this, &Form1::PaintFrame);

    m_readingPause = new QTimer(this);
    m_readingPause->setObjectName(QStringLiteral("readingPause"));
    m_readingPause->setSingleShot(true);
    m_readingPause->setTimerType(Qt::PreciseTimer);
    connect(m_readingPause, &QTimer::timeout, this, &Form1::ShowWaitingTextWhenDue);

    CreateElements();
    CreateMenus();
    Form_Load();
}

Form1::~Form1() {
    // The other windows live as long as the main window; closing it closes them without running
    // their OK or Cancel.
    delete m_frmCommunicate.data();
    delete m_frmAbout.data();
}

void Form1::CreateElements() {
    auto* client = new QWidget(this);
    client->setObjectName(QStringLiteral("client"));
    client->setFixedSize(TwipsToPixels(layout::kClientWidth), TwipsToPixels(layout::kClientHeight));
    setCentralWidget(client);
    // The layout is fixed: the window takes the size of its menu bar and client area, no more.
    layout()->setSizeConstraint(QLayout::SetFixedSize);

    const QPalette pal = client->palette();
    const QColor buttonFace = pal.color(QPalette::Button);
    const QColor windowText = pal.color(QPalette::WindowText);

    Check1 = new QCheckBox(QStringLiteral("Check1"), client);
    Check1->setObjectName(QStringLiteral("Check1"));
    Check1->setGeometry(pixels(layout::kCheck1));
    Check1->hide();

    Text2 = new QLineEdit(QStringLiteral("Text2"), client);
    Text2->setObjectName(QStringLiteral("Text2"));
    Text2->setGeometry(pixels(layout::kText2));
    Text2->hide();

    tmrRXLED = new QTimer(this);
    tmrRXLED->setObjectName(QStringLiteral("tmrRXLED"));
    tmrRXLED->setInterval(kReceiveLampInterval);
    connect(tmrRXLED, &QTimer::timeout, this, &Form1::tmrRXLED_Timer);
    tmrRXLED->start();

    MSComm1 = new MSComm(this);
    MSComm1->setObjectName(QStringLiteral("MSComm1"));
    MSComm1->setLinkFolders(m_settingsFile.Folders());
    connect(MSComm1, &MSComm::OnComm, this, &Form1::MSComm1_OnComm);
    connect(MSComm1, &MSComm::DeviceLost, this, &Form1::MSComm1_DeviceLost);

    Text3 = new QLineEdit(QStringLiteral("000"), client);
    Text3->setObjectName(QStringLiteral("Text3"));
    Text3->setAccessibleName(QStringLiteral("Азимут"));
    Text3->setGeometry(pixels(layout::kText3));
    Text3->setAlignment(Qt::AlignCenter);
    Text3->setFrame(false);
    Text3->setTextMargins(0, 0, 0, 0);
    m_readoutFont = LayoutFont(layout::kReadoutPoints, true);
    Text3->setFont(m_readoutFont);
    QPalette readout = Text3->palette();
    readout.setColor(QPalette::Base, buttonFace);
    readout.setColor(QPalette::Text, QColor(0x00, 0x00, 0xFF));
    Text3->setPalette(readout);
    Text3->installEventFilter(this);
    connect(Text3, &QLineEdit::textChanged, this, &Form1::UpdateCaret);
    connect(Text3, &QLineEdit::textChanged, this, &Form1::FitReadout);
    m_readoutOverflow = new QLabel(QStringLiteral("…"), Text3);
    m_readoutOverflow->setObjectName(QStringLiteral("readoutOverflow"));
    m_readoutOverflow->setFont(LayoutFont(layout::kReadoutPoints / 2, true));
    m_readoutOverflow->setAutoFillBackground(true);
    QPalette mark = m_readoutOverflow->palette();
    mark.setColor(QPalette::Window, buttonFace);
    mark.setColor(QPalette::WindowText, QColor(0xFF, 0x00, 0x00));
    m_readoutOverflow->setPalette(mark);
    m_readoutOverflow->setAlignment(Qt::AlignCenter);
    m_readoutOverflow->adjustSize();
    m_readoutOverflow->setGeometry(0, 0, m_readoutOverflow->width(), Text3->height());
    m_readoutOverflow->hide();

    for (std::size_t i = 0; i < m_lamps.size(); ++i) {
        auto* lamp = new Shape(Shape::Kind::Circle, rgb(kLampDarkColour), windowText, client);
        lamp->setObjectName(QStringLiteral("Shape%1").arg(i + 1));
        lamp->setGeometry(pixels(layout::kLamps[i]));
        m_lamps[i] = lamp;
    }

    Label4 = makeLabel(client, "Label4", layout::kLabel4, QString());
    Label4->setAccessibleName(QStringLiteral("Связь"));

    shpRXOFF = new Shape(Shape::Kind::Rectangle, buttonFace, buttonFace, client);
    shpRXOFF->setObjectName(QStringLiteral("shpRXOFF"));
    shpRXOFF->setGeometry(pixels(layout::kReceiveLamp));
    shpRXON = new Shape(Shape::Kind::Rectangle, QColor(0x80, 0xFF, 0x80), QColor(0x80, 0xFF, 0x80),
                        client);
    shpRXON->setObjectName(QStringLiteral("shpRXON"));
    shpRXON->setGeometry(pixels(layout::kReceiveLamp));

    Label7 = makeLabel(client, "Label7", layout::kLabel7, QString());
    Label7->setAlignment(Qt::AlignHCenter | Qt::AlignTop);

    Label1 = makeCompassMark(client, "Label1", layout::kLabel1, QStringLiteral("C")); // Latin C
    Label5 = makeCompassMark(client, "Label5", layout::kLabel5, QStringLiteral("Ю"));
    Label6 = makeCompassMark(client, "Label6", layout::kLabel6, QStringLiteral("З"));
    Label8 = makeCompassMark(client, "Label8", layout::kLabel8, QStringLiteral("В"));
    QPalette black = Label8->palette();
    black.setColor(QPalette::WindowText, Qt::black);
    Label8->setPalette(black);

    // Stacking: among shapes and labels an earlier element lies over a later one; the text boxes
    // and the check box lie over all of them.
    QWidget* const stack[] = {Label8, Label6, Label5, Label1, Label7, shpRXON, shpRXOFF, Label4};
    for (QWidget* w : stack)
        w->raise();
    for (auto it = m_lamps.rbegin(); it != m_lamps.rend(); ++it)
        (*it)->raise();
    Text3->raise();
    Text2->raise();
    Check1->raise();

    // Tab order: the readout, then the labels that can hold focus, then the hidden boxes.
    setTabOrder(Text3, Text2);
    setTabOrder(Text2, Check1);
    Text3->setFocus();
}

void Form1::CreateMenus() {
    QMenuBar* bar = menuBar();
    bar->setObjectName(QStringLiteral("menuBar"));
    bar->setNativeMenuBar(false);
    // A small font and tight spacing, as on the classic small system font, so that all four items
    // fit across the fixed width instead of hiding behind an overflow arrow.
    bar->setFont(DefaultFont());
    bar->setStyleSheet(QStringLiteral("QMenuBar { padding: 0px; spacing: 0px; }"
                                      "QMenuBar::item { padding: 2px 5px; }"));

    mnuConnect = bar->addAction(QStringLiteral("Связь"));
    mnuConnect->setObjectName(QStringLiteral("mnuConnect"));
    connect(mnuConnect, &QAction::triggered, this, &Form1::mnuConnect_Click);

    mnuSetting = bar->addMenu(QStringLiteral("Настр."));
    mnuSetting->setObjectName(QStringLiteral("mnuSetting"));
    mnuSetting->menuAction()->setObjectName(QStringLiteral("mnuSettingAction"));
    mnuSetting->setFont(DefaultFont());
    mnuCommunicate = mnuSetting->addAction(QStringLiteral("Коммуникация"));
    mnuCommunicate->setObjectName(QStringLiteral("mnuCommunicate"));
    connect(mnuCommunicate, &QAction::triggered, this, &Form1::mnuCommunicate_Click);

    mnuAbout = bar->addAction(QStringLiteral("Инфо"));
    mnuAbout->setObjectName(QStringLiteral("mnuAbout"));
    connect(mnuAbout, &QAction::triggered, this, &Form1::mnuAbout_Click);

    mnuExit = bar->addAction(QStringLiteral("Выход"));
    mnuExit->setObjectName(QStringLiteral("mnuExit"));
    connect(mnuExit, &QAction::triggered, this, &Form1::mnuExit_Click);
}

void Form1::Form_Load() {
    MSComm1->setRThreshold(1);
    MSComm1->setSThreshold(1);
    LoadPortNumber();
    Check1->setChecked(false);
}

void Form1::LoadPortNumber() {
    if (const auto port = m_settingsFile.Load())
        MSComm1->setCommPort(*port);
    m_distrustNotice = m_settingsFile.DistrustNotice();
    ShowStatusReason(QString());
}

QString Form1::WithDistrustNotice(const QString& reason) const {
    const QString& notice = m_distrustNotice;
    if (notice.isEmpty())
        return reason;
    return reason.isEmpty() ? notice : reason + QStringLiteral("\n") + notice;
}

void Form1::CentreOnScreen() {
    adjustSize();
    const QScreen* s = screen();
    if (!s)
        return;
    move(PlaceOnScreen(s->availableGeometry(), frameGeometry().size()));
}

QPoint Form1::PlaceOnScreen(const QRect& area, const QSize& size) {
    const QPoint centred = area.center() - QPoint(size.width() / 2, size.height() / 2);
    return {std::max(centred.x(), area.left()), std::max(centred.y(), area.top())};
}

frmCommunicate& Form1::Communicate() {
    if (!m_frmCommunicate) {
        m_frmCommunicate = new frmCommunicate(*MSComm1, m_settingsFile);
        // Forget a closed dialog at once, so that even a use before its deletion loads afresh.
        connect(m_frmCommunicate, &frmCommunicate::Unloaded, this,
                [this] { m_frmCommunicate.clear(); });
    }
    return *m_frmCommunicate;
}

frmAbout& Form1::About() {
    if (!m_frmAbout) {
        m_frmAbout = new frmAbout();
        connect(m_frmAbout, &frmAbout::Unloaded, this, [this] { m_frmAbout.clear(); });
    }
    return *m_frmAbout;
}

void Form1::mnuCommunicate_Click() {
    frmCommunicate& dialog = Communicate();
    dialog.show();
    dialog.raise();
    dialog.activateWindow();
}

void Form1::mnuAbout_Click() {
    frmAbout& about = About();
    about.show();
    about.raise();
    about.activateWindow();
}

void Form1::mnuExit_Click() {
    close();
}

void Form1::closeEvent(QCloseEvent* event) {
    if (m_rolledAway) {
        event->accept();
        return;
    }
    // Roll the window away first; the close goes on when the animation has ended.
    event->ignore();
    if (m_closing)
        return;
    m_closing = true;
    AnimateWindow(this, kRollAwayDuration,
                  animate::Hide | animate::VerPositive | animate::HorNegative, [this] {
                      m_rolledAway = true;
                      close();
                  });
}

// Readings can arrive far more often than a screen shows frames, and painting costs far more than
// taking a reading. Every change is stored at once; what is paced is the painting. A paint request
// within one frame of the latest paint waits for that frame, and everything that changed meanwhile
// is painted together then, as it stands then. A change after a quiet spell is painted at once.
bool Form1::event(QEvent* event) {
    if (event->type() == QEvent::UpdateRequest) {
        if (m_frameTimer->isActive())
            return true; // the coming frame paints this as well
        if (const int wait = TimeToNextFrame(); wait > 0) {
            m_frameTimer->start(wait);
            return true;
        }
        m_sinceFrame.start();
    }
    return QMainWindow::event(event);
}

int Form1::TimeToNextFrame() const {
    if (!m_sinceFrame.isValid())
        return 0;
    constexpr qreal kDefaultRate = 60; // frames per second, when the screen does not say
    const QScreen* s = screen();
    const qreal rate = s && s->refreshRate() >= 1 ? s->refreshRate() : kDefaultRate;
    // The interval rounded down: never slower than the screen.
    const qint64 left = static_cast<qint64>(1000 / rate) - m_sinceFrame.elapsed();
    return left > 0 ? static_cast<int>(left) : 0;
}

void Form1::ShowLampsWhenDue() {
    if (m_frameTimer->isActive())
        return;
    if (const int wait = TimeToNextFrame(); wait > 0) {
        m_frameTimer->start(wait);
        return;
    }
    ShowLamps();
}

void Form1::ShowLamps() {
    for (Shape* lamp : m_lamps)
        lamp->ShowBackColor();
}

void Form1::PaintFrame() {
    // Only lamps that differ from what they show now repaint: one that went on and off again
    // since the last frame costs nothing.
    ShowLamps();
    m_sinceFrame.start();
    QEvent request(QEvent::UpdateRequest);
    QMainWindow::event(&request);
}

bool Form1::eventFilter(QObject* watched, QEvent* event) {
    if (watched == Text3 && event->type() == QEvent::FocusIn)
        UpdateCaret();
    return QMainWindow::eventFilter(watched, event);
}

void Form1::FitReadout() {
    // The leading blank may scroll out of the box; the digits and the sign may not.
    const QString text = Text3->text();
    qsizetype first = 0;
    while (first < text.size() && text[first] == QLatin1Char(' '))
        ++first;
    const QString shown = text.sliced(first);
    // The box scrolls to keep the cursor, after the last digit, in view: what must fit is from
    // the first digit's ink to the end of the text.
    const int room = Text3->contentsRect().width() - kLineEditRightMargin - 1;
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
    if (Text3->font() != font)
        Text3->setFont(font);
    // Too wide even small: the box shows the last digits, and the mark says the first are cut.
    m_readoutOverflow->setVisible(wide > room);
}

void Form1::UpdateCaret() {
    if (Check1->checkState() == Qt::Checked)
        ShowCaret(Text3);
    else
        HideCaret(Text3);
}

} // namespace torven
