#include "SaveFault.h"

#include "PortSettingsFormat.h"

namespace torven {

namespace {

// A failure to write leaves the old file: the new content went to a file of its own.
std::string writeFailure(const SaveFault& f, const std::string& what) {
    return "не удалось записать " + f.path + ": " + what + "; прежний файл не изменён (" +
           f.systemWords + ").";
}

} // namespace

std::string saveFaultText(const SaveFault& f) {
    using Kind = SaveFault::Kind;
    switch (f.kind) {
    case Kind::TextTooLong:
        return "текст номера длиннее " + std::to_string(kLongestPortText) +
               " знаков, и следующий запуск не прочёл бы его целиком. Уберите лишние нули и "
               "пробелы.";
    case Kind::NoFolder:
        return "нет папки для файла comm.set.";
    case Kind::NotARegularFile:
        return f.path + " — не обычный файл, а ссылка, папка или устройство, и номер через него " +
               "не записывается. Удалите " + f.path + " и нажмите OK ещё раз.";
    case Kind::NoWriteAccess:
        return "нет права записи в " + f.path + ".";
    case Kind::DiskFull:
        return writeFailure(f, "на диске нет места");
    case Kind::InputOutput:
        return writeFailure(f, "ошибка ввода-вывода");
    case Kind::WriteFailed:
        break;
    }
    return writeFailure(f, "ошибка записи");
}

std::string portNotSavedText(const SaveFault& fault) {
    return "Не удалось сохранить номер порта: " + saveFaultText(fault);
}

} // namespace torven
