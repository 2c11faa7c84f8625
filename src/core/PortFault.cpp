#include "PortFault.h"

#include "PortDevice.h"

namespace torven {

namespace {

using Kind = PortFault::Kind;

// " /dev/ttyUSB0" or nothing, to follow a noun in a sentence.
std::string spaced(const std::string& text) {
    return text.empty() ? std::string() : " " + text;
}

// " (torven, процесс 812)" for the process named in the lock file, or nothing.
std::string lockHolder(const PortFault& f) {
    if (f.lockPid <= 0)
        return {};
    const std::string process = "процесс " + std::to_string(f.lockPid);
    return " (" + (f.lockProgram.empty() ? process : f.lockProgram + ", " + process) + ")";
}

// What went wrong, as the rest of a sentence that names the port first.
std::string happening(const PortFault& f) {
    switch (f.kind) {
    case Kind::NoDevice:
        return "этот номер не ведёт ни к одному последовательному порту.";
    case Kind::DeviceMissing:
        return "устройства" + spaced(f.device) + " нет.";
    case Kind::PermissionDenied:
        return "нет прав открыть" + spaced(f.device.empty() ? "устройство" : f.device) + ".";
    case Kind::Busy:
        if (f.holder == PortFault::Holder::Gone)
            return "устройство" + spaced(f.device) + " заперто файлом блокировки " + f.lockFile +
                   ", который оставила уже завершившаяся программа" + lockHolder(f) + ".";
        return "устройство" + spaced(f.device) + " занято другой программой" + lockHolder(f) + ".";
    case Kind::Vanished:
        return "устройство" + spaced(f.device) + " пропало или перестало отвечать.";
    case Kind::SettingsInvalid:
        return "параметры линии «" + f.settings + "» не поняты.";
    case Kind::SettingsRefused:
        return "устройство" + spaced(f.device) + " не принимает параметры линии «" + f.settings +
               "».";
    case Kind::Unsupported:
    case Kind::Other:
        break;
    }
    return "не удалось открыть" + spaced(f.device.empty() ? "порт" : f.device) + ".";
}

// `text` with its first letter a capital when it is a Cyrillic one from а to я (two bytes in
// UTF-8, as every sentence here starts).
std::string capitalised(std::string text) {
    if (text.size() < 2)
        return text;
    const auto lead = static_cast<unsigned char>(text[0]);
    const auto next = static_cast<unsigned char>(text[1]);
    if (lead == 0xD0 && next >= 0xB0 && next <= 0xBF) { // а to п
        text[1] = static_cast<char>(next - 0x20);
    } else if (lead == 0xD1 && next >= 0x80 && next <= 0x8F) { // р to я
        text[0] = static_cast<char>(0xD0);
        text[1] = static_cast<char>(next + 0x20);
    }
    return text;
}

// What went wrong, after the port it went wrong with ("Порт 2: устройства … нет."), or as a
// sentence of its own for a device named by its path.
std::string reason(const PortFault& f) {
    const std::string what = happening(f);
    return f.port > 0 ? "Порт " + std::to_string(f.port) + ": " + what : capitalised(what);
}

std::string systemWords(const PortFault& f) {
    return f.systemWords.empty() ? std::string() : " [" + f.systemWords + "]";
}

// What the user can do, whatever the system.
std::string commonAdvice(const PortFault& f) {
    switch (f.kind) {
    case Kind::SettingsInvalid:
        return "Нужны скорость, чётность, биты данных и стоповые биты через запятую, например "
               "«19200,n,8,1».";
    case Kind::SettingsRefused:
        return "Выберите параметры, которые поддерживает адаптер, например «19200,n,8,1».";
    default:
        return {};
    }
}

// A lock file is removed by its owner; another user's only by whoever administers the computer.
std::string busyAdvice(const PortFault& f) {
    if (f.lockFile.empty())
        return "Закройте программу, которая держит порт.";
    const std::string administrator = "попросите того, кто администрирует этот компьютер, удалить ";
    const bool own = f.lockOwner.empty();
    switch (f.holder) {
    case PortFault::Holder::Running:
        if (own)
            return "Закройте её, затем снова выберите «Связь».";
        return "Её запустил пользователь " + f.lockOwner + ": попросите его закрыть её.";
    case PortFault::Holder::Gone:
        if (own)
            return "Удалите этот файл (rm " + f.lockFile + "), затем снова выберите «Связь».";
        return "Файл принадлежит пользователю " + f.lockOwner + ": " + administrator + "его.";
    case PortFault::Holder::Unknown:
        break;
    }
    return "Закройте её; если её уже нет, " +
           (own ? "удалите файл блокировки " + f.lockFile
                : administrator + "файл блокировки " + f.lockFile +
                      " (он принадлежит пользователю " + f.lockOwner + ")") +
           ".";
}

std::string posixAdvice(const PortFault& f) {
    const std::string link = portLinkName(static_cast<std::int16_t>(f.port));
    switch (f.kind) {
    case Kind::NoDevice:
        return "Укажите устройство ссылкой " + link +
               " рядом с программой или в ~/.config/torven, например: ln -s /dev/ttyUSB0 "
               "~/.config/torven/" +
               link;
    case Kind::DeviceMissing:
        return "Подключите адаптер или направьте ссылку " + link + " на устройство, которое есть.";
    case Kind::PermissionDenied:
        return "Добавьте себя в группу dialout (sudo adduser $USER dialout) и войдите в систему "
               "заново.";
    case Kind::Busy:
        return busyAdvice(f);
    case Kind::Vanished:
        return "Проверьте кабель и адаптер, затем снова выберите «Связь».";
    case Kind::Unsupported:
    case Kind::Other:
        return "Проверьте, что ссылка " + link + " ведёт к последовательному порту.";
    default:
        return commonAdvice(f);
    }
}

// Windows names ports COM1, COM2, … itself; the device manager shows which number an adapter
// got. A port another program holds is refused as access denied, so that is what it means there.
std::string windowsAdvice(const PortFault& f) {
    const std::string com = windowsPortName(static_cast<std::int16_t>(f.port));
    const std::string whereNumbersAre =
        "номер адаптера виден в «Диспетчере устройств», в разделе «Порты (COM и LPT)»; выберите "
        "его в «Настр.» → «Коммуникация».";
    switch (f.kind) {
    case Kind::NoDevice:
    case Kind::DeviceMissing:
        return "Подключите адаптер; " + whereNumbersAre;
    case Kind::PermissionDenied:
    case Kind::Busy:
        return "Закройте программу, которая держит " + com +
               " (другую копию torven, терминал, программу управления поворотным устройством).";
    case Kind::Vanished:
        return "Проверьте кабель и адаптер, затем снова выберите «Связь».";
    case Kind::Unsupported:
    case Kind::Other:
        return "Проверьте, что " + com + " — последовательный порт: " + whereNumbersAre;
    default:
        return commonAdvice(f);
    }
}

} // namespace

std::string portFaultText(const PortFault& fault, AdvicePlatform platform) {
    std::string text = reason(fault);
    const std::string advice =
        platform == AdvicePlatform::Posix ? posixAdvice(fault) : windowsAdvice(fault);
    if (!advice.empty())
        text += " " + advice;
    return text + systemWords(fault);
}

std::string portFaultReason(const PortFault& fault) {
    return reason(fault) + systemWords(fault);
}

bool faultMayPass(const PortFault& fault) {
    switch (fault.kind) {
    case Kind::SettingsInvalid:
    case Kind::SettingsRefused:
    case Kind::Unsupported:
        return false;
    default:
        return true;
    }
}

} // namespace torven
