#pragma once

#include <optional>
#include <string>

namespace torven {

// A target is where a tracker or a logger wants the antenna to point: a true bearing of 0 to 360
// degrees (both ends north). The controller has no elevation; a target's elevation, 0 to 90
// degrees, is checked and then ignored.
inline constexpr double kMaxTargetAzimuth = 360;
inline constexpr double kMaxTargetElevation = 90;

// The whole degree a target azimuth (0 to 360) is shown as: the nearest, a half rounded up.
int targetDegrees(double azimuth);

// The number (1 to 24) of the sector lamp whose sector holds a target of `degrees` (0 to 360),
// by the readings' sector table; 0 and 360 are both north.
int targetLamp(int degrees);

// The status line's text for a target of `degrees`: "→ 245°".
std::string targetStatusText(int degrees);

// What the window shows of the targets clients send: the latest one, until a stop clears it or
// the operator dismisses it. A dismissed target stays hidden while new targets fall in the sector
// it was in (a tracker resends its target every second); one in another sector, or a stop, ends
// the dismissal.
class TargetDisplay {
public:
    void set(double azimuth);
    void clear();
    void dismiss();

    // The target's degrees while it is shown; empty when there is none or it was dismissed.
    std::optional<int> shown() const;
    // The lamp that marks the shown target; 0 when none is shown.
    int lamp() const;

private:
    std::optional<int> m_degrees;
    int m_dismissedLamp = 0; // the sector the operator dismissed; 0 when none
};

} // namespace torven
