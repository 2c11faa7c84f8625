#pragma once

#include <QLoggingCategory>
#include <QString>

#include <optional>

namespace torven {

// What torven tells about itself, for diagnosing a problem in the field: one category per
// subject, all off unless asked for (--debug, or Qt's QT_LOGGING_RULES such as
// "torven.serial.debug=true"). A message of a category that is off costs one check: its text is
// never formatted.
//
// Each line starts with the local time to the millisecond, the level and the category:
//   2025-03-01 14:02:03.117 debug torven.serial: port 1 opened: "/dev/ttyS0" → …
// QT_MESSAGE_PATTERN, when set, has the last word on that shape.
//
// Text from outside the program (lock files, device names, the system's error words, clients'
// addresses and bytes, the command line) is written quoted, as QDebug quotes it (never through
// noquote()); and whatever control character or line separator still reaches the log is written
// out as "\u001B" and the like, so that each message is one line and a terminal showing the log
// takes no orders from it.
//
// The log never fills a disk: each category writes at most kLogLinesPerSecond (20) lines a
// second, and lines about one source (see mayLogAbout) at most kLogLinesPerSourcePerMinute (10) a
// minute. Lines refused are counted, and while lines are being left out a line of their category
// says once a second how many ("… 1,234 lines like these left out"); an idle program keeps no
// timer for it. Never left out: messages of torven.app and torven.serial at info level or above,
// which is how a run without a window logs its start, each open, close, loss and return of the
// line, and its end; and every critical or fatal message. Under --debug the window logs those
// events at debug level, within their category's allowance like every other line.
Q_DECLARE_LOGGING_CATEGORY(lcSerial)    // torven.serial: opens, closes, line errors, lost devices
Q_DECLARE_LOGGING_CATEGORY(lcReception) // torven.reception: the readings taken
Q_DECLARE_LOGGING_CATEGORY(lcSettings)  // torven.settings: comm.set read and saved
Q_DECLARE_LOGGING_CATEGORY(lcRotctld)   // torven.rotctld: the service's clients
Q_DECLARE_LOGGING_CATEGORY(lcApp)       // torven.app: the start

// How large the log file may grow with the older lines moved aside: when torven.log reaches
// half of it, it becomes torven.log.1 (in place of an earlier one) and a new torven.log begins.
inline constexpr qint64 kLogFileSizeLimit = 10 * 1024 * 1024;

// From now on every message of the program passes the rules above (time, escaping, limits) on
// its way to where it went before: the terminal (stderr), or the file of sendLogToFile. Once is
// enough; enableDebugLog and enableEventLog start it too.
void startLog();

// Turns the debug messages of every torven category on. QT_LOGGING_RULES still has the last
// word, as it has over every rule a program sets.
void enableDebugLog();

// Turns the info messages of every torven category on, and only those: the events a program
// without a window reports to its journal (start, each open, loss and return of the line, each
// client arriving and leaving, the end). QT_LOGGING_RULES still has the last word.
void enableEventLog();

// Whether a line about `source` (a client, by its address without the port) may be written now:
// each source gets its first 10 lines a minute in each category, and the rest are counted as left
// out of `category`. Call it only once the category is known to be on, so that a line that is off
// costs one check.
bool mayLogAbout(const QLoggingCategory& category, const QString& source);

// Where --debug writes its log on a system whose windowed programs have no terminal: torven.log
// in the per-user settings folder (%LOCALAPPDATA%\torven on Windows).
QString debugLogFilePath();

// From now on every message of the program goes to the end of the file at `path`, one line each,
// instead of where it went; the file and torven.log.1 beside it keep at most `sizeLimit` bytes
// together (see kLogFileSizeLimit). The file is made, with its folder, when missing, and kept:
// each run adds to it. Returns the system's words when the file cannot be opened, and then changes
// nothing.
std::optional<QString> sendLogToFile(const QString& path, qint64 sizeLimit = kLogFileSizeLimit);

// Closes the file of sendLogToFile: messages go back to where they went before it.
void stopLogFile();

} // namespace torven
