#include "SimOptions.h"

#include <charconv>
#include <cmath>

namespace torven::sim {

namespace {

constexpr double kMaxReadingsPerSecond = 100000;
constexpr double kMaxSplitMilliseconds = 60000;
constexpr int kMaxFixedReading = 9999;           // what four digits hold
constexpr std::int64_t kMaxBaudRate = 4'000'000; // as torven's line settings allow

std::optional<double> parseReal(std::string_view text) {
    double value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || !std::isfinite(value))
        return std::nullopt;
    return value;
}

std::optional<std::int64_t> parseWhole(std::string_view text) {
    std::int64_t value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || text.empty())
        return std::nullopt;
    return value;
}

std::optional<Pattern> parsePattern(std::string_view word) {
    if (word == "sweep")
        return Pattern::Sweep;
    if (word == "fixed")
        return Pattern::Fixed;
    if (word == "random")
        return Pattern::Random;
    if (word == "steps")
        return Pattern::Steps;
    if (word == "script")
        return Pattern::Script;
    return std::nullopt;
}

ParsedArguments fail(std::string message) {
    return {std::nullopt, std::move(message)};
}

bool takesValue(std::string_view name) {
    return name == "link" || name == "rate" || name == "eol" || name == "split" ||
           name == "speed" || name == "seed" || name == "count" || name == "duration" ||
           name == "baud";
}

} // namespace

ParsedArguments parseArguments(const std::vector<std::string_view>& args) {
    for (const auto arg : args) {
        if (arg == "--")
            break;
        if (arg == "--help" || arg == "-h") {
            Options help;
            help.help = true;
            return {help, {}};
        }
    }

    Options options;
    std::vector<std::string_view> words;
    std::optional<double> rate, speed;
    std::optional<std::string_view> seed;

    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string_view arg = args[i];
        if (arg == "--") {
            words.insert(words.end(), args.begin() + static_cast<std::ptrdiff_t>(i) + 1,
                         args.end());
            break;
        }
        // "-" (standard input for script) and negative numbers are words too.
        if (arg.size() < 2 || arg[0] != '-' || (arg[1] >= '0' && arg[1] <= '9')) {
            words.push_back(arg);
            continue;
        }
        if (arg.substr(0, 2) != "--")
            return fail("unknown option " + std::string(arg));

        std::string_view name = arg.substr(2);
        std::optional<std::string_view> value;
        if (const auto eq = name.find('='); eq != std::string_view::npos) {
            value = name.substr(eq + 1);
            name = name.substr(0, eq);
        }
        const std::string option = "--" + std::string(name);

        if (name == "flood" || name == "verbose" || name == "force") {
            if (value)
                return fail(option + " takes no value");
            bool& flag = name == "flood"   ? options.flood
                         : name == "force" ? options.force
                                           : options.verbose;
            flag = true;
            continue;
        }
        if (!takesValue(name))
            return fail("unknown option " + option);
        if (!value) {
            if (i + 1 == args.size())
                return fail(option + " needs a value");
            value = args[++i];
        }

        if (name == "link") {
            if (value->empty())
                return fail("--link needs a path");
            options.linkPath = std::string(*value);
        } else if (name == "eol") {
            const auto ending = parseLineEnding(*value);
            if (!ending)
                return fail("--eol must be crlf, cr, lf or none");
            options.lineEnding = *ending;
        } else if (name == "seed") {
            seed = *value;
        } else if (name == "baud") {
            const auto baud = parseWhole(*value);
            if (!baud || *baud < 1 || *baud > kMaxBaudRate)
                return fail("--baud must be a whole number from 1 to 4000000");
            options.baudRate = static_cast<std::int32_t>(*baud);
        } else if (name == "count") {
            const auto count = parseWhole(*value);
            if (!count || *count < 1)
                return fail("--count must be a whole number of at least 1");
            options.count = *count;
        } else {
            const auto number = parseReal(*value);
            if (!number)
                return fail(option + " needs a number, not '" + std::string(*value) + "'");
            if (name == "rate") {
                if (*number <= 0 || *number > kMaxReadingsPerSecond)
                    return fail("--rate must be above 0 and at most 100000 (or use --flood)");
                rate = number;
            } else if (name == "split") {
                if (*number < 0 || *number > kMaxSplitMilliseconds)
                    return fail("--split must be 0 to 60000 milliseconds");
                options.splitMilliseconds = number;
            } else if (name == "speed") {
                speed = number;
            } else { // duration
                if (*number <= 0)
                    return fail("--duration must be above 0 seconds");
                options.durationSeconds = number;
            }
        }
    }

    if (words.empty())
        return fail("no pattern given (sweep, fixed N, random, steps or script [FILE])");
    const auto pattern = parsePattern(words[0]);
    if (!pattern)
        return fail("unknown pattern '" + std::string(words[0]) + "'");
    options.pattern = *pattern;

    std::size_t wordsUsed = 1;
    if (*pattern == Pattern::Fixed) {
        if (words.size() < 2)
            return fail("fixed needs a reading, e.g. fixed 256");
        const auto reading = parseWhole(words[1]);
        if (!reading || *reading < 0 || *reading > kMaxFixedReading)
            return fail("fixed needs a reading from 0 to 9999, not '" + std::string(words[1]) +
                        "'");
        options.fixedReading = static_cast<int>(*reading);
        wordsUsed = 2;
    } else if (*pattern == Pattern::Script && words.size() >= 2) {
        options.scriptPath = std::string(words[1]);
        wordsUsed = 2;
    }
    if (words.size() > wordsUsed)
        return fail("unexpected argument '" + std::string(words[wordsUsed]) + "'");

    if (speed) {
        if (*pattern != Pattern::Sweep)
            return fail("--speed applies to sweep only");
        options.degreesPerSecond = *speed;
    }
    if (seed) {
        if (*pattern != Pattern::Random)
            return fail("--seed applies to random only");
        const auto number = parseWhole(*seed);
        if (!number || *number < 0 || *number > 0xFFFFFFFFLL)
            return fail("--seed must be a whole number from 0 to 4294967295");
        options.seed = static_cast<std::uint32_t>(*number);
    }
    if (rate) {
        if (options.flood)
            return fail("--rate and --flood exclude each other");
        options.readingsPerSecond = *rate;
    }
    return {std::move(options), {}};
}

std::string_view usageText() {
    return R"(usage: torven-sim [OPTIONS] PATTERN
Plays an antenna controller on a pseudo-terminal: sends readings (four digits of the position
on a 512-steps-per-turn scale, e.g. 0256 = 180 degrees, then a line ending) at a steady rate.

Patterns:
  sweep           turn steadily, wrapping around 0..511 (see --speed)
  fixed N         send N every time (0..9999; 256 shows 180 degrees)
  random          a different random position every time (see --seed)
  steps           the centre of each of the 24 sectors in turn
  script [FILE]   send each line of FILE (or standard input, also for "-"), with the escapes
                  \r \n \t \0 \\ \xNN decoded; ends at the end of the script

Options:
  --link PATH     make PATH a symlink to the serial device while running, removed at the end;
                  a link already there is replaced only when it names a simulator's
                  pseudo-terminal (/dev/pts/N) that is gone; any other (another device's,
                  an unplugged adapter's, a running simulator's) is refused
  --force         with --link, replace whatever link is there; one that named no
                  pseudo-terminal is put back as it was at the end (also on SIGINT, SIGTERM
                  and SIGHUP)
  --rate N        readings per second (default 10; fractions allowed)
  --flood         no rate limit: write as fast as the line accepts
  --eol E         line ending: crlf (default), cr, lf or none
  --split MS      send each reading in two blocks: two bytes, a pause of MS ms, the rest
  --baud N        pace the bytes as a line of N baud carries them (ten bits a byte, 8,n,1):
                  each byte is written once the line would have delivered it
  --speed DEG     sweep speed in degrees per second (default 30; negative: counter-clockwise)
  --seed S        seed for random, to repeat a sequence
  --count N       stop after N readings
  --duration S    stop after S seconds
  --verbose       report every reading on standard error
  --help          show this help

Exit status: 0 at the end or on SIGINT/SIGTERM, 2 for a usage error, 1 for a system error.
)";
}

} // namespace torven::sim
