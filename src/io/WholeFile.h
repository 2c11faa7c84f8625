#pragma once

#include "SaveFault.h"

#include <QByteArray>
#include <QString>

#include <optional>

namespace torven {

// True when `path` names an ordinary file: not a folder, and not a hidden or system file. A link
// counts as what it points at; a dangling link counts as absent.
bool fileExists(const QString& path);

// The first `limit` bytes of a file, and whether that is all of it. Empty when it cannot be read.
struct FileHead {
    QByteArray bytes;
    bool complete = false;
};
std::optional<FileHead> readFileHead(const QString& path, qint64 limit);

// Whether the file at `path` may be replaced, asked before writing anything. A save and the choice
// of where the port settings file lives ask the same question, so that the start reads the file
// a save writes.
enum class ReplaceAccess {
    Allowed,         // the file, or its folder when the file is absent, may be written
    NotPermitted,    // this user may not write there: a read-only file, folder or file system
    NotARegularFile, // something other than a regular file (a link, a folder, a device) has the
                     // name
};
ReplaceAccess checkReplace(const QString& path);

// Replaces the file's content whole: the new content is written to a fresh file beside it, flushed
// to the disk and then renamed over it, so a crash or a full disk leaves either the old file or
// the new one, never a broken one. Nothing is ever written through a link or onto anything but a
// regular file. A failure to write, flush or rename leaves the old file as it was.
//
// Nothing when the new content is in place; else what stopped it: the fault's kind tells a place
// this user may not write (NoWriteAccess) and a name taken by something else (NotARegularFile),
// both found before anything is written, from a write that failed (DiskFull, InputOutput,
// WriteFailed).
std::optional<SaveFault> writeWholeFile(const QString& path, const QByteArray& content);

} // namespace torven
