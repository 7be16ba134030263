// The light map's cone and the shading of a frame: gradient less the relief-scaled offset
// from the light, rounded half to even, indexing the light map.
#include "demo/shading.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "demo/demo.h"
#include "runtime/heap.h"
#include "runtime/memory.h"
#include "tests/demo/light_cone.h"
#include "tests/support/runtime_fixture.h"

namespace {

class ShadingTest : public RuntimeTest {
 protected:
  void SetUp() override {
    RuntimeTest::SetUp();
    Demo = DemoState{};
    ASSERT_EQ(DimensionDemoArrays(), 1);
    ASSERT_NE(MemoryAllocate(0, kFrameBytes), 0u);
    Demo.FrameBuffer = MemoryAddress();
  }
  void TearDown() override {
    Demo = DemoState{};
    RuntimeTest::TearDown();
  }

  int Pixel(int x, int y) { return AtAddress<std::uint8_t>(Demo.FrameBuffer)[y * 320 + x]; }
  void FillFrame(std::uint8_t value) {
    for (int k = 0; k < kFrameBytes; ++k) AtAddress<std::uint8_t>(Demo.FrameBuffer)[k] = value;
  }
  void FillHeights(std::int16_t value) {
    for (int c = 0; c <= 320; ++c) {
      for (int r = 0; r <= 200; ++r) *HeightCell(c, r) = value;
    }
  }
  template <class F>
  void FillLightMap(F value) {
    for (int a = 0; a <= 256; ++a) {
      for (int b = 0; b <= 256; ++b) *LightCell(a, b) = value(a, b);
    }
  }
  void Light(float relief, int x, int y) {
    Demo.ReliefFactor = relief;
    Demo.LightX = x;
    Demo.LightY = y;
  }
};

TEST_F(ShadingTest, LightMapTellingValues) {
  BuildLightMap();
  EXPECT_EQ(*LightCell(128, 128), 255);
  EXPECT_EQ(*LightCell(129, 128), 253);
  EXPECT_EQ(*LightCell(128, 129), 253);
  EXPECT_EQ(*LightCell(130, 128), 251);
  // Distance 64: 255 x 0.5 = 127.5, a tie that goes to the even 128.
  EXPECT_EQ(*LightCell(192, 128), 128);
  EXPECT_EQ(*LightCell(64, 128), 128);
  EXPECT_EQ(*LightCell(128, 64), 128);
  EXPECT_EQ(*LightCell(255, 128), 2);
  EXPECT_EQ(*LightCell(256, 128), 0);
  EXPECT_EQ(*LightCell(128, 256), 0);
}

TEST_F(ShadingTest, LightMapIsTheWholeCone) {
  // Every cell starts at -7: those with an index 256 must not be written.
  FillLightMap([](int, int) { return -7; });
  BuildLightMap();
  int nonZero = 0;
  int mismatches = 0;
  for (int j = 0; j < 256; ++j) {
    for (int i = 0; i < 256; ++i) {
      int value = *LightCell(j, i);
      if (value != 0) ++nonZero;
      int d2 = (j - 128) * (j - 128) + (i - 128) * (i - 128);
      bool dark = j == 0 || i == 0 || d2 >= 128 * 128;
      if ((dark && value != 0) || value != ConeIntensity(j, i) || value != *LightCell(i, j) ||
          (j > 0 && value != *LightCell(256 - j, i))) {
        if (++mismatches <= 5) ADD_FAILURE() << "LightMap(" << j << ", " << i << ") = " << value;
      }
    }
  }
  EXPECT_EQ(mismatches, 0);
  EXPECT_EQ(nonZero, 51245);
  for (int a = 0; a <= 256; ++a) {
    EXPECT_EQ(*LightCell(a, 256), -7) << a;
    EXPECT_EQ(*LightCell(256, a), -7) << a;
  }
}

TEST_F(ShadingTest, FlatMapUnderTheLightShowsTheConeCentre) {
  BuildLightMap();
  Light(1.0f, 160, 160);
  ShadeFrame();
  EXPECT_EQ(Pixel(160, 160), 255);
  EXPECT_EQ(Pixel(161, 160), 253);
  EXPECT_EQ(Pixel(159, 160), 253);
  EXPECT_EQ(Pixel(160, 161), 253);
  EXPECT_EQ(Pixel(160, 159), 253);
}

TEST_F(ShadingTest, FlatMapIsLitWithinRadius128OverRelief) {
  BuildLightMap();
  for (int relief : {1, 2, 3}) {
    SCOPED_TRACE("relief " + std::to_string(relief));
    FillFrame(0);
    Light(static_cast<float>(relief), 160, 100);
    ShadeFrame();
    int wrong = 0;
    for (int y = 1; y <= 198; ++y) {
      for (int x = 1; x <= 318; ++x) {
        int d2 = relief * relief * ((x - 160) * (x - 160) + (y - 100) * (y - 100));
        bool ok = d2 <= 127 * 127 ? Pixel(x, y) > 0 : d2 >= 128 * 128 ? Pixel(x, y) == 0 : true;
        if (!ok && ++wrong <= 5) ADD_FAILURE() << "(" << x << ", " << y << ") = " << Pixel(x, y);
      }
    }
    EXPECT_EQ(wrong, 0);
  }
}

TEST_F(ShadingTest, SlopeMovesTheBrightSpot) {
  // Heights rising 3 a column and 2 a row: gradients 6 and 4 everywhere inside.
  for (int c = 0; c <= 320; ++c) {
    for (int r = 0; r <= 200; ++r) *HeightCell(c, r) = static_cast<std::int16_t>(3 * c + 2 * r);
  }
  BuildLightMap();
  Light(1.0f, 160, 100);
  ShadeFrame();
  int brightest = 0;
  for (int y = 1; y <= 198; ++y) {
    for (int x = 1; x <= 318; ++x) {
      if (Pixel(x, y) == 255) {
        ++brightest;
        EXPECT_EQ(x, 166);
        EXPECT_EQ(y, 104);
      }
    }
  }
  EXPECT_EQ(brightest, 1);
}

// One pixel's light-map indices, read through maps that hold one index or the other as
// their value; index 256 holds 77, which no in-range reading shows.
TEST_F(ShadingTest, IndicesRoundHalfToEvenAndOutOfRangeBecomesZero) {
  struct Case {
    int gx, gy;  // height differences across the pixel
    int rx, ry;  // pixel less light position
    float relief;
    int u, w;
  };
  const Case cases[] = {
      {3, 0, 1, 0, 0.5f, 130, 128},     // 2.5 -> 2
      {0, 0, 1, 0, 0.5f, 128, 128},     // -0.5 -> 0
      {4, 0, 1, 0, 0.5f, 132, 128},     // 3.5 -> 4
      {0, 0, -1, 0, 0.5f, 128, 128},    // 0.5 -> 0
      {0, 0, 3, 0, 0.5f, 126, 128},     // -1.5 -> -2
      {-2, 0, 1, 0, 0.5f, 126, 128},    // -2.5 -> -2
      {0, 3, 0, 1, 0.5f, 128, 130},     // 2.5 -> 2
      {0, 0, 0, -3, 0.5f, 128, 130},    // 1.5 -> 2
      {0, 0, -5, 0, 0.1f, 129, 128},    // 0.1f is a little above 0.1: 0.50000000745 -> 1
      {10, -7, 4, -6, 2.0f, 130, 133},  // 2 and 5
      {127, -128, 0, 0, 0.0f, 255, 0},  // both ends of the map
      {128, 0, 0, 0, 0.0f, 0, 128},     // u = 256
      {-129, 0, 0, 0, 0.0f, 0, 128},    // u = -1
      {0, 128, 0, 0, 0.0f, 128, 0},     // w = 256
      {0, -129, 0, 0, 0.0f, 128, 0},    // w = -1
      {200, 5, 0, 0, 0.0f, 0, 133},     // each index on its own
      {5, -200, 0, 0, 0.0f, 133, 0},    // likewise
      {0, 0, 100, 0, 3.0f, 0, 128},     // -300
  };
  constexpr int x = 100;
  constexpr int y = 100;
  for (const Case& c : cases) {
    SCOPED_TRACE("gx " + std::to_string(c.gx) + " gy " + std::to_string(c.gy) + " offset " +
                 std::to_string(c.rx) + "," + std::to_string(c.ry) + " relief " +
                 std::to_string(c.relief));
    FillHeights(0);
    *HeightCell(x + 1, y) = static_cast<std::int16_t>(c.gx + 10);
    *HeightCell(x - 1, y) = 10;
    *HeightCell(x, y + 1) = static_cast<std::int16_t>(c.gy + 20);
    *HeightCell(x, y - 1) = 20;
    *HeightCell(x, y) = 1000;  // a pixel's own height does not enter its gradients
    Light(c.relief, x - c.rx, y - c.ry);
    FillLightMap([](int u, int) { return u == 256 ? 77 : u; });
    ShadeFrame();
    EXPECT_EQ(Pixel(x, y), c.u) << "first index";
    FillLightMap([](int, int w) { return w == 256 ? 77 : w; });
    ShadeFrame();
    EXPECT_EQ(Pixel(x, y), c.w) << "second index";
  }
}

TEST_F(ShadingTest, FrameEdgesAreLeftAlone) {
  for (int c = 0; c <= 320; ++c) {
    for (int r = 0; r <= 200; ++r)
      *HeightCell(c, r) = static_cast<std::int16_t>((c * 37 + r * 91) % 400 - 200);
  }
  FillLightMap([](int, int) { return 7; });
  FillFrame(0xAB);
  Light(1.0f, 160, 100);
  ShadeFrame();
  for (int y = 0; y < 200; ++y) {
    for (int x = 0; x < 320; ++x) {
      bool edge = y == 0 || y == 199 || x == 0 || x == 319;
      ASSERT_EQ(Pixel(x, y), edge ? 0xAB : 7) << "(" << x << ", " << y << ")";
    }
  }
}

TEST_F(ShadingTest, PlotPixelWritesOneByteOfRowsOf320) {
  FillFrame(0);
  PlotPixel(0, 0, 1);
  PlotPixel(319, 0, 2);
  PlotPixel(0, 1, 3);
  PlotPixel(319, 199, 4);
  PlotPixel(5, 7, 0x1FF);
  auto* frame = AtAddress<std::uint8_t>(Demo.FrameBuffer);
  EXPECT_EQ(frame[0], 1);
  EXPECT_EQ(frame[319], 2);
  EXPECT_EQ(frame[320], 3);
  EXPECT_EQ(frame[63999], 4);
  EXPECT_EQ(frame[7 * 320 + 5], 0xFF);
  int written = 0;
  for (int k = 0; k < kFrameBytes; ++k) written += frame[k] != 0;
  EXPECT_EQ(written, 5);
}

// The shading written straight from its definition over the arrays' raw elements, as the
// vector paths must reproduce it byte for byte.
std::vector<std::uint8_t> ShadedByDefinition(std::vector<std::uint8_t> frame) {
  const auto* heights = AtAddress<std::int16_t>(Demo.HeightMap);
  const auto* lights = AtAddress<std::int32_t>(Demo.LightMap);
  auto height = [&](int column, int row) { return int{heights[column * 201 + row]}; };
  const double relief = Demo.ReliefFactor;
  for (int y = 1; y <= 198; ++y) {
    for (int x = 1; x <= 318; ++x) {
      int gx = height(x + 1, y) - height(x - 1, y);
      int gy = height(x, y + 1) - height(x, y - 1);
      double du = std::nearbyint(gx - relief * (x - static_cast<double>(Demo.LightX))) + 128;
      double dw = std::nearbyint(gy - relief * (y - static_cast<double>(Demo.LightY))) + 128;
      int u = du >= 0 && du <= 255 ? static_cast<int>(du) : 0;
      int w = dw >= 0 && dw <= 255 ? static_cast<int>(dw) : 0;
      frame[y * 320 + x] = static_cast<std::uint8_t>(lights[u * 257 + w]);
    }
  }
  return frame;
}

// Every shading path against the definition, frame after frame, with the reliefs and
// light positions of the timeline over several turns of the light.
class ShadingPathsTest : public ShadingTest {
 protected:
  std::vector<std::uint8_t> Frame() {
    const auto* frame = AtAddress<std::uint8_t>(Demo.FrameBuffer);
    return {frame, frame + kFrameBytes};
  }
  void RandomHeights(int lowest, int highest) {
    std::uniform_int_distribution<int> height(lowest, highest);
    for (int c = 0; c <= 320; ++c) {
      for (int r = 0; r <= 200; ++r) *HeightCell(c, r) = static_cast<std::int16_t>(height(random_));
    }
  }
  // Light-map cells all different in their low bytes along each index, so that a pixel
  // reading the wrong cell shows; index 0 and 256 hold values too.
  void RandomLightMap() {
    std::uniform_int_distribution<int> value(-100000, 100000);
    FillLightMap([&](int, int) { return value(random_); });
  }
  // Shades the frame by each path from the same starting bytes; returns the frames that
  // differed from the definition, reporting the first few.
  int CompareFrame(const std::string& what) {
    std::vector<std::uint8_t> start(kFrameBytes);
    for (auto& byte : start) byte = static_cast<std::uint8_t>(random_());
    std::vector<std::uint8_t> expected = ShadedByDefinition(start);
    int differing = 0;
    for (ShadingPath path : {ShadingPath::kPlain, ShadingPath::kSse2}) {
      if (!ShadingPathAvailable(path)) continue;
      std::copy(start.begin(), start.end(), AtAddress<std::uint8_t>(Demo.FrameBuffer));
      ShadeFrameWith(path);
      std::vector<std::uint8_t> shaded = Frame();
      if (shaded == expected) continue;
      ++differing;
      if (++failures_ > 5) continue;
      int k = 0;
      while (shaded[k] == expected[k]) ++k;
      ADD_FAILURE() << what << ", path " << static_cast<int>(path) << ": pixel (" << k % 320 << ", "
                    << k / 320 << ") is " << int{shaded[k]} << ", not " << int{expected[k]};
    }
    return differing;
  }
  // The timeline's reliefs in turn with the pulse of each angle, over `turns` turns.
  int CompareTimeline(int turns) {
    const float reliefs[] = {3.0f, 2.0f, 1.0f, 0.5f, 0.0f};
    int differing = 0;
    for (int angle = 0, k = 0; angle <= 360 * turns; angle += 5, ++k) {
      float pulse = ReliefFactorAt(30001, 0.0f, angle);
      for (float relief : {reliefs[k % 5], pulse}) {
        Light(relief, LightXAt(angle), LightYAt(angle));
        differing +=
            CompareFrame("angle " + std::to_string(angle) + ", relief " + std::to_string(relief));
      }
    }
    return differing;
  }
  std::mt19937 random_{2026};
  int failures_ = 0;
};

TEST_F(ShadingPathsTest, EveryPathShadesTheTimelineAsDefined) {
  EXPECT_TRUE(ShadingPathAvailable(ShadingPath::kPlain));
  BuildLightMap();
  RandomHeights(0, 255);
  EXPECT_EQ(CompareTimeline(3), 0) << "with the light cone";
  RandomLightMap();
  EXPECT_EQ(CompareTimeline(3), 0) << "with a light map of distinct cells";
}

TEST_F(ShadingPathsTest, ExtremeHeightsAndLightsAsDefined) {
  RandomLightMap();
  // Gradients beyond 16 bits, in both directions.
  RandomHeights(-32768, 32767);
  for (float relief : {3.0f, 0.5f, 1.5f, 0.0f, -2.0f}) {
    for (int light : {-400, -1, 0, 160, 319, 600}) {
      Light(relief, light, 100 - light / 3);
      EXPECT_EQ(
          CompareFrame("relief " + std::to_string(relief) + ", light " + std::to_string(light)), 0);
    }
  }
  // Reliefs whose terms are not exact in the vector lanes, and lights far away.
  RandomHeights(0, 255);
  for (float relief : {0.1f, 1e-12f, 1000.0f, 3.0f}) {
    for (int light : {-5000, 100, 100000}) {
      Light(relief, light, light);
      EXPECT_EQ(
          CompareFrame("relief " + std::to_string(relief) + ", far light " + std::to_string(light)),
          0);
    }
  }
}

// A light so far away that the offset term leaves the 32-bit integers' range, on either
// side and in either direction: every index is outside the map, and the frame is dark.
TEST_F(ShadingPathsTest, ALightBeyondTheIntegersRangeLeavesTheFrameDark) {
  BuildLightMap();
  RandomHeights(0, 255);
  for (float relief : {3.0f, -3.0f}) {
    for (std::int32_t light : {700000000, -700000000, INT32_MAX, INT32_MIN}) {
      Light(relief, light, light);
      EXPECT_EQ(
          CompareFrame("relief " + std::to_string(relief) + ", light " + std::to_string(light)), 0);
      std::vector<std::uint8_t> frame = Frame();
      int lit = 0;
      for (int y = 1; y <= 198; ++y) {
        for (int x = 1; x <= 318; ++x) lit += frame[y * 320 + x] != 0;
      }
      EXPECT_EQ(lit, 0) << "relief " << relief << ", light " << light;
    }
  }
}

}  // namespace
