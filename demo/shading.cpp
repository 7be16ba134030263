#include <cmath>

#include "demo/demo.h"
#include "runtime/memory.h"

std::int16_t* HeightCell(std::int32_t column, std::int32_t row) {
  return AtAddress<std::int16_t>(Demo.HeightMap) +
         (column * static_cast<std::int32_t>(Demo.HeightMapDimensions[0]) + row);
}

std::int32_t* LightCell(std::int32_t first, std::int32_t second) {
  return AtAddress<std::int32_t>(Demo.LightMap) +
         (first * static_cast<std::int32_t>(Demo.LightMapDimensions[0]) + second);
}

void PlotPixel(std::int32_t x, std::int32_t y, std::int32_t color) {
  PokeByte(Demo.FrameBuffer + static_cast<Address>(y * kFrameWidth + x), color);
}

// Intensity 255 x (1 - d / 128) at distance d from the centre (128, 128), none beyond;
// the ratio is kept in single precision before it is scaled.
void BuildLightMap() {
  for (std::int32_t i = 0; i < 256; ++i) {
    for (std::int32_t j = 0; j < 256; ++j) {
      float nx = static_cast<float>((j - 128) / 128.0);
      float ny = static_cast<float>((i - 128) / 128.0);
      float v = static_cast<float>(1.0 - std::sqrt(double{nx} * nx + double{ny} * ny));
      if (v < 0) v = 0;
      *LightCell(j, i) = static_cast<std::int32_t>(std::nearbyint(double{v} * 255));
    }
  }
}

// Each pixel reads the light map at its height gradient less the relief-scaled offset
// from the light. An index outside the map becomes 0, and every cell with an index 0 is
// dark, so such a pixel is black.
void ShadeFrame() {
  const double relief = Demo.ReliefFactor;
  for (std::int32_t y = 1; y <= kFrameHeight - 2; ++y) {
    for (std::int32_t x = 1; x <= kFrameWidth - 2; ++x) {
      std::int32_t gx = *HeightCell(x + 1, y) - *HeightCell(x - 1, y);
      std::int32_t gy = *HeightCell(x, y + 1) - *HeightCell(x, y - 1);
      std::int32_t rx = x - Demo.LightX;
      std::int32_t ry = y - Demo.LightY;
      auto u = static_cast<std::int32_t>(std::nearbyint(gx - relief * rx)) + 128;
      auto w = static_cast<std::int32_t>(std::nearbyint(gy - relief * ry)) + 128;
      if (u < 0 || u > 255) u = 0;
      if (w < 0 || w > 255) w = 0;
      PlotPixel(x, y, *LightCell(u, w));
    }
  }
}
