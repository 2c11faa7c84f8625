#include "PortDevice.h"

#include <algorithm>
#include <string_view>
#include <tuple>

namespace torven {

namespace {

int groupOf(std::string_view name) {
    if (name.starts_with("ttyUSB"))
        return 0;
    if (name.starts_with("ttyACM"))
        return 1;
    return 2;
}

// Splits "ttyS10" into ("ttyS", 10) so that ttyS2 comes before ttyS10.
std::tuple<std::string_view, long long> splitNumber(std::string_view name) {
    std::size_t start = name.size();
    while (start > 0 && name[start - 1] >= '0' && name[start - 1] <= '9')
        --start;
    long long number = -1;
    if (start < name.size() && name.size() - start < 18) {
        number = 0;
        for (char c : name.substr(start))
            number = number * 10 + (c - '0');
    }
    return {name.substr(0, start), number};
}

} // namespace

std::string windowsPortName(std::int16_t port) {
    return "COM" + std::to_string(port);
}

std::string portLinkName(std::int16_t port) {
    return "com" + std::to_string(port);
}

std::vector<std::string> orderedSystemPorts(std::vector<std::string> names) {
    std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
        const auto [prefixA, numberA] = splitNumber(a);
        const auto [prefixB, numberB] = splitNumber(b);
        return std::tuple(groupOf(a), prefixA, numberA, std::string_view(a)) <
               std::tuple(groupOf(b), prefixB, numberB, std::string_view(b));
    });
    return names;
}

std::optional<std::string> nthSystemPort(std::int16_t port, const std::vector<std::string>& names) {
    if (port < 1)
        return std::nullopt;
    const auto ordered = orderedSystemPorts(names);
    if (static_cast<std::size_t>(port) > ordered.size())
        return std::nullopt;
    return ordered[static_cast<std::size_t>(port) - 1];
}

} // namespace torven
