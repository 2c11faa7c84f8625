#include "Target.h"

#include "Degrees.h"
#include "SectorLamps.h"

namespace torven {

int targetDegrees(double azimuth) {
    return nearestDegree(azimuth);
}

int targetLamp(int degrees) {
    // A reading of 0 lies in no sector; a direction of 0 is north.
    return litLampFor(static_cast<std::int16_t>(degrees == 0 ? 360 : degrees));
}

std::string targetStatusText(int degrees) {
    return "→ " + std::to_string(degrees) + "°";
}

std::string targetToolTipText(int degrees) {
    return "Цель от клиента rotctld: " + std::to_string(degrees) + "°. Щёлкните по строке «" +
           targetStatusText(degrees) + "» или по отмеченной лампе, чтобы убрать отметку.";
}

void TargetDisplay::set(double azimuth) {
    m_degrees = targetDegrees(azimuth);
    if (m_dismissedLamp != 0 && targetLamp(*m_degrees) != m_dismissedLamp)
        m_dismissedLamp = 0;
}

void TargetDisplay::clear() {
    m_degrees.reset();
    m_dismissedLamp = 0;
}

void TargetDisplay::dismiss() {
    if (m_degrees && m_dismissedLamp == 0)
        m_dismissedLamp = targetLamp(*m_degrees);
}

std::optional<int> TargetDisplay::shown() const {
    if (m_dismissedLamp != 0)
        return std::nullopt;
    return m_degrees;
}

int TargetDisplay::lamp() const {
    const auto degrees = shown();
    return degrees ? targetLamp(*degrees) : 0;
}

} // namespace torven
