// The light map the tests expect, worked out independently of BuildLightMap.
#pragma once

#include <cmath>

// Intensity of the cone at light-map cell (j, i), from the integer distance to the centre.
inline int ConeIntensity(int j, int i) {
  int dx = j - 128;
  int dy = i - 128;
  auto v = static_cast<float>(1.0 - std::sqrt(static_cast<double>(dx * dx + dy * dy)) / 128.0);
  if (v <= 0) return 0;
  return static_cast<int>(std::nearbyint(255.0 * v));
}
