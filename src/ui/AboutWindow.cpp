#include "AboutWindow.h"

#include "Fonts.h"
#include "ObjectNames.h"
#include "Twips.h"
#include "WindowElements.h"

#include <QCloseEvent>
#include <QLabel>
#include <QPushButton>

namespace torven {

namespace {

namespace names = object_names::about_window;

constexpr int kClientWidth = 2844;
constexpr int kClientHeight = 1920;

} // namespace

AboutWindow::AboutWindow(QWidget* parent) : QWidget(parent) {
    setObjectName(nameOf(names::kWindow));
    setWindowTitle(QStringLiteral("Инфо"));
    setAttribute(Qt::WA_DeleteOnClose);
    setFixedSize(twipsToPixels(kClientWidth), twipsToPixels(kClientHeight));
    setFont(defaultFont());
    QPalette face = palette();
    face.setColor(QPalette::Window, face.color(QPalette::Button));
    face.setColor(QPalette::WindowText, face.color(QPalette::ButtonText));
    setPalette(face);

    m_okButton = new QPushButton(QStringLiteral("ОК"), this); // Cyrillic О and К
    m_okButton->setObjectName(nameOf(names::kOkButton));
    m_okButton->setGeometry(toPixels({720, 1410, 1215, 375}));
    m_okButton->setAutoDefault(false);
    connect(m_okButton, &QPushButton::clicked, this, &AboutWindow::accept);

    m_year = makeOpaqueLabel(this, names::kYear, toPixels({1080, 1095, 525, 180}),
                             QStringLiteral("2009г."));
    m_makers = makeOpaqueLabel(this, names::kMakers, toPixels({360, 480, 1935, 210}),
                               QStringLiteral("Разработчики torven"));
    m_homePage = makeOpaqueLabel(this, names::kHomePage, toPixels({720, 810, 1335, 255}),
                                 QStringLiteral("torven.example"));
    m_title = makeOpaqueLabel(this, names::kTitle, toPixels({120, 120, 2676, 192}),
                              QStringLiteral("Индикатор направления антенны"));

    centreOnPrimaryScreen(this);
}

void AboutWindow::accept() {
    close();
}

void AboutWindow::closeEvent(QCloseEvent* event) {
    QWidget::closeEvent(event);
    emit closed();
}

} // namespace torven
