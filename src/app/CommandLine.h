#pragma once

#include <QHostAddress>
#include <QPoint>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>

namespace torven {

// What the command line asks of this run. Without options it is the plain program.
struct CommandLineOptions {
    std::optional<quint16> rotctldPort; // serve the bearing over rotctld on this port
    QHostAddress rotctldAddress{QHostAddress::LocalHost};
    int offset = 0;                         // degrees added to the decoded bearing
    std::optional<std::int16_t> portNumber; // this port for this run, instead of comm.set
    QString name;                           // names the window and the service
    std::optional<QPoint> position;         // the window's top-left corner
};

struct CommandLine {
    enum class Action {
        Run,         // start with `options`
        ShowHelp,    // print `text` and end successfully
        ShowVersion, // print `text` and end successfully
        Fail,        // print `text` (in Russian) and end with an error
    };
    Action action = Action::Run;
    CommandLineOptions options;
    QString text;
    // The failure is an option this parser does not know, which may yet be one of Qt's own
    // (-style, -platform) that the application object takes out of the arguments.
    bool unknownOption = false;
};

// Reads the arguments as main() gets them, the program's name first. Nothing is printed and
// nothing ends the program: the caller shows `text` where it can be seen.
CommandLine parseCommandLine(const QStringList& arguments, const QString& version);

} // namespace torven
