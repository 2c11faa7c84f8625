#pragma once

#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>

namespace torven {

// The file comm.set, which keeps the port number between runs. It lives beside the executable;
// where that folder cannot be written it lives in the per-user settings folder instead. Reading
// looks beside the executable first. An empty folder name means none.
class PortSettingsFile {
public:
    PortSettingsFile(QString programFolder, QString userFolder);

    // The folders of the running program. A copy installed in a system folder shared by every
    // user (`installFolder` or the like) keeps its file per user only: even root, who could write
    // there, must not leave a file beside it that would then override every user's own.
    static PortSettingsFile ForThisProgram(const QString& installFolder);

    // Where the file (and the comN links that name devices) are looked for, in order.
    QStringList Folders() const;

    // The stored port number. Empty when there is no file, or its first line is not a port number.
    std::optional<std::int16_t> Load() const;

    // Stores `portText` exactly as typed, then CR LF, replacing the whole file. Returns an empty
    // string on success, else why it could not be stored.
    QString Save(const QString& portText) const;

    static QString PathIn(const QString& folder);

private:
    QString m_programFolder;
    QString m_userFolder;
};

} // namespace torven
