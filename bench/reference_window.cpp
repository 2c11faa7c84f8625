// The reference for start-up time and memory: a Qt window of a given size that draws text as
// torven's does, in the same style and fonts (a menu bar of four items, a label and a line edit
// with a large bold number), and nothing else.
//   bench_reference_window WIDTH HEIGHT
#include "Fonts.h"
#include "MainWindowLayout.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenuBar>
#include <QStyleFactory>
#include <QVBoxLayout>

#include <cstdlib>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    QApplication::setFont(torven::defaultFont());
    const int width = argc > 2 ? std::atoi(argv[1]) : 186;
    const int height = argc > 2 ? std::atoi(argv[2]) : 182;
    QMainWindow window;
    window.setWindowTitle(QStringLiteral("reference"));
    window.setFixedSize(width, height);
    QMenuBar* bar = window.menuBar();
    bar->setFont(torven::defaultFont());
    for (const char* item : {"Связь", "Настр.", "О программе", "Выход"})
        bar->addAction(QString::fromUtf8(item));
    auto* central = new QWidget(&window);
    auto* column = new QVBoxLayout(central);
    auto* label = new QLabel(QStringLiteral("N"), central);
    label->setFont(torven::layoutFont(torven::main_window_layout::kCompassPoints));
    auto* number = new QLineEdit(QStringLiteral(" 180"), central);
    number->setFont(torven::layoutFont(torven::main_window_layout::kReadoutPoints, true));
    column->addWidget(label);
    column->addWidget(number);
    window.setCentralWidget(central);
    window.show();
    return QApplication::exec();
}
