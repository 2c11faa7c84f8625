#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

namespace torven {

// True when `path` names an ordinary file: not a folder, and not a hidden or system file. A link
// counts as what it points at; a dangling link counts as absent.
bool fileExists(const QString& path);

// The folder that holds the running executable.
QString programFolder();

// The per-user folder for this program's settings (for copies installed in a system folder).
QString userSettingsFolder();

// True when the running executable was installed in a folder of programs shared by every user
// (/usr/bin and the like, or `installFolder`, where this build installs to), as opposed to a
// copy in a folder of its own such as a build tree. On Windows, true when the installer put it
// there, whichever folder that was: it leaves the file torven.installed beside it.
bool runsFromSystemFolder(const QString& installFolder);

// The first `limit` bytes of a file, and whether that is all of it. Empty when it cannot be read.
struct FileHead {
    QByteArray bytes;
    bool complete = false;
};
std::optional<FileHead> readFileHead(const QString& path, qint64 limit);

// What replacing the file at `path` would meet. A save and the choice of where the port settings
// file lives ask the same question, so that the start reads the file a save writes.
enum class ReplaceAccess {
    Allowed,      // the file, or its folder when the file is absent, may be written
    NotPermitted, // this user may not write there: a read-only file, folder or file system
    Refused,      // something other than a regular file (a link, a folder, a device) has the name
};
ReplaceAccess checkReplace(const QString& path);

struct ReplaceResult {
    ReplaceAccess outcome = ReplaceAccess::Allowed; // Allowed: the new content is in place
    QString why;                                    // for a person, in Russian; empty on success
};

// Replaces the file's content whole: the new content is written to a fresh file beside it, flushed
// to the disk and then renamed over it, so a crash or a full disk leaves either the old file or
// the new one, never a broken one. Nothing is ever written through a link or onto anything but a
// regular file. A failure to write, flush or rename leaves the old file as it was.
ReplaceResult writeWholeFile(const QString& path, const QByteArray& content);

// The name of the user that the entry at `path` (a link itself, not what it points at) belongs
// to, when that is someone this program must not take settings from: neither the current user, nor
// root, nor the owner of the running executable. Empty when it belongs to one of those, when there
// is no such entry, and always on Windows, which has no such check.
std::optional<QString> foreignOwner(const QString& path);

} // namespace torven
