#include "WindowElements.h"

#include <QGuiApplication>
#include <QLabel>
#include <QScreen>

namespace torven {

QRect toPixels(const TwipsBox& box) {
    return QRect(twipsToPixels(box.left), twipsToPixels(box.top), twipsToPixels(box.width),
                 twipsToPixels(box.height));
}

QLabel* makeLabel(QWidget* parent, const char* name, QRect place, const QString& text) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setGeometry(place);
    return label;
}

QLabel* makeOpaqueLabel(QWidget* parent, const char* name, QRect place, const QString& text) {
    auto* label = makeLabel(parent, name, place, text);
    label->setAutoFillBackground(true);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    return label;
}

void centreOnPrimaryScreen(QWidget* window) {
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        window->move(screen->availableGeometry().center() - window->rect().center());
}

} // namespace torven
