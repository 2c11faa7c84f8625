#include "DistrustNotice.h"

namespace torven {

std::string distrustNoticeText(const std::vector<ForeignEntry>& entries) {
    if (entries.empty())
        return {};
    std::string list;
    for (const ForeignEntry& entry : entries) {
        if (!list.empty())
            list += "; ";
        list += entry.shown + " (владелец — " + entry.owner + ")";
    }
    return "Не используются, потому что принадлежат другому пользователю: " + list +
           ". Чужой файл мог бы подменить порт или устройство. Удалите эти файлы (или попросите "
           "владельца); свой comm.set запишет OK в «Настр.» → «Коммуникация», свою ссылку comN "
           "создайте командой ln -s.";
}

} // namespace torven
