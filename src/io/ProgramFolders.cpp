#include "ProgramFolders.h"

#include "WholeFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace torven {

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

} // namespace torven
