#pragma once

namespace torven {

// The whole degree nearest to `degrees`, a half rounded upward (toward +∞): 245.5 gives 246 and
// −2.5 gives −2. Exact for every finite value in int's range: unlike floor(x + 0.5), whose sum
// rounds 0.49999999999999994 up to 1, it never carries a value across a half.
int nearestDegree(double degrees);

// A bearing of any whole number of degrees wrapped into 1 to 360, so that north is 360 (and lights
// the north lamp) rather than a dark 0.
int wrappedBearing(long long degrees);

} // namespace torven
