#include "PortSettingsFile.h"

#include "link/CommSetFormat.h"
#include "platform/FileServices.h"

#include <QDir>

namespace torven {

PortSettingsFile::PortSettingsFile(QString programFolder, QString userFolder)
    : m_programFolder(std::move(programFolder)), m_userFolder(std::move(userFolder)) {}

PortSettingsFile PortSettingsFile::ForThisProgram() {
    return PortSettingsFile(ProgramFolder(), UserSettingsFolder());
}

QString PortSettingsFile::PathIn(const QString& folder) {
    return QDir(folder).filePath(QStringLiteral("comm.set"));
}

std::optional<std::int16_t> PortSettingsFile::Load() const {
    for (const QString& folder : Folders()) {
        if (folder.isEmpty())
            continue;
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
    QString why = ReplaceFile(PathIn(m_programFolder), bytes);
    if (why.isEmpty() || m_userFolder.isEmpty())
        return why;
    // The program's folder is not writable (an installed copy): keep the file per user.
    const QString fallback = ReplaceFile(PathIn(m_userFolder), bytes);
    return fallback.isEmpty() ? QString() : why + QStringLiteral("; ") + fallback;
}

} // namespace torven
