#include "frmAbout.h"

#include "Twips.h"
#include "platform/Fonts.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>

namespace torven {

namespace {

constexpr int kClientWidth = 2844;
constexpr int kClientHeight = 1920;

QRect pixels(int left, int top, int width, int height) {
    return QRect(TwipsToPixels(left), TwipsToPixels(top), TwipsToPixels(width),
                 TwipsToPixels(height));
}

QLabel* makeLabel(QWidget* parent, const char* name, QRect place, const QString& text) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setGeometry(place);
    label->setAutoFillBackground(true);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    return label;
}

} // namespace

frmAbout::frmAbout(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(QStringLiteral("Инфо"));
    setAttribute(Qt::WA_DeleteOnClose);
    setFixedSize(TwipsToPixels(kClientWidth), TwipsToPixels(kClientHeight));
    setFont(DefaultFont());
    QPalette face = palette();
    face.setColor(QPalette::Window, face.color(QPalette::Button));
    face.setColor(QPalette::WindowText, face.color(QPalette::ButtonText));
    setPalette(face);

    Command1 = new QPushButton(QStringLiteral("ОК"), this); // Cyrillic О and К
    Command1->setObjectName(QStringLiteral("Command1"));
    Command1->setGeometry(pixels(720, 1410, 1215, 375));
    Command1->setAutoDefault(false);
    connect(Command1, &QPushButton::clicked, this, &frmAbout::Command1_Click);

    Label4 = makeLabel(this, "Label4", pixels(1080, 1095, 525, 180), QStringLiteral("2009г."));
    Label3 = makeLabel(this, "Label3", pixels(360, 480, 1935, 210),
                       QStringLiteral("Разработчики torven"));
    Label2 =
        makeLabel(this, "Label2", pixels(720, 810, 1335, 255), QStringLiteral("torven.example"));
    Label1 = makeLabel(this, "Label1", pixels(120, 120, 2676, 192),
                       QStringLiteral("Индикатор направления антенны"));

    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

void frmAbout::Command1_Click() {
    close();
}

void frmAbout::closeEvent(QCloseEvent* event) {
    QWidget::closeEvent(event);
    emit Unloaded();
}

} // namespace torven
