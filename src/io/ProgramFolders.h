#pragma once

#include <QString>

namespace torven {

// The folder that holds the running executable.
QString programFolder();

// The per-user folder for this program's settings (for copies installed in a system folder).
QString userSettingsFolder();

// True when the running executable was installed in a folder of programs shared by every user
// (/usr/bin and the like, or `installFolder`, where this build installs to), as opposed to a
// copy in a folder of its own such as a build tree. On Windows, true when the installer put it
// there, whichever folder that was: it leaves the file torven.installed beside it.
bool runsFromSystemFolder(const QString& installFolder);

} // namespace torven
