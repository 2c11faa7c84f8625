#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace torven {

enum class Parity { None, Even, Odd, Mark, Space };
enum class StopBits { One, OneAndHalf, Two };

struct LineSettings {
    std::int32_t baudRate = 19200;
    Parity parity = Parity::None;
    int dataBits = 8;
    StopBits stopBits = StopBits::One;

    friend bool operator==(const LineSettings&, const LineSettings&) = default;
};

inline constexpr std::int32_t kMaxBaudRate = 4'000'000;

// Parses "baud,parity,data,stop" such as "19200,n,8,1": a baud rate from 1 to 4,000,000, a
// parity letter n, e, o, m or s in either case, 5 to 8 data bits, and 1, 1.5 or 2 stop bits.
// Blanks around a field are allowed. Empty when the text is malformed.
std::optional<LineSettings> parseLineSettings(std::string_view text);

// The settings as that text, with a lower-case parity letter: "19200,n,8,1".
std::string lineSettingsText(const LineSettings& settings);

} // namespace torven
