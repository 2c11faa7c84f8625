#include "LineSettings.h"

#include "Blanks.h"

#include <array>
#include <charconv>

namespace torven {

namespace {

std::optional<std::int32_t> wholeNumber(std::string_view s) {
    std::int32_t value = 0;
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value);
    if (s.empty() || s.front() == '-' || ec != std::errc{} || end != s.data() + s.size())
        return std::nullopt;
    return value;
}

std::optional<Parity> parityFrom(std::string_view s) {
    if (s.size() != 1)
        return std::nullopt;
    switch (s.front()) {
    case 'n':
    case 'N':
        return Parity::None;
    case 'e':
    case 'E':
        return Parity::Even;
    case 'o':
    case 'O':
        return Parity::Odd;
    case 'm':
    case 'M':
        return Parity::Mark;
    case 's':
    case 'S':
        return Parity::Space;
    default:
        return std::nullopt;
    }
}

std::optional<StopBits> stopBitsFrom(std::string_view s) {
    if (s == "1")
        return StopBits::One;
    if (s == "1.5")
        return StopBits::OneAndHalf;
    if (s == "2")
        return StopBits::Two;
    return std::nullopt;
}

} // namespace

std::optional<LineSettings> parseLineSettings(std::string_view text) {
    std::array<std::string_view, 4> fields;
    std::size_t count = 0;
    for (;;) {
        const std::size_t comma = text.find(',');
        if (count == fields.size())
            return std::nullopt;
        fields[count++] = trimmedBlanks(text.substr(0, comma));
        if (comma == std::string_view::npos)
            break;
        text.remove_prefix(comma + 1);
    }
    if (count != fields.size())
        return std::nullopt;

    const auto baud = wholeNumber(fields[0]);
    const auto parity = parityFrom(fields[1]);
    const auto data = wholeNumber(fields[2]);
    const auto stop = stopBitsFrom(fields[3]);
    if (!baud || *baud < 1 || *baud > kMaxBaudRate || !parity || !data || *data < 5 || *data > 8 ||
        !stop)
        return std::nullopt;
    return LineSettings{*baud, *parity, *data, *stop};
}

std::string lineSettingsText(const LineSettings& settings) {
    static constexpr std::array<char, 5> kParityLetters = {'n', 'e', 'o', 'm', 's'};
    static constexpr std::array<std::string_view, 3> kStopBits = {"1", "1.5", "2"};
    return std::to_string(settings.baudRate) + ',' +
           kParityLetters[static_cast<std::size_t>(settings.parity)] + ',' +
           std::to_string(settings.dataBits) + ',' +
           std::string(kStopBits[static_cast<std::size_t>(settings.stopBits)]);
}

} // namespace torven
