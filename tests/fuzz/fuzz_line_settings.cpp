// The line-settings text under arbitrary input, against a field-by-field reading of the format
// "baud,parity,data,stop".
#include "Check.h"
#include "LineSettings.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace {

using torven::LineSettings;
using torven::Parity;
using torven::StopBits;

std::string_view Trimmed(std::string_view s) {
    const std::size_t first = s.find_first_not_of(" \t");
    if (first == std::string_view::npos)
        return {};
    return s.substr(first, s.find_last_not_of(" \t") - first + 1);
}

// A run of decimal digits (leading zeros allowed) as a number, or -1 when it is not one or
// exceeds `max`.
long long Digits(std::string_view s, long long max) {
    if (s.empty())
        return -1;
    long long value = 0;
    for (const char c : s) {
        if (c < '0' || c > '9')
            return -1;
        value = value * 10 + (c - '0');
        if (value > max)
            return -1;
    }
    return value;
}

std::optional<LineSettings> Expected(std::string_view text) {
    std::vector<std::string_view> fields;
    for (std::size_t start = 0;;) {
        const std::size_t comma = text.find(',', start);
        fields.push_back(Trimmed(text.substr(start, comma - start)));
        if (comma == std::string_view::npos)
            break;
        start = comma + 1;
    }
    if (fields.size() != 4)
        return std::nullopt;

    LineSettings s;
    s.baudRate = static_cast<std::int32_t>(Digits(fields[0], torven::kMaxBaudRate));
    s.dataBits = static_cast<int>(Digits(fields[2], 8));
    if (s.baudRate < 1 || s.dataBits < 5 || fields[1].size() != 1)
        return std::nullopt;
    switch (fields[1][0] | 0x20) {
    case 'n':
        s.parity = Parity::None;
        break;
    case 'e':
        s.parity = Parity::Even;
        break;
    case 'o':
        s.parity = Parity::Odd;
        break;
    case 'm':
        s.parity = Parity::Mark;
        break;
    case 's':
        s.parity = Parity::Space;
        break;
    default:
        return std::nullopt;
    }
    if (fields[3] == "1")
        s.stopBits = StopBits::One;
    else if (fields[3] == "1.5")
        s.stopBits = StopBits::OneAndHalf;
    else if (fields[3] == "2")
        s.stopBits = StopBits::Two;
    else
        return std::nullopt;
    return s;
}

std::string Formatted(const LineSettings& s) {
    static constexpr const char* kParity[] = {"N", "E", "O", "M", "S"};
    static constexpr const char* kStop[] = {"1", "1.5", "2"};
    return " " + std::to_string(s.baudRate) + " ,\t" + kParity[static_cast<int>(s.parity)] + "," +
           std::to_string(s.dataBits) + "," + kStop[static_cast<int>(s.stopBits)] + " ";
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const auto parsed = torven::parseLineSettings(text);
    TORVEN_FUZZ_CHECK(parsed == Expected(text));
    if (parsed) {
        TORVEN_FUZZ_CHECK(parsed->baudRate >= 1 && parsed->baudRate <= torven::kMaxBaudRate);
        TORVEN_FUZZ_CHECK(parsed->dataBits >= 5 && parsed->dataBits <= 8);
        // Written out again (upper-case letter, blanks around fields), it reads the same.
        TORVEN_FUZZ_CHECK(torven::parseLineSettings(Formatted(*parsed)) == parsed);
    }
    // Blanks around the whole text change nothing.
    TORVEN_FUZZ_CHECK(torven::parseLineSettings(" " + std::string(text) + "\t") == parsed);
    return 0;
}
