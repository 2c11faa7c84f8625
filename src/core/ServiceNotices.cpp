#include "ServiceNotices.h"

namespace torven {

std::string servedOnNetworkNotice(std::string_view address, int port) {
    const bool ipv6 = address.find(':') != std::string_view::npos;
    std::string where = ipv6 ? "[" + std::string(address) + "]" : std::string(address);
    return "Азимут доступен в сети: " + where + ":" + std::to_string(port);
}

std::string serviceOffMessage(std::string_view reason) {
    return std::string(reason) +
           "\n\ntorven работает дальше без службы: направление видно в окне, но другим "
           "программам не передаётся.";
}

} // namespace torven
