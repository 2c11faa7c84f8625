#include "FileServices.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

#ifdef Q_OS_WIN
#include <windows.h>
#endif

namespace torven {

bool FileExist(const QString& path) {
    const QFileInfo info(path);
    if (!info.isFile() || info.isHidden())
        return false;
#ifdef Q_OS_WIN
    const DWORD attributes = GetFileAttributesW(reinterpret_cast<LPCWSTR>(path.utf16()));
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_SYSTEM))
        return false;
#endif
    return true;
}

QString ProgramFolder() {
    return QCoreApplication::applicationDirPath();
}

QString UserSettingsFolder() {
    return QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
}

bool RunsFromSystemFolder([[maybe_unused]] const QString& installFolder) {
#ifdef Q_OS_WIN
    // The installer leaves a mark beside the program, wherever the user had it go; a copy
    // unzipped into a folder of its own has none.
    return FileExist(QDir(ProgramFolder()).filePath(QStringLiteral("torven.installed")));
#else
    const QString here = QFileInfo(ProgramFolder()).canonicalFilePath();
    const QStringList systemFolders{installFolder, QStringLiteral("/usr/bin"),
                                    QStringLiteral("/usr/local/bin"), QStringLiteral("/bin")};
    for (const QString& folder : systemFolders) {
        const QString canonical = QFileInfo(folder).canonicalFilePath();
        if (!canonical.isEmpty() && canonical == here)
            return true;
    }
    return false;
#endif
}

std::optional<FileHead> ReadFileHead(const QString& path, qint64 limit) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    FileHead head;
    head.bytes = file.read(limit);
    // One byte more tells a file of exactly `limit` bytes from a longer one.
    head.complete = head.bytes.size() < limit || file.read(1).isEmpty();
    return head;
}

QString WriteWholeFile(const QString& path, const QByteArray& content) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return file.errorString();
    if (file.write(content) != content.size()) {
        const QString why = file.errorString();
        file.cancelWriting();
        return why;
    }
    if (!file.commit())
        return file.errorString();
    return {};
}

} // namespace torven
