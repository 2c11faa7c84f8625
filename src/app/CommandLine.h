#pragma once

#include "Following.h"

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
    bool targets = false; // the service takes clients' targets and shows them to the operator
    int offset = 0;       // degrees added to the decoded bearing
    std::optional<std::int16_t> portNumber; // this port for this run, instead of comm.set
    QString name;                           // names the window and the service
    std::optional<QPoint> position;         // the window's top-left corner
    bool debug = false; // write the log of every torven category (see Logging.h)
    // No window: a bridge that keeps the line open and serves its bearing (needs rotctldPort).
    bool headless = false;
    QString lineSettings{QStringLiteral("19200,n,8,1")}; // the bridge's line settings, checked
    QString device; // the bridge's device by its path, instead of a port number (empty: none)
    std::optional<RemoteAddress> follow; // the window follows this rotctld instead of a port
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
};

// Reads the arguments as main() gets them, the program's name first. Qt's own options (-style,
// -platform, -display and the like) and their values are passed over: they are Qt's to take.
// Nothing is printed and nothing ends the program: the caller shows `text` where it can be seen.
CommandLine parseCommandLine(const QStringList& arguments, const QString& version);

// Why the window cannot be shown, for the terminal: no display to show it on. `display` is the
// display asked for (empty when none is named).
QString noDisplayText(const QString& display);

} // namespace torven
