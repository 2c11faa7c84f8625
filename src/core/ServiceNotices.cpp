#include "ServiceNotices.h"

namespace torven {

std::string servedOnNetworkNotice(std::string_view address, int port) {
    // An IPv6 address goes in brackets. Appended piece by piece: GCC 12 at -O3 takes
    // "[" + std::string(...) for an overlapping copy (-Wrestrict) in the MinGW build.
    const bool ipv6 = address.find(':') != std::string_view::npos;
    std::string notice = "Азимут доступен в сети: ";
    if (ipv6)
        notice += '[';
    notice += address;
    if (ipv6)
        notice += ']';
    notice += ':';
    notice += std::to_string(port);
    return notice;
}

std::string serviceOffMessage(std::string_view reason) {
    return std::string(reason) +
           "\n\ntorven работает дальше без службы: направление видно в окне, но другим "
           "программам не передаётся.";
}

std::string listenFailureText(ListenFault fault, int port, std::string_view address,
                              std::string_view systemWords) {
    const std::string where = "порт " + std::to_string(port) + " на адресе " + std::string(address);
    std::string reason;
    switch (fault) {
    case ListenFault::AddressInUse:
        reason = where + " уже занят другой программой (может быть, rotctld). Выберите другой "
                         "порт в --rotctld.";
        break;
    case ListenFault::AddressNotHere:
        reason = "адреса " + std::string(address) +
                 " у этого компьютера нет. Укажите свой адрес в --rotctld-address.";
        break;
    case ListenFault::NoPermission:
        reason = "нет прав слушать " + where + ". Выберите порт выше 1023.";
        break;
    case ListenFault::Other:
        reason = "не удалось слушать " + where + ".";
        break;
    }
    return "Служба rotctld не запущена: " + reason + " (" + std::string(systemWords) + ")";
}

} // namespace torven
