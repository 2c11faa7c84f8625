#pragma once

#include <QString>

#include <string_view>

namespace torven {

// A text worded in the rules (UTF-8) as Qt shows it.
inline QString toQString(std::string_view utf8) {
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

} // namespace torven
