#pragma once

#include "SaveFault.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>

namespace torven {

// The file comm.set, which keeps the port number between runs, and the folders where it and the
// comN links that name devices are looked for: beside the executable and per user. An empty
// folder name means none.
class PortSettingsFile {
public:
    PortSettingsFile(QString programFolder, QString userFolder);

    // The folders of the running program. A copy installed in a system folder shared by every
    // user (`installFolder` or the like) keeps its file per user only: even root, who could write
    // there, must not leave a file beside it that would then override every user's own.
    static PortSettingsFile forThisProgram(const QString& installFolder);

    // Where the comN links are looked for, in order: beside the program, then per user.
    QStringList folders() const;

    // Where comm.set is kept. A save writes it in the first folder; a start reads the first file
    // present in this order, so it reads what the latest save wrote. Beside the program comes
    // first unless this user may not replace the file there (a read-only file or folder, such as
    // a copy in /opt that root set up once) or it belongs to someone else: then the per-user file
    // comes first, and overrides the one beside the program once the user has stored a port.
    QStringList fileFolders() const;

    // The stored port number. Empty when there is no file, or its first line is not a port
    // number. A file that belongs to another user is passed over as if absent.
    std::optional<std::int16_t> load() const;

    // Stores `portText` exactly as typed, then CR LF, replacing the whole file. Returns nothing on
    // success, else why it could not be stored. A text too long for a start to read back whole
    // is not stored. Only a place this user may not write sends the file on to the per-user
    // folder; any other failure stores nothing anywhere.
    std::optional<SaveFault> save(const QString& portText) const;

    // Why some of the files named comm.set or comN in the folders are not used: they belong to
    // other users. Empty when there are none.
    QString distrustNotice() const;

    static QString pathIn(const QString& folder);

private:
    QString m_programFolder;
    QString m_userFolder;
};

} // namespace torven
