// The timeline: the light's position from its angle and the relief factor from the time
// since start-up.
#include <cmath>

#include "demo/demo.h"

namespace {

// The program's value of pi is the single-precision 3.1459, so the light's path drifts a
// little from circle to circle.
constexpr float kProgramPi = 3.1459f;

}  // namespace

double LightRadians(std::int32_t lightAngle) { return lightAngle / 180.0 * double{kProgramPi}; }

// The rules run in order and the last that holds decides; at exactly 5000 none holds.
float ReliefFactorAt(std::int32_t elapsed, float previous, std::int32_t lightAngle) {
  float relief = previous;
  if (elapsed < 5000) relief = 3.0f;
  if (elapsed > 5000) relief = 2.0f;
  if (elapsed > 5200) relief = 3.0f;
  if (elapsed > 7200) relief = 2.0f;
  if (elapsed > 7800) relief = 3.0f;
  if (elapsed > 9000) relief = 1.0f;
  if (elapsed > 20000) relief = 0.5f;
  if (elapsed > 30000) {
    relief = static_cast<float>(std::sin(2 * LightRadians(lightAngle)) * 0.5 + 1.0);
  }
  return relief;
}

std::int32_t LightXAt(std::int32_t lightAngle) {
  return static_cast<std::int32_t>(
      std::nearbyint(std::sin(LightRadians(lightAngle) * 1.0) * 100 + 160));
}

std::int32_t LightYAt(std::int32_t lightAngle) {
  return static_cast<std::int32_t>(
      std::nearbyint(std::cos(LightRadians(lightAngle) * 0.5) * 60 + 100));
}

std::int32_t NextLightAngle(std::int32_t lightAngle) {
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(lightAngle) + 5u);
}

void UpdateTimeline(DWORD now) {
  auto elapsed = static_cast<std::int32_t>(static_cast<std::uint32_t>(now) - Demo.StartTick);
  Demo.ReliefFactor = ReliefFactorAt(elapsed, Demo.ReliefFactor, Demo.LightAngle);
  Demo.LightX = LightXAt(Demo.LightAngle);
  Demo.LightY = LightYAt(Demo.LightAngle);
}
