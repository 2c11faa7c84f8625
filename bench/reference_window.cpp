// The reference for start-up time and memory: a bare Qt window of a given size and nothing else.
//   bench_reference_window WIDTH HEIGHT
#include <QApplication>
#include <QWidget>

#include <cstdlib>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    const int width = argc > 2 ? std::atoi(argv[1]) : 186;
    const int height = argc > 2 ? std::atoi(argv[2]) : 182;
    QWidget window;
    window.setWindowTitle(QStringLiteral("reference"));
    window.setFixedSize(width, height);
    window.show();
    return QApplication::exec();
}
