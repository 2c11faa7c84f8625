// The cost of the reception rules per received block: number reading, block decoding (which
// includes the lamp choice), the console edit, and all of them together as one block takes them.
#include "BearingDecoding.h"
#include "Console.h"
#include "NumberReading.h"
#include "SectorLamps.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>
#include <vector>

namespace {

using namespace torven;

// What a controller sends: every position of a turn, four digits and CR LF.
std::vector<std::string> RealisticBlocks() {
    std::vector<std::string> blocks;
    for (int step = 0; step < 512; ++step) {
        char text[8];
        std::snprintf(text, sizeof text, "%04d\r\n", step);
        blocks.emplace_back(text);
    }
    return blocks;
}

// What a broken line, a wrong device or a hostile sender can put first in a block.
std::vector<std::string> HostileBlocks() {
    return {
        "",
        "\r\n",
        "\b",
        "\n\n\n\n",
        "    ",
        "\t \t ",
        "9E99",
        "9D-9",
        "-1E9",
        "&HFFFFFFFFFFFF",
        "&O777",
        "&X12",
        ".5.5",
        "-.-.",
        "\xff\xfe\x00\x01",
        "1 2 3 4 5 6 7 8 9 0 1 2 3 4 5 6 7 8 9 0",
        std::string(4096, '9'),
        std::string(4096, ' ') + "1",
        std::string(64 * 1024, '\0'),
    };
}

// Runs `body` over `blocks` in turn, one block per iteration.
template <class Body>
void OverBlocks(benchmark::State& state, const std::vector<std::string>& blocks, Body body) {
    std::size_t i = 0;
    for (auto _ : state) {
        body(blocks[i]);
        if (++i == blocks.size())
            i = 0;
    }
    state.SetItemsProcessed(state.iterations());
}

void BM_ReadNumber_Realistic(benchmark::State& state) {
    const auto blocks = RealisticBlocks();
    OverBlocks(state, blocks,
               [](const std::string& b) { benchmark::DoNotOptimize(readNumber(b.substr(0, 4))); });
}

void BM_ReadNumber_Hostile(benchmark::State& state) {
    const auto blocks = HostileBlocks();
    OverBlocks(state, blocks,
               [](const std::string& b) { benchmark::DoNotOptimize(readNumber(b)); });
}

void BM_DecodeBlock_Realistic(benchmark::State& state) {
    const auto blocks = RealisticBlocks();
    OverBlocks(state, blocks,
               [](const std::string& b) { benchmark::DoNotOptimize(decodeReading(b)); });
}

void BM_DecodeBlock_Hostile(benchmark::State& state) {
    const auto blocks = HostileBlocks();
    OverBlocks(state, blocks,
               [](const std::string& b) { benchmark::DoNotOptimize(decodeReading(b)); });
}

void BM_LitLampFor(benchmark::State& state) {
    std::int16_t bearing = -400;
    for (auto _ : state) {
        benchmark::DoNotOptimize(litLampFor(bearing));
        bearing = bearing == 400 ? -400 : static_cast<std::int16_t>(bearing + 1);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations());
}

void BM_ConsoleEdit(benchmark::State& state) {
    // A console near its capacity, fed line breaks and backspaces in turn: every edit branch.
    const std::vector<std::string> blocks = {"\r\n", "\b", "\n", "\b\b", "0256\r\n"};
    constexpr std::size_t kCapacity = 32767;
    std::string console(kCapacity - 3, 'x');
    OverBlocks(state, blocks, [&](const std::string& b) {
        benchmark::DoNotOptimize(applyConsoleEdit(console, consoleEditFor(b), kCapacity));
    });
}

// Everything the rules do for one received block, as the window's reception handler asks.
template <class Blocks> void WholeBlock(benchmark::State& state, Blocks makeBlocks) {
    const auto blocks = makeBlocks();
    constexpr std::size_t kCapacity = 32767;
    std::string console = "Text2";
    OverBlocks(state, blocks, [&](const std::string& b) {
        const ConsoleEdit edit = consoleEditFor(b);
        if (edit != ConsoleEdit::None)
            applyConsoleEdit(console, edit, kCapacity);
        benchmark::DoNotOptimize(decodeReading(b));
    });
}

void BM_WholeBlock_Realistic(benchmark::State& state) {
    WholeBlock(state, RealisticBlocks);
}
void BM_WholeBlock_Hostile(benchmark::State& state) {
    WholeBlock(state, HostileBlocks);
}

BENCHMARK(BM_ReadNumber_Realistic);
BENCHMARK(BM_ReadNumber_Hostile);
BENCHMARK(BM_DecodeBlock_Realistic);
BENCHMARK(BM_DecodeBlock_Hostile);
BENCHMARK(BM_LitLampFor);
BENCHMARK(BM_ConsoleEdit);
BENCHMARK(BM_WholeBlock_Realistic);
BENCHMARK(BM_WholeBlock_Hostile);

} // namespace

BENCHMARK_MAIN();
