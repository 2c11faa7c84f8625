#include "PortDialog.h"

#include "Fonts.h"
#include "ObjectNames.h"
#include "PortNumber.h"
#include "SaveFault.h"
#include "SerialLine.h"
#include "SerialPorts.h"
#include "Twips.h"
#include "Utf8.h"
#include "WindowElements.h"

#include <QCloseEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTextDocument>

namespace torven {

namespace {

namespace names = object_names::port_dialog;

constexpr int kClientWidth = 3672;
constexpr int kClientHeight = 2028;
constexpr int kListedPorts = 9;
// The note of a dialog whose OK keeps the port for this run only goes below the buttons, as wide
// as the window but for these margins, and as tall as its text needs.
constexpr int kThisRunNoteMargin = 240;
// A typed text longer than this is shortened in a warning, which would otherwise grow off screen.
constexpr int kLongestTextShown = 24;

} // namespace

PortComboBox::PortComboBox(const SerialLine& line, QWidget* parent)
    : QComboBox(parent), m_line(line) {}

void PortComboBox::showPopup() {
    // One look at the system's ports for the whole list.
    const SerialPorts ports;
    for (int i = 0; i < count(); ++i) {
        const auto port = toPortNumber(itemText(i).toStdString());
        // A device's description is the system's (or the device's own) words: never markup.
        setItemData(i,
                    port ? Qt::convertFromPlainText(ports.describe(m_line.deviceFor(*port, ports)))
                         : QString(),
                    Qt::ToolTipRole);
    }
    QComboBox::showPopup();
}

PortDialog::PortDialog(SerialLine& line, PortSettingsFile settingsFile, Storage storage,
                       const QString& rotatorName, QWidget* parent)
    : QWidget(parent), m_line(line), m_settingsFile(std::move(settingsFile)), m_storage(storage) {
    setObjectName(nameOf(names::kWindow));
    const QString caption = QStringLiteral("Параметры СОМ"); // the last three letters are Cyrillic
    setWindowTitle(rotatorName.isEmpty() ? caption : caption + QStringLiteral(" — ") + rotatorName);
    setAttribute(Qt::WA_DeleteOnClose); // closing unloads: edits are dropped
    const bool thisRunOnly = m_storage == Storage::ThisRunOnly;
    setFixedSize(twipsToPixels(kClientWidth), twipsToPixels(kClientHeight));
    setFont(defaultFont());

    m_portInUseLabel = makeLabel(this, names::kPortInUseLabel, toPixels({480, 240, 1335, 255}),
                                 QStringLiteral("Текущий порт:"));
    m_portInUse = new QLineEdit(QStringLiteral("Text2"), this);
    m_portInUse->setObjectName(nameOf(names::kPortInUse));
    m_portInUse->setGeometry(toPixels({1920, 240, 375, 285}));
    m_portChoiceLabel = makeLabel(this, names::kPortChoiceLabel, toPixels({480, 600, 1335, 255}),
                                  QStringLiteral("Изменить порт:"));
    m_portChoice = new PortComboBox(line, this);
    m_portChoice->setObjectName(nameOf(names::kPortChoice));
    m_portChoice->setGeometry(toPixels({1920, 600, 615, 315}));
    m_portChoice->setEditable(true);
    m_portChoice->setInsertPolicy(QComboBox::NoInsert);
    for (int port = 1; port <= kListedPorts; ++port)
        m_portChoice->addItem(QString::number(port));
    m_portChoice->setCurrentIndex(0);
    m_lineSettingsLabel = makeLabel(this, names::kLineSettingsLabel,
                                    toPixels({480, 960, 1215, 255}), QStringLiteral("Параметры:"));
    m_lineSettings = new QLineEdit(QStringLiteral("19200,n,8,1"), this);
    m_lineSettings->setObjectName(nameOf(names::kLineSettings));
    m_lineSettings->setGeometry(toPixels({1920, 960, 1455, 315}));
    m_lineSettings->setFont(layoutFont(9.6));
    m_lineSettings->setAlignment(Qt::AlignCenter);
    m_okButton = new QPushButton(QStringLiteral("OK"), this); // Latin letters
    m_okButton->setObjectName(nameOf(names::kOkButton));
    m_okButton->setGeometry(toPixels({600, 1440, 1095, 375}));
    m_cancelButton = new QPushButton(QStringLiteral("Отмена"), this);
    m_cancelButton->setObjectName(nameOf(names::kCancelButton));
    m_cancelButton->setGeometry(toPixels({1920, 1440, 1095, 375}));
    // Neither button is pressed by Enter or Esc.
    m_okButton->setAutoDefault(false);
    m_cancelButton->setAutoDefault(false);
    if (thisRunOnly) {
        const int margin = twipsToPixels(kThisRunNoteMargin);
        const int width = twipsToPixels(kClientWidth) - 2 * margin;
        m_thisRunNote = makeLabel(this, names::kThisRunNote, {}, toQString(kPortForThisRunNote));
        m_thisRunNote->setWordWrap(true);
        const int height = m_thisRunNote->heightForWidth(width);
        m_thisRunNote->setGeometry(margin, twipsToPixels(kClientHeight), width, height);
        setFixedSize(twipsToPixels(kClientWidth), twipsToPixels(kClientHeight) + height + margin);
    }
    connect(m_okButton, &QPushButton::clicked, this, &PortDialog::accept);
    connect(m_cancelButton, &QPushButton::clicked, this, &PortDialog::cancel);

    setTabOrder(m_lineSettings, m_portChoice);
    setTabOrder(m_portChoice, m_okButton);
    setTabOrder(m_okButton, m_cancelButton);
    setTabOrder(m_cancelButton, m_portInUse);
    m_lineSettings->setFocus();

    showPortInUse();
}

void PortDialog::showPortInUse() {
    const QString inUse = QString::number(m_line.portNumber());
    m_portInUse->setText(inUse);
    // The port box opens at the port in use, so that OK without touching it keeps that port.
    if (const int listed = m_portChoice->findText(inUse); listed >= 0)
        m_portChoice->setCurrentIndex(listed);
    else
        m_portChoice->setEditText(inUse);
}

QString PortDialog::lineSettingsText() const {
    return m_lineSettings->text();
}

void PortDialog::accept() {
    const QString text = m_portChoice->currentText();
    // Check the number before storing it: a typo must not leave a file the next start cannot read.
    const auto port = toPortNumber(text.toStdString());
    if (!port) {
        const QString shown = text.size() > kLongestTextShown
                                  ? text.left(kLongestTextShown) + QStringLiteral("…")
                                  : text;
        warn(toQString(notAPortNumberText(shown.toStdString())));
        return;
    }
    if (m_storage == Storage::CommSet) {
        if (const auto fault = m_settingsFile.save(text)) {
            warn(toQString(portNotSavedText(*fault)));
            return;
        }
    }
    m_line.setPortNumber(*port);
    close();
}

void PortDialog::cancel() {
    close();
}

void PortDialog::warn(const QString& text) {
    auto* box = new QMessageBox(QMessageBox::Warning, windowTitle(), text, QMessageBox::Ok, this);
    box->setObjectName(nameOf(names::kWarning));
    // A lock file's program name and the system's words, shown as they are, never as markup.
    box->setTextFormat(Qt::PlainText);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
}

void PortDialog::closeEvent(QCloseEvent* event) {
    QWidget::closeEvent(event);
    emit closed();
}

} // namespace torven
