#include "Logging.h"

#include "LogBudget.h"
#include "LogText.h"
#include "ProgramFolders.h"
#include "Utf8.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMutex>
#include <QTimer>

#include <atomic>
#include <cstring>
#include <memory>

namespace torven {

// Warnings and worse pass by default; debug messages wait for a rule that turns them on.
Q_LOGGING_CATEGORY(lcSerial, "torven.serial", QtWarningMsg)
Q_LOGGING_CATEGORY(lcReception, "torven.reception", QtWarningMsg)
Q_LOGGING_CATEGORY(lcSettings, "torven.settings", QtWarningMsg)
Q_LOGGING_CATEGORY(lcRotctld, "torven.rotctld", QtWarningMsg)
Q_LOGGING_CATEGORY(lcApp, "torven.app", QtWarningMsg)

namespace {

// The shape of a line unless QT_MESSAGE_PATTERN says otherwise.
constexpr char kLinePattern[] = "%{time yyyy-MM-dd hh:mm:ss.zzz} %{type} %{category}: %{message}";

// What the handler keeps between messages. Qt may log from any thread, so all of it is guarded.
// It lives until the program ends, so that messages written while static objects go still find it.
struct LogState {
    QMutex mutex;
    LogBudget budget;
    bool summaryDue = false; // a summary of lines left out is on its way
    QFile* file = nullptr;   // sendLogToFile's, when it is open
    qint64 fileSize = 0;
    qint64 fileLimit = kLogFileSizeLimit;
    qint64 moveAsideAt = 0; // the file's size at which its lines move to torven.log.1
};

LogState& state() {
    static auto* const logState = new LogState;
    return *logState;
}

// Where messages went before this handler: Qt's own (stderr) unless someone else had taken them.
std::atomic<QtMessageHandler> passOnTo{nullptr};

void writeSummaries();

// Whether the program's own events at info level or above, or a critical or fatal message: those
// are never left out.
bool neverLeftOut(QtMsgType type, const char* category) {
    switch (type) {
    case QtDebugMsg:
        return false;
    case QtCriticalMsg:
    case QtFatalMsg:
        return true;
    case QtInfoMsg:
    case QtWarningMsg:
        break;
    }
    return std::strcmp(category, lcApp().categoryName()) == 0 ||
           std::strcmp(category, lcSerial().categoryName()) == 0;
}

// Sees that the lines left out are told within a second. The timer runs only while lines are
// being left out, on the application's thread, whichever thread refused the line.
void askForSummary() {
    QCoreApplication* const app = QCoreApplication::instance();
    if (!app) {
        // No event loop to tell it from: the count waits for a line refused later.
        const QMutexLocker lock(&state().mutex);
        state().summaryDue = false;
        return;
    }
    QMetaObject::invokeMethod(app, [app] { QTimer::singleShot(1000, app, writeSummaries); });
}

// Whether a refusal (`taken` false) is the first since the last summary, which then must be asked
// for. Called with the mutex held.
bool firstRefusal(bool taken) {
    if (taken || state().summaryDue)
        return false;
    state().summaryDue = true;
    return true;
}

bool mayWrite(QtMsgType type, const char* category) {
    if (neverLeftOut(type, category))
        return true;
    bool taken = false;
    bool ask = false;
    {
        const QMutexLocker lock(&state().mutex);
        taken = state().budget.take(category, type, LogBudget::Clock::now());
        ask = firstRefusal(taken);
    }
    if (ask)
        askForSummary();
    return taken;
}

// Moves the file's lines aside to torven.log.1, in place of an earlier one, and starts the file
// again. Where the file cannot be moved (another copy of the program has it open), it grows by
// another half before the next try. Called with the mutex held.
void moveFileAside(LogState& s) {
    const QString path = s.file->fileName();
    const QString older = path + QStringLiteral(".1");
    s.file->close();
    QFile::remove(older);
    QFile::rename(path, older);
    if (!s.file->open(QIODevice::WriteOnly | QIODevice::Append)) {
        delete s.file;
        s.file = nullptr;
        return;
    }
    s.fileSize = s.file->size();
    s.moveAsideAt = s.fileSize + s.fileLimit / 2;
}

// Writes one line to the file; false when there is no file to write to. Called with the mutex
// held.
bool writeToFile(LogState& s, const QByteArray& line) {
    if (s.file && s.fileSize > 0 && s.fileSize + line.size() > s.moveAsideAt)
        moveFileAside(s);
    if (!s.file)
        return false;
    // One write a line, flushed at once: what was written before a crash stays.
    s.file->write(line);
    s.file->flush();
    s.fileSize += line.size();
    return true;
}

void write(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    const QByteArray utf8 = text.toUtf8();
    const std::string_view bytes(utf8.constData(), static_cast<std::size_t>(utf8.size()));
    const QString line = needsEscapeForLog(bytes) ? toQString(escapedForLog(bytes)) : text;
    {
        const QMutexLocker lock(&state().mutex);
        if (state().file &&
            writeToFile(state(), qFormatLogMessage(type, context, line).toUtf8() + '\n'))
            return;
    }
    if (const QtMessageHandler next = passOnTo.load())
        next(type, context, line);
}

void handleMessage(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (mayWrite(type, context.category ? context.category : "default"))
        write(type, context, text);
}

void writeSummaries() {
    std::vector<LogBudget::LeftOut> leftOut;
    {
        const QMutexLocker lock(&state().mutex);
        leftOut = state().budget.takeLeftOut();
        state().summaryDue = false;
    }
    for (const LogBudget::LeftOut& each : leftOut)
        write(static_cast<QtMsgType>(each.level),
              QMessageLogContext(nullptr, 0, nullptr, each.category.c_str()),
              toQString(leftOutText(each.count)));
}

} // namespace

void startLog() {
    qSetMessagePattern(QString::fromLatin1(kLinePattern));
    if (const QtMessageHandler previous = qInstallMessageHandler(handleMessage);
        previous != handleMessage)
        passOnTo = previous;
}

void enableDebugLog() {
    QLoggingCategory::setFilterRules(QStringLiteral("torven.*=true"));
    startLog();
}

void enableEventLog() {
    QLoggingCategory::setFilterRules(QStringLiteral("torven.*.info=true"));
    startLog();
}

bool mayLogAbout(const QLoggingCategory& category, const QString& source) {
    const QtMsgType level = category.isDebugEnabled() ? QtDebugMsg : QtInfoMsg;
    bool taken = false;
    bool ask = false;
    {
        const QMutexLocker lock(&state().mutex);
        taken = state().budget.takeAbout(category.categoryName(), source.toStdString(), level,
                                         LogBudget::Clock::now());
        ask = firstRefusal(taken);
    }
    if (ask)
        askForSummary();
    return taken;
}

QString debugLogFilePath() {
    return QDir(userSettingsFolder()).filePath(QStringLiteral("torven.log"));
}

std::optional<QString> sendLogToFile(const QString& path, qint64 sizeLimit) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    auto file = std::make_unique<QFile>(path);
    if (!file->open(QIODevice::WriteOnly | QIODevice::Append))
        return file->errorString();
    {
        LogState& s = state();
        const QMutexLocker lock(&s.mutex);
        delete s.file;
        s.file = file.release();
        s.fileSize = s.file->size();
        s.fileLimit = sizeLimit;
        // A file left larger by earlier runs moves aside with the first line.
        s.moveAsideAt = sizeLimit / 2;
    }
    startLog();
    return std::nullopt;
}

void stopLogFile() {
    const QMutexLocker lock(&state().mutex);
    delete state().file;
    state().file = nullptr;
}

} // namespace torven
