#include "Logging.h"

#include "ProgramFolders.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMutex>

#include <cstdlib>
#include <memory>

namespace torven {

// Warnings and worse pass by default; debug messages wait for a rule that turns them on.
Q_LOGGING_CATEGORY(lcSerial, "torven.serial", QtWarningMsg)
Q_LOGGING_CATEGORY(lcReception, "torven.reception", QtWarningMsg)
Q_LOGGING_CATEGORY(lcSettings, "torven.settings", QtWarningMsg)
Q_LOGGING_CATEGORY(lcRotctld, "torven.rotctld", QtWarningMsg)
Q_LOGGING_CATEGORY(lcApp, "torven.app", QtWarningMsg)

void enableDebugLog() {
    QLoggingCategory::setFilterRules(QStringLiteral("torven.*=true"));
}

void enableEventLog() {
    QLoggingCategory::setFilterRules(QStringLiteral("torven.*.info=true"));
}

bool mayLogAbout([[maybe_unused]] const QLoggingCategory& category,
                 [[maybe_unused]] const QString& source) {
    return true;
}

QString debugLogFilePath() {
    return QDir(userSettingsFolder()).filePath(QStringLiteral("torven.log"));
}

namespace {

// The log file once sendLogToFile has opened it; it lives until the program ends, so that
// messages written while static objects go still find it.
QFile* logFile = nullptr;

QMutex& logMutex() {
    static QMutex mutex;
    return mutex;
}

const char* levelOf(QtMsgType type) {
    switch (type) {
    case QtDebugMsg:
        return "debug";
    case QtInfoMsg:
        return "info";
    case QtWarningMsg:
        return "warning";
    case QtCriticalMsg:
        return "critical";
    case QtFatalMsg:
        return "fatal";
    }
    return "";
}

void writeToLogFile(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    const QByteArray line =
        QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd hh:mm:ss.zzz ")).toUtf8() +
        (context.category ? context.category : "default") + ' ' + levelOf(type) + ": " +
        text.toUtf8() + '\n';
    {
        const QMutexLocker lock(&logMutex());
        // One write a line, flushed at once: what was written before a crash stays.
        logFile->write(line);
        logFile->flush();
    }
    if (type == QtFatalMsg)
        std::abort();
}

} // namespace

std::optional<QString> sendLogToFile(const QString& path) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    auto file = std::make_unique<QFile>(path);
    if (!file->open(QIODevice::WriteOnly | QIODevice::Append))
        return file->errorString();
    {
        const QMutexLocker lock(&logMutex());
        delete logFile;
        logFile = file.release();
    }
    qInstallMessageHandler(writeToLogFile);
    return std::nullopt;
}

} // namespace torven
