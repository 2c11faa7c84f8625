#include "WholeFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#ifdef Q_OS_WIN
#include <windows.h>
#else
#include <cerrno>
#include <cstring>
#include <fcntl.h>
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

// A fault about the file at `path`, named as the system writes it.
SaveFault faultAt(SaveFault::Kind kind, const QString& path, const QString& systemWords = {}) {
    return {kind, QDir::toNativeSeparators(path).toStdString(), systemWords.toStdString()};
}

SaveFault notARegularFile(const QString& path) {
    return faultAt(SaveFault::Kind::NotARegularFile, path);
}

SaveFault noWriteAccess(const QString& path) {
    return faultAt(SaveFault::Kind::NoWriteAccess, path);
}

#ifndef Q_OS_WIN

// Failures that mean this user may not write there, as opposed to a write that went wrong.
bool isNotPermitted(int error) {
    return error == EACCES || error == EPERM || error == EROFS;
}

SaveFault writeFailure(const QString& path, int error) {
    SaveFault::Kind kind = SaveFault::Kind::WriteFailed;
    if (error == ENOSPC || error == EDQUOT)
        kind = SaveFault::Kind::DiskFull;
    else if (error == EIO)
        kind = SaveFault::Kind::InputOutput;
    return faultAt(kind, path, QString::fromLocal8Bit(std::strerror(error)));
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
std::optional<SaveFault> refusalOf(const QString& path) {
    switch (checkReplace(path)) {
    case ReplaceAccess::NotPermitted:
        return noWriteAccess(path);
    case ReplaceAccess::NotARegularFile:
        return notARegularFile(path);
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
        return ReplaceAccess::NotARegularFile;
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

// Written by hand rather than with QSaveFile, which here would keep less: it writes through a link
// to its target, drops the set-user, set-group and sticky bits of the mode, goes on to the rename
// when flushing to the disk fails, and leaves the folder unsynced after the rename.
std::optional<SaveFault> writeWholeFile(const QString& path, const QByteArray& content) {
    if (auto refusal = refusalOf(path))
        return refusal;
    QDir().mkpath(QFileInfo(path).absolutePath());
    const QByteArray file = QFile::encodeName(path);
    // A fresh name of our own, created exclusively: nothing planted there can be followed.
    QByteArray temporary = file + ".XXXXXX";
    const int fd = mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0) {
        const int error = errno;
        if (isNotPermitted(error))
            return noWriteAccess(path);
        return writeFailure(path, error);
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
        return writeFailure(path, error);
    }
    // Something may have taken the name meanwhile. The rename would replace a link rather than
    // follow it, but what stands there now is not ours to replace either.
    if (checkReplace(path) == ReplaceAccess::NotARegularFile) {
        unlink(temporary.constData());
        return notARegularFile(path);
    }
    if (rename(temporary.constData(), file.constData()) != 0) {
        error = errno;
        unlink(temporary.constData());
        if (isNotPermitted(error))
            return noWriteAccess(path);
        return writeFailure(path, error);
    }
    // The rename itself reaches the disk with the folder.
    const QByteArray folder = QFile::encodeName(QFileInfo(path).absolutePath());
    if (const int dir = open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC); dir >= 0) {
        fsync(dir);
        ::close(dir);
    }
    return {};
}

#else

ReplaceAccess checkReplace(const QString& path) {
    const QFileInfo info(path);
    if (info.isSymbolicLink() || info.isJunction() || info.isShortcut())
        return ReplaceAccess::NotARegularFile;
    if (!info.exists())
        return ReplaceAccess::Allowed;
    if (!info.isFile())
        return ReplaceAccess::NotARegularFile;
    return info.isWritable() ? ReplaceAccess::Allowed : ReplaceAccess::NotPermitted;
}

std::optional<SaveFault> writeWholeFile(const QString& path, const QByteArray& content) {
    if (auto refusal = refusalOf(path))
        return refusal;
    QDir().mkpath(QFileInfo(path).absolutePath());
    QSaveFile file(path);
    // A file that cannot even be started there is a place this user may not write.
    if (!file.open(QIODevice::WriteOnly))
        return noWriteAccess(path);
    const auto failed = [&path](const QString& why) {
        return faultAt(SaveFault::Kind::WriteFailed, path, why);
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

#endif

} // namespace torven
