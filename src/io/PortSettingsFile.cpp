#include "PortSettingsFile.h"

#include "DistrustNotice.h"
#include "FileOwner.h"
#include "Logging.h"
#include "PortSettingsFormat.h"
#include "ProgramFolders.h"
#include "SaveFault.h"
#include "Utf8.h"
#include "WholeFile.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

namespace torven {

PortSettingsFile::PortSettingsFile(QString programFolder, QString userFolder)
    : m_programFolder(std::move(programFolder)), m_userFolder(std::move(userFolder)) {}

PortSettingsFile PortSettingsFile::forThisProgram(const QString& installFolder) {
    if (runsFromSystemFolder(installFolder))
        return PortSettingsFile(QString(), userSettingsFolder());
    return PortSettingsFile(programFolder(), userSettingsFolder());
}

QStringList PortSettingsFile::folders() const {
    QStringList folders{m_programFolder, m_userFolder};
    // An empty name would mean the current folder, which is nobody's choice.
    folders.removeAll(QString());
    return folders;
}

QString PortSettingsFile::pathIn(const QString& folder) {
    return QDir(folder).filePath(QStringLiteral("comm.set"));
}

namespace {

// The owner of a comm.set that must not be trusted: of the entry itself or, for a link, of the
// file it points at, since that is what would be read. (A comN link is judged by its own owner
// alone: what it points at is a device, which may well be someone else's.)
std::optional<QString> distrusted(const QString& path) {
    if (auto owner = foreignOwner(path))
        return owner;
    const QFileInfo entry(path);
    if (entry.isSymLink() && entry.exists())
        return foreignOwner(entry.canonicalFilePath());
    return std::nullopt;
}

} // namespace

QStringList PortSettingsFile::fileFolders() const {
    if (m_programFolder.isEmpty() || m_userFolder.isEmpty())
        return folders();
    const QString beside = pathIn(m_programFolder);
    if (!distrusted(beside) && checkReplace(beside) != ReplaceAccess::NotPermitted)
        return {m_programFolder, m_userFolder};
    return {m_userFolder, m_programFolder};
}

std::optional<std::int16_t> PortSettingsFile::load() const {
    for (const QString& folder : fileFolders()) {
        const QString path = pathIn(folder);
        if (!fileExists(path)) {
            qCDebug(lcSettings) << "no" << path;
            continue;
        }
        if (const auto owner = distrusted(path)) {
            qCDebug(lcSettings) << "passed over" << path << "of another user:" << *owner;
            continue;
        }
        const auto head = readFileHead(path, static_cast<qint64>(kPortSettingsReadLimit));
        if (!head) {
            qCDebug(lcSettings) << "could not read" << path;
            return std::nullopt;
        }
        const auto port = storedPortNumber(
            std::string_view(head->bytes.constData(), static_cast<std::size_t>(head->bytes.size())),
            head->complete);
        if (port)
            qCDebug(lcSettings) << "read" << path << ": port" << *port;
        else
            qCDebug(lcSettings) << "read" << path << ": no port number in" << head->bytes
                                << (head->complete ? "" : "(cut short)");
        return port;
    }
    return std::nullopt;
}

std::optional<SaveFault> PortSettingsFile::save(const QString& portText) const {
    const QByteArray text = portText.toLatin1();
    if (portTextTooLong(static_cast<std::size_t>(text.size()))) {
        qCDebug(lcSettings) << "not saved: a port text of" << text.size() << "characters";
        return SaveFault{SaveFault::Kind::TextTooLong, {}, {}};
    }
    const std::string content = portSettingsContent(text.toStdString());
    const QByteArray bytes(content.data(), static_cast<qsizetype>(content.size()));
    const QStringList folders = fileFolders();
    if (folders.isEmpty()) {
        qCDebug(lcSettings) << "not saved: no folder for comm.set";
        return SaveFault{SaveFault::Kind::NoFolder, {}, {}};
    }
    QString path = pathIn(folders.front());
    std::optional<SaveFault> fault = writeWholeFile(path, bytes);
    // Only a place this user may not write sends the file on; a full disk, an I/O error or a link
    // in the way is reported instead, so that the port is never quietly kept somewhere the next
    // start would not look first.
    if (fault && fault->kind == SaveFault::Kind::NoWriteAccess &&
        folders.front() == m_programFolder && !m_userFolder.isEmpty()) {
        qCDebug(lcSettings) << "may not write" << path << ", so to the per-user folder";
        path = pathIn(m_userFolder);
        fault = writeWholeFile(path, bytes);
    }
    if (!fault) {
        qCDebug(lcSettings) << "saved" << portText << "in" << path;
        return std::nullopt;
    }
    qCDebug(lcSettings) << "not saved" << portText << ":" << toQString(saveFaultText(*fault));
    return fault;
}

QString PortSettingsFile::distrustNotice() const {
    static const QRegularExpression settingsName(QStringLiteral("^(comm\\.set|com-?[0-9]+)$"));
    std::vector<ForeignEntry> found;
    for (const QString& folder : folders()) {
        const QDir dir(folder);
        const QStringList names =
            dir.entryList(QDir::AllEntries | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot);
        for (const QString& name : names) {
            if (!settingsName.match(name).hasMatch())
                continue;
            const QString path = dir.filePath(name);
            const auto owner =
                name == QStringLiteral("comm.set") ? distrusted(path) : foreignOwner(path);
            if (!owner)
                continue;
            // A link of this user's own is named with what it points at, whose owner that is.
            const QFileInfo entry(path);
            const QString shown = entry.isSymLink() && !foreignOwner(path)
                                      ? path + QStringLiteral(" → ") + entry.canonicalFilePath()
                                      : path;
            found.push_back({QDir::toNativeSeparators(shown).toStdString(), owner->toStdString()});
        }
    }
    return toQString(distrustNoticeText(found));
}

} // namespace torven
