#pragma once

#include <QString>

#include <optional>

namespace torven {

// The name of the user that the entry at `path` (a link itself, not what it points at) belongs
// to, when that is someone this program must not take settings from: neither the current user, nor
// root, nor the owner of the running executable. Empty when it belongs to one of those, when there
// is no such entry, and always on Windows, which has no such check.
std::optional<QString> foreignOwner(const QString& path);

} // namespace torven
