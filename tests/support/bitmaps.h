// Windows bitmap files and sprite pixels for the sprite tests.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "platform/win32.h"

using Bytes = std::vector<std::uint8_t>;

// A bitmap file with the 54-byte header (and a grey palette for 8 bits) before its pixels.
// pixel(x, storedRow) gives each pixel's value, written in bits / 8 little-endian bytes;
// the bytes that pad a row to 4 hold 0xEE, so that a wrong stride shows.
Bytes BitmapFile(std::int32_t width, std::int32_t height, std::int32_t bits,
                 const std::function<std::uint32_t(std::int32_t x, std::int32_t storedRow)>& pixel);

// The little-endian 32-bit field at the offset replaced.
void SetField32(Bytes& file, std::size_t offset, std::uint32_t value);
void SetField16(Bytes& file, std::size_t offset, std::uint16_t value);

// The pixel value (bytes / pixel little-endian) at x, y of the surface, read with Lock.
std::uint32_t SurfacePixel(void* surface, std::int32_t x, std::int32_t y, std::int32_t bytes);
// The bytes of the pixel at x, y, read with Lock.
Bytes SurfaceBytes(void* surface, std::int32_t x, std::int32_t y, std::int32_t bytes);
// The surface's source colour key as its low and high values; empty when it has none.
std::vector<DWORD> SourceColorKey(void* surface);
