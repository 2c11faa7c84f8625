#include "FileServices.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

#ifdef Q_OS_WIN
#include <windows.h>
#else
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace torven {

bool fileExists(const QString& path) {
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

QString programFolder() {
    return QCoreApplication::applicationDirPath();
}

QString userSettingsFolder() {
    return QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
}

bool runsFromSystemFolder([[maybe_unused]] const QString& installFolder) {
#ifdef Q_OS_WIN
    // The installer leaves a mark beside the program, wherever the user had it go; a copy
    // unzipped into a folder of its own has none.
    return fileExists(QDir(programFolder()).filePath(QStringLiteral("torven.installed")));
#else
    const QString here = QFileInfo(programFolder()).canonicalFilePath();
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

std::optional<FileHead> readFileHead(const QString& path, qint64 limit) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    FileHead head;
    head.bytes = file.read(limit);
    // One byte more tells a file of exactly `limit` bytes from a longer one.
    head.complete = head.bytes.size() < limit || file.read(1).isEmpty();
    return head;
}

namespace {

QString notARegularFile(const QString& path) {
    return QStringLiteral(
               "%1 — не обычный файл, а ссылка, папка или устройство, и номер через него "
               "не записывается. Удалите %1 и нажмите OK ещё раз.")
        .arg(QDir::toNativeSeparators(path));
}

QString noWriteAccess(const QString& path) {
    return QStringLiteral("нет права записи в %1.").arg(QDir::toNativeSeparators(path));
}

#ifndef Q_OS_WIN

// Failures that mean this user may not write there, as opposed to a write that went wrong.
bool isNotPermitted(int error) {
    return error == EACCES || error == EPERM || error == EROFS;
}

QString writeFailure(const QString& path, int error) {
    QString what;
    switch (error) {
    case ENOSPC:
    case EDQUOT:
        what = QStringLiteral("на диске нет места");
        break;
    case EIO:
        what = QStringLiteral("ошибка ввода-вывода");
        break;
    default:
        what = QStringLiteral("ошибка записи");
        break;
    }
    return QStringLiteral("не удалось записать %1: %2; прежний файл не изменён (%3).")
        .arg(QDir::toNativeSeparators(path), what, QString::fromLocal8Bit(std::strerror(error)));
}

// Whether the effective user (not the real one, as plain access() would ask) may use `path` so.
bool mayAccess(const QByteArray& path, int mode) {
    return faccessat(AT_FDCWD, path.constData(), mode, AT_EACCESS) == 0;
}

// 0, or the error that stopped the write. Goes on after a signal or a short write.
int writeAll(int fd, const QByteArray& content) {
    const char* next = content.constData();
    qsizetype left = content.size();
    while (left > 0) {
        const ssize_t written = ::write(fd, next, static_cast<std::size_t>(left));
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        next += written;
        left -= written;
    }
    return 0;
}

// The permissions a new file gets: those of the file it replaces, else what creating one gives.
mode_t newFileMode(const QByteArray& path) {
    struct stat old {};
    if (lstat(path.constData(), &old) == 0)
        return old.st_mode & 07777;
    const mode_t mask = umask(0);
    umask(mask);
    return 0666 & ~mask;
}

#endif

// Why a save to `path` must not even start, or nothing when it may.
std::optional<ReplaceResult> refusalOf(const QString& path) {
    switch (checkReplace(path)) {
    case ReplaceAccess::NotPermitted:
        return ReplaceResult{ReplaceAccess::NotPermitted, noWriteAccess(path)};
    case ReplaceAccess::Refused:
        return ReplaceResult{ReplaceAccess::Refused, notARegularFile(path)};
    case ReplaceAccess::Allowed:
        break;
    }
    return std::nullopt;
}

} // namespace

#ifndef Q_OS_WIN

ReplaceAccess checkReplace(const QString& path) {
    const QByteArray file = QFile::encodeName(path);
    const QByteArray folder = QFile::encodeName(QFileInfo(path).absolutePath());
    struct stat entry {};
    if (lstat(file.constData(), &entry) != 0) {
        if (errno != ENOENT)
            return ReplaceAccess::NotPermitted; // the folder cannot even be searched
        struct stat dir {};
        if (stat(folder.constData(), &dir) != 0)
            return errno == ENOENT ? ReplaceAccess::Allowed // made by the save
                                   : ReplaceAccess::NotPermitted;
        return mayAccess(folder, W_OK | X_OK) ? ReplaceAccess::Allowed
                                              : ReplaceAccess::NotPermitted;
    }
    if (!S_ISREG(entry.st_mode))
        return ReplaceAccess::Refused;
    // The file is replaced by renaming a new one over it, which needs the folder; a read-only file
    // is still one its owner meant to keep.
    if (!mayAccess(file, W_OK) || !mayAccess(folder, W_OK | X_OK))
        return ReplaceAccess::NotPermitted;
    // In a folder with the sticky bit (like /tmp) only the owner of a file or of the folder may
    // rename over it.
    struct stat dir {};
    const uid_t me = geteuid();
    if (stat(folder.constData(), &dir) == 0 && (dir.st_mode & S_ISVTX) && me != 0 &&
        entry.st_uid != me && dir.st_uid != me)
        return ReplaceAccess::NotPermitted;
    return ReplaceAccess::Allowed;
}

ReplaceResult writeWholeFile(const QString& path, const QByteArray& content) {
    if (auto refusal = refusalOf(path))
        return *refusal;
    QDir().mkpath(QFileInfo(path).absolutePath());
    const QByteArray file = QFile::encodeName(path);
    // A fresh name of our own, created exclusively: nothing planted there can be followed.
    QByteArray temporary = file + ".XXXXXX";
    const int fd = mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0) {
        const int error = errno;
        if (isNotPermitted(error))
            return {ReplaceAccess::NotPermitted, noWriteAccess(path)};
        return {ReplaceAccess::Refused, writeFailure(path, error)};
    }
    int error = fchmod(fd, newFileMode(file)) == 0 ? 0 : errno;
    if (error == 0)
        error = writeAll(fd, content);
    // A full disk can show only when the data reaches it: flush before the old file goes.
    if (error == 0 && fsync(fd) != 0)
        error = errno;
    if (::close(fd) != 0 && error == 0)
        error = errno;
    if (error != 0) {
        unlink(temporary.constData());
        return {ReplaceAccess::Refused, writeFailure(path, error)};
    }
    // Something may have taken the name meanwhile. The rename would replace a link rather than
    // follow it, but what stands there now is not ours to replace either.
    if (checkReplace(path) == ReplaceAccess::Refused) {
        unlink(temporary.constData());
        return {ReplaceAccess::Refused, notARegularFile(path)};
    }
    if (rename(temporary.constData(), file.constData()) != 0) {
        error = errno;
        unlink(temporary.constData());
        if (isNotPermitted(error))
            return {ReplaceAccess::NotPermitted, noWriteAccess(path)};
        return {ReplaceAccess::Refused, writeFailure(path, error)};
    }
    // The rename itself reaches the disk with the folder.
    const QByteArray folder = QFile::encodeName(QFileInfo(path).absolutePath());
    if (const int dir = open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC); dir >= 0) {
        fsync(dir);
        ::close(dir);
    }
    return {};
}

std::optional<QString> foreignOwner(const QString& path) {
    struct stat entry {};
    if (lstat(QFile::encodeName(path).constData(), &entry) != 0)
        return std::nullopt;
    const uid_t owner = entry.st_uid;
    if (owner == geteuid() || owner == 0)
        return std::nullopt;
    struct stat program {};
    if (stat(QFile::encodeName(QCoreApplication::applicationFilePath()).constData(), &program) ==
            0 &&
        program.st_uid == owner)
        return std::nullopt;
    if (const passwd* user = getpwuid(owner))
        return QString::fromLocal8Bit(user->pw_name);
    return QString::number(owner);
}

#else

ReplaceAccess checkReplace(const QString& path) {
    const QFileInfo info(path);
    if (info.isSymbolicLink() || info.isJunction() || info.isShortcut())
        return ReplaceAccess::Refused;
    if (!info.exists())
        return ReplaceAccess::Allowed;
    if (!info.isFile())
        return ReplaceAccess::Refused;
    return info.isWritable() ? ReplaceAccess::Allowed : ReplaceAccess::NotPermitted;
}

ReplaceResult writeWholeFile(const QString& path, const QByteArray& content) {
    if (auto refusal = refusalOf(path))
        return *refusal;
    QDir().mkpath(QFileInfo(path).absolutePath());
    QSaveFile file(path);
    // A file that cannot even be started there is a place this user may not write.
    if (!file.open(QIODevice::WriteOnly))
        return {ReplaceAccess::NotPermitted, noWriteAccess(path)};
    const auto failed = [&path](const QString& why) {
        return ReplaceResult{ReplaceAccess::Refused,
                             QStringLiteral("не удалось записать %1; прежний файл не изменён (%2).")
                                 .arg(QDir::toNativeSeparators(path), why)};
    };
    if (file.write(content) != content.size() || !file.flush()) {
        const QString why = file.errorString();
        file.cancelWriting();
        return failed(why);
    }
    if (!file.commit())
        return failed(file.errorString());
    return {};
}

std::optional<QString> foreignOwner(const QString&) {
    return std::nullopt;
}

#endif

} // namespace torven
