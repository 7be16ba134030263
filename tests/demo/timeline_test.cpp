// The timeline: relief factor by elapsed time, the light's path, and elapsed time taken
// from a tick count that wraps.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <numbers>
#include <string>

#include "demo/demo.h"

namespace {

// The program's own pi: the single-precision 3.1459.
const double kProgramPi = std::bit_cast<float>(std::uint32_t{0x4049566D});

float Pulse(int angle) {
  double a = angle / 180.0 * kProgramPi;
  return static_cast<float>(std::sin(2 * a) * 0.5 + 1.0);
}

class TimelineTest : public ::testing::Test {
 protected:
  void SetUp() override { Demo = DemoState{}; }
  void TearDown() override { Demo = DemoState{}; }
};

TEST_F(TimelineTest, ReliefFactorSchedule) {
  constexpr float kPrevious = 7.0f;
  struct Case {
    std::int32_t elapsed;
    float relief;
  };
  const Case cases[] = {
      {std::numeric_limits<std::int32_t>::min(), 3.0f},
      {-100, 3.0f},
      {-1, 3.0f},
      {0, 3.0f},
      {4999, 3.0f},
      {5000, kPrevious},
      {5001, 2.0f},
      {5200, 2.0f},
      {5201, 3.0f},
      {7200, 3.0f},
      {7201, 2.0f},
      {7800, 2.0f},
      {7801, 3.0f},
      {9000, 3.0f},
      {9001, 1.0f},
      {20000, 1.0f},
      {20001, 0.5f},
      {30000, 0.5f},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ReliefFactorAt(c.elapsed, kPrevious, 45), c.relief) << "elapsed " << c.elapsed;
  }
}

TEST_F(TimelineTest, ReliefPulsesWithTheAngleAfter30000) {
  EXPECT_EQ(LightRadians(180), kProgramPi);
  EXPECT_NE(LightRadians(180), std::numbers::pi);
  EXPECT_EQ(ReliefFactorAt(30001, 3.0f, 0), 1.0f);
  EXPECT_EQ(ReliefFactorAt(std::numeric_limits<std::int32_t>::max(), 3.0f, 0), 1.0f);
  for (int angle = 0; angle <= 3600; angle += 5) {
    float relief = ReliefFactorAt(40000, 3.0f, angle);
    EXPECT_EQ(relief, Pulse(angle)) << "angle " << angle;
    EXPECT_GE(relief, 0.5f);
    EXPECT_LE(relief, 1.5f);
  }
  EXPECT_NEAR(ReliefFactorAt(30001, 3.0f, 45), 1.5f, 1e-4);
  EXPECT_NEAR(ReliefFactorAt(30001, 3.0f, 135), 0.5f, 1e-4);
}

TEST_F(TimelineTest, LightPath) {
  struct Case {
    std::int32_t angle;
    std::int32_t x, y;
  };
  const Case cases[] = {
      {0, 160, 160},    // bottom middle
      {90, 260, 142},   // right
      {180, 160, 100},  // centre
      {270, 60, 57},    // left
      {360, 161, 40},   // top, and not 160: the program's pi is a little too large
  };
  for (const Case& c : cases) {
    EXPECT_EQ(LightXAt(c.angle), c.x) << "angle " << c.angle;
    EXPECT_EQ(LightYAt(c.angle), c.y) << "angle " << c.angle;
  }
}

TEST_F(TimelineTest, UpdateTakesElapsedTimeAcrossTheTickWrap) {
  struct Case {
    std::uint32_t start;
    DWORD now;
    float relief;
  };
  const Case cases[] = {
      {0xFFFFFF9Cu, 5000, 2.0f},  // elapsed 5100
      {0xFFFFB1E0u, 5000, 0.5f},  // elapsed 25000
      {1000, 990, 3.0f},          // a little before the start
      {0, 0xFFFFFFF0u, 3.0f},     // likewise, across the wrap
      {0, 0x80000000u, 3.0f},     // the furthest back a 32-bit difference goes
  };
  for (const Case& c : cases) {
    SCOPED_TRACE("start " + std::to_string(c.start) + " now " + std::to_string(c.now));
    Demo.StartTick = c.start;
    Demo.ReliefFactor = 7.0f;
    Demo.LightAngle = 90;
    UpdateTimeline(c.now);
    EXPECT_EQ(Demo.ReliefFactor, c.relief);
    EXPECT_EQ(Demo.LightX, 260);
    EXPECT_EQ(Demo.LightY, 142);
    EXPECT_EQ(Demo.StartTick, c.start);
    EXPECT_EQ(Demo.LightAngle, 90);
  }
}

TEST_F(TimelineTest, UpdateAtExactly5000KeepsTheReliefAndMovesTheLight) {
  Demo.StartTick = 123;
  Demo.ReliefFactor = 0.25f;
  Demo.LightAngle = 270;
  UpdateTimeline(5123);
  EXPECT_EQ(Demo.ReliefFactor, 0.25f);
  EXPECT_EQ(Demo.LightX, 60);
  EXPECT_EQ(Demo.LightY, 57);
  Demo.LightAngle = 0;
  UpdateTimeline(40123);  // past 30000: the pulse
  EXPECT_EQ(Demo.ReliefFactor, 1.0f);
  EXPECT_EQ(Demo.LightX, 160);
  EXPECT_EQ(Demo.LightY, 160);
}

// After 429,496,729 frames the angle passes the largest 32-bit value and goes on from the
// smallest.
TEST_F(TimelineTest, TheAngleWrapsAsA32BitValue) {
  constexpr std::int32_t kLargest = std::numeric_limits<std::int32_t>::max();
  constexpr std::int32_t kSmallest = std::numeric_limits<std::int32_t>::min();
  EXPECT_EQ(NextLightAngle(0), 5);
  EXPECT_EQ(NextLightAngle(-5), 0);
  EXPECT_EQ(NextLightAngle(kLargest - 4), kSmallest);
  EXPECT_EQ(NextLightAngle(kLargest - 2), kSmallest + 2);
}

}  // namespace
