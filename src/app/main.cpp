#include "link/PortSettingsFile.h"
#include "platform/EndSignals.h"
#include "platform/Fonts.h"
#include "platform/MSComm.h"
#include "ui/Form1.h"

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
    QApplication::setFont(torven::DefaultFont());

    // The main window is the program: it lives until it closes, and deletes itself then.
    auto* form1 = new torven::Form1(
        torven::PortSettingsFile::ForThisProgram(QStringLiteral(TORVEN_INSTALL_BINDIR)));
    // The window is already hidden when it closes (it rolls away first), so Qt does not see a
    // last window closing: end the program when the window is gone.
    QObject::connect(form1, &QObject::destroyed, &app, &QCoreApplication::quit);
    // Asked to end (kill, Ctrl-C, logging out): release the port first, so that its lock and
    // exclusive use do not outlive the program, and end at once, without the roll-away.
    const QPointer<torven::Form1> window = form1;
    torven::EndSignals endSignals;
    QObject::connect(&endSignals, &torven::EndSignals::Arrived, &app, [&window] {
        if (window)
            window->Comm().setPortOpen(false);
        QCoreApplication::exit(0);
    });
    form1->CentreOnScreen();
    form1->show();
    const int status = QApplication::exec();
    delete window.data();
    return status;
}
