#pragma once

#include "CommandLine.h"
#include "LineReader.h"
#include "PortFault.h"
#include "RotatorService.h"

#include <QObject>
#include <QString>
#include <QTimer>

#include <chrono>
#include <optional>

namespace torven {

class PortSettingsFile;

// torven without a window: it keeps the line open and serves its bearing over rotctld, and it
// logs what happens, one line each, at info level (which a run without a window turns on): the
// start, each open, loss and return of the line, the reason for giving up.
//
// A line that does not open, or whose device goes away, is tried again every kRetryInterval for
// as long as it may come back (a device missing or held by another program); meanwhile the
// service answers no position, and the log says why once, not at every try. A fault that cannot
// pass by itself (no serial line, settings refused) is logged and ends the bridge.
class Bridge : public QObject {
    Q_OBJECT

public:
    static constexpr std::chrono::milliseconds kRetryInterval{2000};

    Bridge(const CommandLineOptions& options, const PortSettingsFile& settingsFile,
           QObject* parent = nullptr);

    // Listens and opens the line, or starts trying to. False when the bridge cannot run (the
    // service cannot listen, or the line has a fault that cannot pass); the reason is logged.
    bool start();
    // Closes the line: its lock and exclusive use go now.
    void stop();

signals:
    // A fault that cannot pass by itself came up after the start; it is logged, the line is
    // closed, and the program should end with status 1.
    void failed();

private:
    // Tries to open the line; false for a fault that cannot pass.
    bool tryToOpen();
    void onDeviceLost(const QString& reason);

    CommandLineOptions m_options;
    LineReader m_reader;
    RotatorService m_service;
    QTimer m_retry; // runs only while the line is down
    // Why the line is down, as the log last said; empty while it is open and before the start.
    std::optional<PortFault::Kind> m_downFor;
    bool m_wasOpen = false;
};

// Runs torven without a window, from the command line's options, until an end signal or a
// lasting fault; returns the exit status. `installFolder` is where this build installs torven.
int runBridge(int& argc, char* argv[], const CommandLineOptions& options, const QString& version,
              const QString& installFolder);

} // namespace torven
