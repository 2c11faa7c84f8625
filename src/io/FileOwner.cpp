#include "FileOwner.h"

#include <QCoreApplication>
#include <QFile>

#ifndef Q_OS_WIN
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace torven {

#ifndef Q_OS_WIN

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

std::optional<QString> foreignOwner(const QString&) {
    return std::nullopt;
}

#endif

} // namespace torven
