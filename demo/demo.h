// The bump-mapping demonstration: the picture's pixel values are a height field, lit by
// a moving point light through a cone-shaped light map, and shaded into a 320 x 200
// frame of palette indices every frame.
#pragma once

#include <cstdint>

#include "platform/win32.h"
#include "runtime/address.h"

constexpr std::int32_t kFrameWidth = 320;
constexpr std::int32_t kFrameHeight = 200;
constexpr std::int32_t kFrameBytes = kFrameWidth * kFrameHeight;
// Where the frame lands on the 800 x 600 screen: centred across, not down.
constexpr std::int32_t kFrameLeft = 240;
constexpr std::int32_t kFrameTop = 150;

// The demonstration's variables, cleared as one block when the runtime starts.
struct DemoState {
  Address HeightMap;  // words, bounds (320, 200): column, then row
  std::uint32_t HeightMapDimensions[2];
  Address LightMap;  // 32-bit integers, bounds (256, 256)
  std::uint32_t LightMapDimensions[2];
  Address FrameBuffer;  // 320 x 200 palette indices, row after row
  std::uint32_t StartTick;
  float ReliefFactor;
  std::int32_t LightAngle;  // degrees, +5 per frame, never reduced
  std::int32_t LightX;
  std::int32_t LightY;
};
extern DemoState Demo;

// The picture that this executable opens from its own directory.
extern const char PictureName[];

// Dimensions the light map (257 x 257 longs) and the height map (321 x 201 words); 0
// when either cannot be had.
std::int32_t DimensionDemoArrays();

// Decodes the run-length-encoded 8-bit pixels of a PCX picture into the height map.
void LoadHeightMap(const char* fileName);

// The cone of light intensities: 255 in the middle, falling to 0 at 128 cells.
void BuildLightMap();
// Shades rows 1 to 198, columns 1 to 318 of the frame buffer.
void ShadeFrame();
void PlotPixel(std::int32_t x, std::int32_t y, std::int32_t color);

// Height map and light map cells as the arrays' dimension lists place them.
std::int16_t* HeightCell(std::int32_t column, std::int32_t row);
std::int32_t* LightCell(std::int32_t first, std::int32_t second);

// The timeline: the light angle in radians, the relief factor for an elapsed time
// (`previous` stays when no rule applies) and the light's position.
double LightRadians(std::int32_t lightAngle);
float ReliefFactorAt(std::int32_t elapsed, float previous, std::int32_t lightAngle);
std::int32_t LightXAt(std::int32_t lightAngle);
std::int32_t LightYAt(std::int32_t lightAngle);
// The angle after a frame: 5 degrees on, wrapping as the 32-bit value it is.
std::int32_t NextLightAngle(std::int32_t lightAngle);
// Sets the relief factor and the light's position for the tick count `now`.
void UpdateTimeline(DWORD now);

// Copies the frame buffer into the open drawing session's pixels at column 240, row 150.
void CopyFrameToScreen();
