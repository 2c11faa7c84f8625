#include "EndSignals.h"
#include "Fonts.h"
#include "MainWindow.h"
#include "PortSettingsFile.h"
#include "SerialLine.h"

#include <QApplication>
#include <QPointer>
#include <QStyleFactory>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("torven"));
    // No organisation name: the per-user folder is then ~/.config/torven rather than
    // ~/.config/torven/torven.
    QApplication::setApplicationVersion(QStringLiteral(TORVEN_VERSION));
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    QApplication::setFont(torven::defaultFont());

    // The main window is the program: it lives until it closes, and deletes itself then.
    auto* mainWindow = new torven::MainWindow(
        torven::PortSettingsFile::forThisProgram(QStringLiteral(TORVEN_INSTALL_BINDIR)));
    // The window is already hidden when it closes (it rolls away first), so Qt does not see a
    // last window closing: end the program when the window is gone.
    QObject::connect(mainWindow, &QObject::destroyed, &app, &QCoreApplication::quit);
    // Asked to end (kill, Ctrl-C, logging out): release the port first, so that its lock and
    // exclusive use do not outlive the program, and end at once, without the roll-away.
    const QPointer<torven::MainWindow> window = mainWindow;
    torven::EndSignals endSignals;
    QObject::connect(&endSignals, &torven::EndSignals::arrived, &app, [&window] {
        if (window)
            window->serialLine().setPortOpen(false);
        QCoreApplication::exit(0);
    });
    mainWindow->centreOnScreen();
    mainWindow->show();
    const int status = QApplication::exec();
    delete window.data();
    return status;
}
