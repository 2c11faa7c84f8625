#include "BearingPanel.h"

#include "BearingDecoding.h"
#include "Connection.h"
#include "ConsoleBox.h"
#include "Fonts.h"
#include "Lamp.h"
#include "MainWindowLayout.h"
#include "ObjectNames.h"
#include "Readout.h"
#include "SectorLamps.h"
#include "StatusLine.h"
#include "TargetMark.h"
#include "Twips.h"
#include "Utf8.h"
#include "WindowElements.h"

#include <QLabel>
#include <QTimer>

namespace torven {

namespace {

namespace layout = main_window_layout;
namespace names = object_names::main_window;

constexpr int kReceiveLampInterval = 200; // milliseconds

QLabel* makeCompassMark(QWidget* parent, const char* name, const layout::Box& box,
                        const QString& text) {
    auto* label = makeOpaqueLabel(parent, name, toPixels(box), text);
    label->setFont(layoutFont(layout::kCompassPoints));
    return label;
}

} // namespace

BearingPanel::BearingPanel(const Console& console, QWidget* parent) : QWidget(parent) {
    setObjectName(nameOf(names::kClient));
    setFixedSize(twipsToPixels(layout::kClientWidth), twipsToPixels(layout::kClientHeight));
    const QColor buttonFace = palette().color(QPalette::Button);
    const QColor windowText = palette().color(QPalette::WindowText);

    m_consoleBox = new ConsoleBox(console, this);
    m_consoleBox->setObjectName(nameOf(names::kConsole));
    m_consoleBox->setGeometry(toPixels(layout::kConsole));

    m_receiveLampTimer = new QTimer(this);
    m_receiveLampTimer->setObjectName(nameOf(names::kReceiveLampTimer));
    m_receiveLampTimer->setInterval(kReceiveLampInterval);
    connect(m_receiveLampTimer, &QTimer::timeout, this, &BearingPanel::darkenReceiveLamp);
    m_receiveLampTimer->start();

    m_readout = new Readout(QStringLiteral("000"), layout::kReadoutPoints, buttonFace, this);
    m_readout->setObjectName(nameOf(names::kReadout));
    m_readout->setAccessibleName(QStringLiteral("Азимут"));
    m_readout->setGeometry(toPixels(layout::kReadout));

    const QColor dark = QColor::fromRgb(kLampDarkColour);
    for (std::size_t i = 0; i < m_lamps.size(); ++i) {
        auto* lamp = new Lamp(Lamp::Kind::Circle, dark, windowText, this);
        lamp->setObjectName(QString::fromStdString(names::sectorLamp(static_cast<int>(i) + 1)));
        lamp->setGeometry(toPixels(layout::kLamps[i]));
        m_lamps[i] = lamp;
    }

    m_connectionLamp =
        makeOpaqueLabel(this, names::kConnectionLamp, toPixels(layout::kConnectionLamp), QString());
    m_connectionLamp->setAccessibleName(QStringLiteral("Связь"));

    m_receiveLampOff = new Lamp(Lamp::Kind::Rectangle, buttonFace, buttonFace, this);
    m_receiveLampOff->setObjectName(nameOf(names::kReceiveLampOff));
    m_receiveLampOff->setGeometry(toPixels(layout::kReceiveLamp));
    const QColor lit(0x80, 0xFF, 0x80);
    m_receiveLampOn = new Lamp(Lamp::Kind::Rectangle, lit, lit, this);
    m_receiveLampOn->setObjectName(nameOf(names::kReceiveLampOn));
    m_receiveLampOn->setGeometry(toPixels(layout::kReceiveLamp));

    m_statusLabel =
        makeOpaqueLabel(this, names::kStatusLine, toPixels(layout::kStatusLine), QString());
    m_statusLine = new StatusLine(m_statusLabel, this);

    auto* north = makeCompassMark(this, names::kNorthMark, layout::kNorthMark,
                                  QStringLiteral("C")); // Latin C
    auto* south = makeCompassMark(this, names::kSouthMark, layout::kSouthMark, QStringLiteral("Ю"));
    auto* west = makeCompassMark(this, names::kWestMark, layout::kWestMark, QStringLiteral("З"));
    auto* east = makeCompassMark(this, names::kEastMark, layout::kEastMark, QStringLiteral("В"));
    QPalette black = east->palette();
    black.setColor(QPalette::WindowText, Qt::black);
    east->setPalette(black);

    // Stacking: among lamps and labels an earlier element lies over a later one; the text boxes
    // lie over all of them.
    QWidget* const stack[] = {east,
                              west,
                              south,
                              north,
                              m_statusLabel,
                              m_receiveLampOn,
                              m_receiveLampOff,
                              m_connectionLamp};
    for (QWidget* w : stack)
        w->raise();
    for (auto it = m_lamps.rbegin(); it != m_lamps.rend(); ++it)
        (*it)->raise();
    m_readout->raise();
    m_consoleBox->raise();

    m_targetMark = new TargetMark(m_lamps, this);
    connect(m_targetMark, &TargetMark::changed, this, [this] {
        m_statusLine->setTargetWords(m_targetMark->statusText(), m_targetMark->toolTipLine());
    });
    connect(m_statusLine, &StatusLine::clicked, m_targetMark, &TargetMark::takeStatusLineClick);
}

void BearingPanel::storeReading(const DecodedReading& reading) {
    flashReceiveLamp();
    m_readout->storeText(QString::fromLatin1(reading.readout.data(),
                                             static_cast<qsizetype>(reading.readout.size())));
    static const QColor lit = QColor::fromRgb(kLampLitColour);
    static const QColor dark = QColor::fromRgb(kLampDarkColour);
    for (std::size_t i = 0; i < m_lamps.size(); ++i)
        m_lamps[i]->storeBackColor(static_cast<int>(i) + 1 == reading.litLamp ? lit : dark);
}

void BearingPanel::flashReceiveLamp() {
    m_receiveLampOn->raise();
    // A flash lasts one interval from its first reading: a reading that arrives while the lamp
    // is lit leaves the running count alone, so a steady stream shows as a steady flicker.
    if (!m_receiveLampTimer->isActive())
        m_receiveLampTimer->start();
}

void BearingPanel::showStoredReadout() {
    m_readout->showStoredText();
}

void BearingPanel::showStoredReading() {
    m_readout->showStoredText();
    for (Lamp* lamp : m_lamps)
        lamp->showBackColor();
}

void BearingPanel::showConnection(const ConnectionUpdate& update) {
    if (update.lampColour) {
        QPalette lamp = m_connectionLamp->palette();
        lamp.setColor(QPalette::Window, QColor::fromRgb(*update.lampColour));
        m_connectionLamp->setPalette(lamp);
    }
    if (update.status)
        m_statusLine->setConnectionWord(toQString(*update.status));
}

void BearingPanel::darkenReceiveLamp() {
    m_receiveLampOff->raise();
    m_receiveLampTimer->stop();
}

} // namespace torven
