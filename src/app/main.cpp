#include "Bridge.h"
#include "CommandLine.h"
#include "DebugLogNotices.h"
#include "EndSignals.h"
#include "Fonts.h"
#include "Logging.h"
#include "MainWindow.h"
#include "Placement.h"
#include "PortSettingsFile.h"
#include "RotatorService.h"
#include "SerialLine.h"
#include "Utf8.h"

#include <QApplication>
#include <QDir>
#include <QMessageBox>
#include <QPointer>
#include <QStyleFactory>
#include <QSysInfo>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

const QString kVersion = QStringLiteral(TORVEN_VERSION);

[[maybe_unused]] QStringList argumentsOf(int argc, char* argv[]) {
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    return arguments;
}

// Writes `text` whole; false when it could not be (a full disk, a closed output).
bool print(std::FILE* stream, const QString& text) {
    const QByteArray bytes = text.toLocal8Bit();
    const auto size = static_cast<std::size_t>(bytes.size());
    const bool written = std::fwrite(bytes.constData(), 1, size, stream) == size;
    return std::fflush(stream) == 0 && written;
}

// The arguments with "--name VALUE" (or "-name VALUE") joined into "--name=VALUE". Qt's X11
// platform takes "--name VALUE" for itself (the window's instance name) and removes it from the
// arguments; joined, it reaches torven's own parser. The strings live in `storage`, which must
// outlive the result.
[[maybe_unused]] std::vector<char*> withNameJoined(int argc, char* argv[],
                                                   std::vector<std::string>& storage) {
    storage.clear();
    for (int i = 0; i < argc; ++i) {
        if ((std::string(argv[i]) == "--name" || std::string(argv[i]) == "-name") && i + 1 < argc)
            storage.push_back(std::string("--name=") + argv[++i]);
        else
            storage.emplace_back(argv[i]);
    }
    std::vector<char*> pointers;
    for (std::string& argument : storage)
        pointers.push_back(argument.data());
    pointers.push_back(nullptr);
    return pointers;
}

// Answers a command line that asks for text rather than the window; returns the exit status.
// A windowed program on Windows has no terminal to print to, so there the text shows in a box.
int answer(const torven::CommandLine& commandLine) {
    const bool failed = commandLine.action == torven::CommandLine::Action::Fail;
    const QString text = failed ? commandLine.text + QLatin1Char('\n') : commandLine.text;
#ifdef Q_OS_WIN
    // The text may repeat what was typed: shown as it is, never read as markup.
    QMessageBox box(failed ? QMessageBox::Warning : QMessageBox::Information,
                    QStringLiteral("TORVEN"), text);
    box.setTextFormat(Qt::PlainText);
    box.exec();
#else
    // Help or a version that did not reach its reader is no success.
    if (!print(failed ? stderr : stdout, text) && !failed) {
        print(stderr, QStringLiteral("torven: не удалось вывести текст [%1]\n")
                          .arg(QString::fromLocal8Bit(std::strerror(errno))));
        return 1;
    }
#endif
    return failed ? 2 : 0;
}

// --debug: every torven category's messages on. A windowed program on Windows has no terminal, so
// there they go to a file, and the text returned says which (or why it could not be opened) for
// a box; elsewhere they go to the terminal, and nothing needs saying.
QString startDebugLog() {
    torven::enableDebugLog();
#ifdef Q_OS_WIN
    const QString path = torven::debugLogFilePath();
    const std::string shown = QDir::toNativeSeparators(path).toStdString();
    if (const auto failure = torven::sendLogToFile(path))
        return torven::toQString(torven::debugLogFailedNotice(shown, failure->toStdString()));
    return torven::toQString(torven::debugLogNotice(shown));
#else
    return {};
#endif
}

// What this run started with, for the log. What the user or the system gave (the command line,
// the name, the folders) is quoted; the program's own words are not.
void logStart(const torven::CommandLineOptions& o, const torven::PortSettingsFile& settingsFile) {
    qCDebug(torven::lcApp) << "torven" << qUtf8Printable(kVersion) << "on"
                           << qUtf8Printable(QSysInfo::prettyProductName()) << "with Qt"
                           << qVersion() << "started as"
                           << QCoreApplication::arguments().join(QLatin1Char(' '));
    qCDebug(torven::lcApp).nospace()
        << "options: port "
        << qUtf8Printable(o.portNumber ? QString::number(*o.portNumber)
                                       : QStringLiteral("from comm.set"))
        << ", offset " << o.offset << ", name " << o.name << ", rotctld "
        << qUtf8Printable(o.rotctldPort ? o.rotctldAddress.toString() + QLatin1Char(':') +
                                              QString::number(*o.rotctldPort)
                                        : QStringLiteral("off"))
        << (o.targets ? ", targets taken" : "")
        << qUtf8Printable(o.follow ? ", following " +
                                         torven::toQString(torven::remoteAddressText(*o.follow))
                                   : QString());
    qCDebug(torven::lcSettings) << "comm.set read from the first present in:"
                                << settingsFile.fileFolders()
                                << "| comN links looked for in:" << settingsFile.folders();
}

// A box beside the window that tells `text` without holding up the window.
void tellBeside(QWidget* window, const QString& title, const QString& text) {
    auto* box = new QMessageBox(QMessageBox::Information, title, text, QMessageBox::Ok, window);
    box->setTextFormat(Qt::PlainText); // a path and the system's words, never markup
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::NonModal);
    torven::showBeside(*box, *window);
}

#ifndef Q_OS_WIN
// While the application object connects to the display, Qt's messages are held back: without a
// display it ends the program with an abort and a screenful of English, where one Russian line and
// status 1 say it better. With a display the held messages go on as they came.
struct HeldMessage {
    QtMsgType type;
    QByteArray category;
    QString text;
};
std::vector<HeldMessage>& heldMessages() {
    static std::vector<HeldMessage> held;
    return held;
}

void holdStartMessage(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (type == QtFatalMsg) {
        print(stderr, torven::noDisplayText(QString::fromLocal8Bit(qgetenv("DISPLAY"))) +
                          QLatin1Char('\n'));
        std::_Exit(1);
    }
    heldMessages().push_back({type, QByteArray(context.category), text});
}

void passOnHeldMessages(QtMessageHandler handler) {
    for (const HeldMessage& message : heldMessages())
        handler(message.type, QMessageLogContext(nullptr, 0, nullptr, message.category.constData()),
                message.text);
    heldMessages().clear();
}
#endif

} // namespace

int main(int argc, char* argv[]) {
#ifndef Q_OS_WIN
    // --help, --version and every mistake answer on the terminal even where there is no display
    // to open.
    if (const auto early = torven::parseCommandLine(argumentsOf(argc, argv), kVersion);
        early.action != torven::CommandLine::Action::Run)
        return answer(early);
    else if (early.options.headless)
        return torven::runBridge(argc, argv, early.options, kVersion,
                                 QStringLiteral(TORVEN_INSTALL_BINDIR));
#endif
    // Every line of the log, Qt's own included, with its time, escaped and within its limits.
    torven::startLog();
#ifdef Q_OS_WIN
    // QApplication takes its own options (-style, -platform and the like) out of the arguments.
    QApplication app(argc, argv);
#else
    // The same, once "--name" is out of the X11 platform's reach.
    std::vector<std::string> storage;
    std::vector<char*> arguments = withNameJoined(argc, argv, storage);
    int count = static_cast<int>(arguments.size()) - 1;
    const QtMessageHandler previousHandler = qInstallMessageHandler(holdStartMessage);
    QApplication app(count, arguments.data());
    qInstallMessageHandler(previousHandler);
    passOnHeldMessages(previousHandler);
#endif
    QApplication::setApplicationName(QStringLiteral("torven"));
    // No organisation name: the per-user folder is then ~/.config/torven rather than
    // ~/.config/torven/torven.
    QApplication::setApplicationVersion(kVersion);
    const torven::CommandLine commandLine =
        torven::parseCommandLine(QCoreApplication::arguments(), kVersion);
    if (commandLine.action != torven::CommandLine::Action::Run)
        return answer(commandLine);
    const torven::CommandLineOptions& options = commandLine.options;
    const QString debugLogNotice = options.debug ? startDebugLog() : QString();
    const torven::PortSettingsFile settingsFile =
        torven::PortSettingsFile::forThisProgram(QStringLiteral(TORVEN_INSTALL_BINDIR));
    logStart(options, settingsFile);

    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    QApplication::setFont(torven::defaultFont());

    // The service outlives the window that feeds it.
    std::unique_ptr<torven::RotatorService> service;
    if (options.rotctldPort) {
        service = std::make_unique<torven::RotatorService>();
        service->setName(options.name);
        service->setTakesTargets(options.targets);
        if (!service->listen(options.rotctldAddress, *options.rotctldPort)) {
            // The window is worth more than the service: say why and go on without it.
            print(stderr, QStringLiteral("torven: %1\n").arg(service->failureReason()));
        } else if (const QString notice = service->networkNotice(); !notice.isEmpty()) {
            // Serving beyond this computer is a decision the user must see.
            print(stderr, QStringLiteral("torven: %1\n").arg(notice));
        }
    }

    // The main window is the program: it lives until it closes, and deletes itself then.
    auto* mainWindow = new torven::MainWindow(
        settingsFile, {options.portNumber, options.name, options.offset, options.follow});
    if (service && service->isListening()) {
        mainWindow->shareBearingWith(service.get());
        mainWindow->showTargetsFrom(service.get());
        if (const QString notice = service->networkNotice(); !notice.isEmpty())
            mainWindow->addStatusRemark(notice);
    }
    // The window is already hidden when it closes (it rolls away first), so Qt does not see a
    // last window closing: end the program when the window is gone.
    QObject::connect(mainWindow, &QObject::destroyed, &app, &QCoreApplication::quit);
    // Asked to end (kill, Ctrl-C, logging out): release the port first, so that its lock and
    // exclusive use do not outlive the program, and end at once, without the roll-away.
    const QPointer<torven::MainWindow> window = mainWindow;
    torven::EndSignals endSignals;
    QObject::connect(&endSignals, &torven::EndSignals::arrived, &app, [&window] {
        if (window)
            window->serialLine().closePort();
        QCoreApplication::exit(0);
    });
    if (options.position) {
        mainWindow->placeAt(*options.position);
    } else {
        mainWindow->centreOnScreen();
    }
    mainWindow->show();
    // Once the window shows, so that the boxes can go beside it.
    if (service && !service->isListening())
        mainWindow->reportServiceOff(service->failureReason());
    if (!debugLogNotice.isEmpty())
        tellBeside(mainWindow, QStringLiteral("Журнал отладки"), debugLogNotice);
    const int status = QApplication::exec();
    delete window.data();
    return status;
}
