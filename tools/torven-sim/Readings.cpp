#include "Readings.h"

#include <cmath>
#include <cstdio>

namespace torven::sim {

std::string formatReading(int reading) {
    char text[16];
    std::snprintf(text, sizeof text, "%04d", reading);
    return text;
}

int sweepReading(double elapsedSeconds, double degreesPerSecond) {
    const double steps = elapsedSeconds * degreesPerSecond * kStepsPerTurn / 360.0;
    double wrapped = std::fmod(steps, kStepsPerTurn);
    if (wrapped < 0)
        wrapped += kStepsPerTurn;
    const int reading = static_cast<int>(std::floor(wrapped));
    // fmod of a tiny negative value plus 512 can round up to exactly 512.
    return reading >= kStepsPerTurn ? 0 : reading;
}

int stepsReading(int sector) {
    if (sector == 1)
        return kStepsPerTurn;
    const int bearing = (sector - 1) * 15;
    // The smallest r with r*360/512 >= bearing; one step is less than a degree, so its
    // truncated bearing is exactly `bearing`.
    return (bearing * kStepsPerTurn + 359) / 360;
}

int RandomReadings::next() {
    int next;
    if (m_last < 0) {
        next = static_cast<int>(m_engine() % kStepsPerTurn);
    } else {
        // Any of the other 511 positions.
        next = (m_last + 1 + static_cast<int>(m_engine() % (kStepsPerTurn - 1))) % kStepsPerTurn;
    }
    m_last = next;
    return next;
}

} // namespace torven::sim
