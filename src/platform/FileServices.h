#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

namespace torven {

// True when `path` names an ordinary file: not a folder, and not a hidden or system file. A link
// counts as what it points at; a dangling link counts as absent.
bool FileExist(const QString& path);

// The folder that holds the running executable.
QString ProgramFolder();

// The per-user folder for this program's settings (for copies installed in a system folder).
QString UserSettingsFolder();

// True when the running executable was installed in a folder of programs shared by every user
// (/usr/bin and the like, or `installFolder`, where this build installs to), as opposed to a
// copy in a folder of its own such as a build tree. On Windows, true when the installer put it
// there, whichever folder that was: it leaves the file torven.installed beside it.
bool RunsFromSystemFolder(const QString& installFolder);

// The first `limit` bytes of a file, and whether that is all of it. Empty when it cannot be read.
struct FileHead {
    QByteArray bytes;
    bool complete = false;
};
std::optional<FileHead> ReadFileHead(const QString& path, qint64 limit);

// Replaces the file's content whole: the new content is written beside it and then renamed over
// it, so a crash or a full disk leaves either the old file or the new one, never a broken one.
// Returns an empty string on success, else why it failed.
QString WriteWholeFile(const QString& path, const QByteArray& content);

} // namespace torven
