#include "SimOptions.h"

#include <gtest/gtest.h>

#include <vector>

namespace torven::sim {
namespace {

TEST(SimOptions, AcceptsEveryPatternAndOption) {
    struct Row {
        const char* name;
        std::vector<std::string_view> args;
        Options expected;
    };
    const std::vector<Row> rows = {
        {"sweep defaults", {"sweep"}, {}},
        {"counter-clockwise, value after =",
         {"--speed=-45.5", "sweep"},
         {.degreesPerSecond = -45.5}},
        {"fixed, options after it",
         {"fixed", "256", "--count", "3", "--rate", "0.5"},
         {.pattern = Pattern::Fixed, .fixedReading = 256, .readingsPerSecond = 0.5, .count = 3}},
        {"random with seed",
         {"random", "--seed", "4294967295"},
         {.pattern = Pattern::Random, .seed = 4294967295u}},
        {"steps", {"steps"}, {.pattern = Pattern::Steps}},
        {"paced as a slow line",
         {"fixed", "128", "--baud", "600"},
         {.pattern = Pattern::Fixed, .fixedReading = 128, .baudRate = 600}},
        {"script from standard input", {"script"}, {.pattern = Pattern::Script}},
        {"script from a file, the rest",
         {"script", "in.txt", "--link", "b/com1", "--flood", "--split", "20", "--duration", "1.5",
          "--verbose", "--eol", "none", "--force"},
         {.pattern = Pattern::Script,
          .scriptPath = "in.txt",
          .flood = true,
          .lineEnding = LineEnding::None,
          .splitMilliseconds = 20,
          .durationSeconds = 1.5,
          .linkPath = "b/com1",
          .force = true,
          .verbose = true}},
        {"help wins over errors", {"--bogus", "--help"}, {.help = true}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const auto parsed = parseArguments(row.args);
        ASSERT_TRUE(parsed.options) << parsed.error;
        EXPECT_EQ(*parsed.options, row.expected);
    }
}

TEST(SimOptions, RejectsUsageErrors) {
    struct Row {
        const char* name;
        std::vector<std::string_view> args;
        const char* errorMentions;
    };
    const std::vector<Row> rows = {
        {"no pattern", {"--rate", "5"}, "no pattern"},
        {"unknown pattern", {"zigzag"}, "zigzag"},
        {"unknown option", {"sweep", "--fast"}, "--fast"},
        {"missing value", {"sweep", "--rate"}, "needs a value"},
        {"value for a flag", {"sweep", "--flood=1"}, "takes no value"},
        {"fixed without reading", {"fixed"}, "fixed needs"},
        {"fixed negative", {"fixed", "-1"}, "0 to 9999"},
        {"fixed not a number", {"fixed", "12a"}, "12a"},
        {"extra word", {"script", "a", "b"}, "'b'"},
        {"rate zero", {"sweep", "--rate", "0"}, "--rate"},
        {"rate infinite", {"sweep", "--rate", "inf"}, "--rate"},
        {"rate with flood", {"sweep", "--rate", "5", "--flood"}, "exclude"},
        {"bad eol", {"sweep", "--eol", "CRLF"}, "--eol"},
        {"fractional count", {"sweep", "--count", "2.5"}, "--count"},
        {"speed outside sweep", {"fixed", "1", "--speed", "5"}, "sweep only"},
        {"seed too big", {"random", "--seed", "4294967296"}, "--seed"},
        {"baud zero", {"sweep", "--baud", "0"}, "--baud"},
        {"baud fractional", {"sweep", "--baud", "600.5"}, "--baud"},
        {"baud too fast", {"sweep", "--baud", "4000001"}, "--baud"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const auto parsed = parseArguments(row.args);
        EXPECT_FALSE(parsed.options);
        EXPECT_NE(parsed.error.find(row.errorMentions), std::string::npos) << parsed.error;
    }
}

} // namespace
} // namespace torven::sim
