#pragma once

#include <QLoggingCategory>
#include <QString>

#include <optional>

namespace torven {

// What torven tells about itself, for diagnosing a problem in the field: one category per
// subject, every message at debug level, all off unless asked for (--debug, or Qt's
// QT_LOGGING_RULES such as "torven.serial.debug=true"). A message of a category that is off
// costs one check: its text is never formatted.
Q_DECLARE_LOGGING_CATEGORY(lcSerial)    // torven.serial: opens, closes, line errors, lost devices
Q_DECLARE_LOGGING_CATEGORY(lcReception) // torven.reception: the readings taken
Q_DECLARE_LOGGING_CATEGORY(lcSettings)  // torven.settings: comm.set read and saved
Q_DECLARE_LOGGING_CATEGORY(lcRotctld)   // torven.rotctld: the service's clients
Q_DECLARE_LOGGING_CATEGORY(lcApp)       // torven.app: the start

// Turns the debug messages of every torven category on. QT_LOGGING_RULES still has the last
// word, as it has over every rule a program sets.
void enableDebugLog();

// Turns the info messages of every torven category on, and only those: the events a program
// without a window reports to its journal (start, each open, loss and return of the line, each
// client arriving and leaving, the end). QT_LOGGING_RULES still has the last word.
void enableEventLog();

// Whether a line about `source` (a client, by its address) may be written now: each source gets
// its first few lines a minute, and the rest are counted as left out of `category`. Call it only
// once the category is known to be on, so that a line that is off costs one check.
bool mayLogAbout(const QLoggingCategory& category, const QString& source);

// Where --debug writes its log on a system whose windowed programs have no terminal: torven.log
// in the per-user settings folder (%LOCALAPPDATA%\torven on Windows).
QString debugLogFilePath();

// From now on every message of the program goes to the end of the file at `path`, one line each
// with its time and category, instead of where Qt sends it. The file is made, with its folder,
// when missing, and kept: each run adds to it. Returns the system's words when the file cannot be
// opened, and then changes nothing.
std::optional<QString> sendLogToFile(const QString& path);

} // namespace torven
