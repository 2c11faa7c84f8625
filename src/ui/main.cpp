#include "link/PortSettingsFile.h"
#include "platform/Fonts.h"
#include "ui/Form1.h"

#include <QApplication>
#include <QStyleFactory>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("torven"));
    // No organisation name: the per-user folder is then ~/.config/torven rather than
    // ~/.config/torven/torven.
    QApplication::setApplicationVersion(QStringLiteral(TORVEN_VERSION));
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    QApplication::setFont(torven::DefaultFont());

    // The main window is the program: it lives until it closes, and deletes itself then.
    auto* form1 = new torven::Form1(
        torven::PortSettingsFile::ForThisProgram(QStringLiteral(TORVEN_INSTALL_BINDIR)));
    // The window is already hidden when it closes (it rolls away first), so Qt does not see a
    // last window closing: end the program when the window is gone.
    QObject::connect(form1, &QObject::destroyed, &app, &QCoreApplication::quit);
    form1->CentreOnScreen();
    form1->show();
    return QApplication::exec();
}
