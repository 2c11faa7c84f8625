#pragma once

#include <cstdint>
#include <random>
#include <string>

namespace torven::sim {

// Steps in one turn of the antenna on the controller's position scale.
inline constexpr int kStepsPerTurn = 512;
inline constexpr int kSectorCount = 24;

// A reading as the controller sends it: four decimal digits, zero-padded ("0256").
std::string formatReading(int reading);

// Where a sweep started at reading 0 stands after `elapsedSeconds` at `degreesPerSecond`
// (negative: counter-clockwise), wrapped into 0..511.
int sweepReading(double elapsedSeconds, double degreesPerSecond);

// The reading that puts the bearing on the centre of sector `sector` (1..24, centred on
// (sector-1)*15 degrees), the bearing being trunc(reading*360/512). Sector 1 uses 512 (bearing
// 360) rather than 0, because a bearing of 0 lights no lamp.
int stepsReading(int sector);

// Random readings in 0..511, each one different from the one before, so the display changes
// with every reading. The same seed gives the same sequence.
class RandomReadings {
public:
    explicit RandomReadings(std::uint32_t seed) : m_engine(seed) {}
    int next();

private:
    std::mt19937 m_engine;
    int m_last = -1;
};

} // namespace torven::sim
