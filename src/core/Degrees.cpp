#include "Degrees.h"

#include <cmath>

namespace torven {

int nearestDegree(double degrees) {
    const double below = std::floor(degrees);
    // The difference of a double and its floor is exact, so the comparison sees the true fraction.
    return static_cast<int>(below) + (degrees - below >= 0.5 ? 1 : 0);
}

int wrappedBearing(long long degrees) {
    return static_cast<int>(((degrees - 1) % 360 + 360) % 360 + 1);
}

} // namespace torven
