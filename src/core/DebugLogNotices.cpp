#include "DebugLogNotices.h"

namespace torven {

std::string debugLogNotice(std::string_view path) {
    return "Журнал отладки (--debug) записывается в файл:\n" + std::string(path);
}

std::string debugLogFailedNotice(std::string_view path, std::string_view systemWords) {
    return "Журнал отладки (--debug) не удалось открыть: " + std::string(path) + " (" +
           std::string(systemWords) + ").\n\ntorven работает дальше без журнала.";
}

} // namespace torven
