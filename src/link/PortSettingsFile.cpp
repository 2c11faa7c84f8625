#include "PortSettingsFile.h"

#include "link/CommSetFormat.h"
#include "platform/FileServices.h"

#include <QDir>

namespace torven {

PortSettingsFile::PortSettingsFile(QString programFolder, QString userFolder)
    : m_programFolder(std::move(programFolder)), m_userFolder(std::move(userFolder)) {}

PortSettingsFile PortSettingsFile::ForThisProgram(const QString& installFolder) {
    if (RunsFromSystemFolder(installFolder))
        return PortSettingsFile(QString(), UserSettingsFolder());
    return PortSettingsFile(ProgramFolder(), UserSettingsFolder());
}

QStringList PortSettingsFile::Folders() const {
    QStringList folders{m_programFolder, m_userFolder};
    // An empty name would mean the current folder, which is nobody's choice.
    folders.removeAll(QString());
    return folders;
}

QString PortSettingsFile::PathIn(const QString& folder) {
    return QDir(folder).filePath(QStringLiteral("comm.set"));
}

std::optional<std::int16_t> PortSettingsFile::Load() const {
    for (const QString& folder : Folders()) {
        const QString path = PathIn(folder);
        if (!FileExist(path))
            continue;
        const auto head = ReadFileHead(path, static_cast<qint64>(kCommSetReadLimit));
        if (!head)
            return std::nullopt;
        return StoredPortNumber(
            std::string_view(head->bytes.constData(), static_cast<std::size_t>(head->bytes.size())),
            head->complete);
    }
    return std::nullopt;
}

QString PortSettingsFile::Save(const QString& portText) const {
    const std::string content = CommSetContent(portText.toLatin1().toStdString());
    const QByteArray bytes(content.data(), static_cast<qsizetype>(content.size()));
    const QStringList folders = Folders();
    QStringList whys;
    // Beside the program when it can be written there, else in the per-user folder.
    for (const QString& folder : folders) {
        const QString why = WriteWholeFile(PathIn(folder), bytes);
        if (why.isEmpty())
            return {};
        whys << why;
    }
    return folders.isEmpty() ? QStringLiteral("no folder to keep comm.set in")
                             : whys.join(QStringLiteral("; "));
}

} // namespace torven
