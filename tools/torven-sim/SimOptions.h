#pragma once

#include "LineEnding.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace torven::sim {

enum class Pattern { Sweep, Fixed, Random, Steps, Script };

struct Options {
    Pattern pattern = Pattern::Sweep;
    double degreesPerSecond = 30;        // sweep
    int fixedReading = 0;                // fixed
    std::optional<std::uint32_t> seed{}; // random; a fresh seed each run when empty
    std::string scriptPath{};            // script; empty or "-" reads standard input

    double readingsPerSecond = 10;
    bool flood = false;
    LineEnding lineEnding = LineEnding::CrLf;
    std::optional<double> splitMilliseconds{};
    // Pace the bytes as a line of this many baud carries them (ten bits a character: 8,n,1).
    std::optional<std::int32_t> baudRate{};
    std::optional<std::int64_t> count{};
    std::optional<double> durationSeconds{};

    std::string linkPath{};
    bool force = false; // --link may replace whatever link is there
    bool verbose = false;
    bool help = false;

    bool operator==(const Options&) const = default;
};

// Either the options or, for a usage error, what is wrong (one line, for standard error).
struct ParsedArguments {
    std::optional<Options> options;
    std::string error;
};

// Reads the command line (without the program name). Options and the pattern words may come in
// any order; an option's value follows it as the next argument or after "=".
ParsedArguments parseArguments(const std::vector<std::string_view>& args);

// The --help text.
std::string_view usageText();

} // namespace torven::sim
