#include "frmCommunicate.h"

#include "link/PortNumber.h"
#include "platform/Fonts.h"
#include "platform/MSComm.h"
#include "platform/SerialDeviceInfo.h"
#include "ui/Twips.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>

namespace torven {

namespace {

constexpr int kClientWidth = 3672;
constexpr int kClientHeight = 2028;
constexpr int kListedPorts = 9;

QRect pixels(int left, int top, int width, int height) {
    return QRect(TwipsToPixels(left), TwipsToPixels(top), TwipsToPixels(width),
                 TwipsToPixels(height));
}

QLabel* makeLabel(QWidget* parent, const char* name, QRect place, const QString& text) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setGeometry(place);
    return label;
}

} // namespace

PortComboBox::PortComboBox(const MSComm& comm, QWidget* parent) : QComboBox(parent), m_comm(comm) {}

void PortComboBox::showPopup() {
    for (int i = 0; i < count(); ++i) {
        const auto port = ToPortNumber(itemText(i).toStdString());
        setItemData(i, port ? DescribeDevice(m_comm.DeviceFor(*port)) : QString(), Qt::ToolTipRole);
    }
    QComboBox::showPopup();
}

frmCommunicate::frmCommunicate(MSComm& comm, PortSettingsFile settingsFile, QWidget* parent)
    : QWidget(parent), m_comm(comm), m_settingsFile(std::move(settingsFile)) {
    setObjectName(QStringLiteral("frmCommunicate"));
    setWindowTitle(QStringLiteral("Параметры СОМ")); // the last three letters are Cyrillic
    setAttribute(Qt::WA_DeleteOnClose);              // closing unloads: edits are dropped
    setFixedSize(TwipsToPixels(kClientWidth), TwipsToPixels(kClientHeight));
    setFont(DefaultFont());

    Label1 =
        makeLabel(this, "Label1", pixels(480, 240, 1335, 255), QStringLiteral("Текущий порт:"));
    Text2 = new QLineEdit(QStringLiteral("Text2"), this);
    Text2->setObjectName(QStringLiteral("Text2"));
    Text2->setGeometry(pixels(1920, 240, 375, 285));
    Label2 =
        makeLabel(this, "Label2", pixels(480, 600, 1335, 255), QStringLiteral("Изменить порт:"));
    Combo1 = new PortComboBox(comm, this);
    Combo1->setObjectName(QStringLiteral("Combo1"));
    Combo1->setGeometry(pixels(1920, 600, 615, 315));
    Combo1->setEditable(true);
    Combo1->setInsertPolicy(QComboBox::NoInsert);
    for (int port = 1; port <= kListedPorts; ++port)
        Combo1->addItem(QString::number(port));
    Combo1->setCurrentIndex(0);
    Label3 = makeLabel(this, "Label3", pixels(480, 960, 1215, 255), QStringLiteral("Параметры:"));
    Text1 = new QLineEdit(QStringLiteral("19200,n,8,1"), this);
    Text1->setObjectName(QStringLiteral("Text1"));
    Text1->setGeometry(pixels(1920, 960, 1455, 315));
    Text1->setFont(LayoutFont(9.6));
    Text1->setAlignment(Qt::AlignCenter);
    Command1 = new QPushButton(QStringLiteral("OK"), this); // Latin letters
    Command1->setObjectName(QStringLiteral("Command1"));
    Command1->setGeometry(pixels(600, 1440, 1095, 375));
    Command2 = new QPushButton(QStringLiteral("Отмена"), this);
    Command2->setObjectName(QStringLiteral("Command2"));
    Command2->setGeometry(pixels(1920, 1440, 1095, 375));
    // Neither button is pressed by Enter or Esc.
    Command1->setAutoDefault(false);
    Command2->setAutoDefault(false);
    connect(Command1, &QPushButton::clicked, this, &frmCommunicate::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &frmCommunicate::Command2_Click);

    setTabOrder(Text1, Combo1);
    setTabOrder(Combo1, Command1);
    setTabOrder(Command1, Command2);
    setTabOrder(Command2, Text2);
    Text1->setFocus();

    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());

    Form_Load();
}

void frmCommunicate::Form_Load() {
    const QString inUse = QString::number(m_comm.CommPort());
    Text2->setText(inUse);
    // The port box opens at the port in use, so that OK without touching it keeps that port.
    if (const int listed = Combo1->findText(inUse); listed >= 0)
        Combo1->setCurrentIndex(listed);
    else
        Combo1->setEditText(inUse);
}

QString frmCommunicate::LineSettingsText() const {
    return Text1->text();
}

void frmCommunicate::Command1_Click() {
    const QString text = Combo1->currentText();
    // Check the number before storing it: a typo must not leave a file the next start cannot read.
    const auto port = ToPortNumber(text.toStdString());
    if (!port) {
        Warn(QStringLiteral("«%1» — не номер порта. Введите целое число от -32768 до 32767.")
                 .arg(text));
        return;
    }
    if (const QString why = m_settingsFile.Save(text); !why.isEmpty()) {
        Warn(QStringLiteral("Не удалось сохранить номер порта: %1").arg(why));
        return;
    }
    m_comm.setCommPort(*port);
    close();
}

void frmCommunicate::Command2_Click() {
    close();
}

void frmCommunicate::Warn(const QString& text) {
    auto* box = new QMessageBox(QMessageBox::Warning, windowTitle(), text, QMessageBox::Ok, this);
    box->setObjectName(QStringLiteral("warning"));
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
}

void frmCommunicate::closeEvent(QCloseEvent* event) {
    QWidget::closeEvent(event);
    emit Unloaded();
}

} // namespace torven
