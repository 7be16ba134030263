// Windows bitmap files made in memory for the sprite and palette tests.
#include "tests/support/bitmaps.h"

#include <cstring>

void SetField32(Bytes& file, std::size_t offset, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) file[offset + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

void SetField16(Bytes& file, std::size_t offset, std::uint16_t value) {
  file[offset] = static_cast<std::uint8_t>(value);
  file[offset + 1] = static_cast<std::uint8_t>(value >> 8);
}

Bytes BitmapFile(std::int32_t width, std::int32_t height, std::int32_t bits,
                 const std::function<std::uint32_t(std::int32_t, std::int32_t)>& pixel) {
  std::size_t paletteBytes = bits == 8 ? 1024 : 0;
  std::size_t stride = (static_cast<std::size_t>(width) * bits / 8 + 3) / 4 * 4;
  std::size_t offset = 54 + paletteBytes;
  Bytes file(offset + stride * height, 0xEE);
  std::memset(file.data(), 0, offset);
  file[0] = 'B';
  file[1] = 'M';
  SetField32(file, 2, static_cast<std::uint32_t>(file.size()));
  SetField32(file, 10, static_cast<std::uint32_t>(offset));
  SetField32(file, 14, 40);
  SetField32(file, 18, static_cast<std::uint32_t>(width));
  SetField32(file, 22, static_cast<std::uint32_t>(height));
  SetField16(file, 26, 1);
  SetField16(file, 28, static_cast<std::uint16_t>(bits));
  for (std::size_t i = 0; i < paletteBytes / 4; ++i) {
    for (int c = 0; c < 3; ++c) file[54 + 4 * i + c] = static_cast<std::uint8_t>(i);
  }
  for (std::int32_t row = 0; row < height; ++row) {
    for (std::int32_t x = 0; x < width; ++x) {
      std::uint32_t value = pixel(x, row);
      for (int b = 0; b < bits / 8; ++b) {
        file[offset + row * stride + x * (bits / 8) + b] =
            static_cast<std::uint8_t>(value >> (8 * b));
      }
    }
  }
  return file;
}

Bytes SurfaceBytes(void* surface, std::int32_t x, std::int32_t y, std::int32_t bytes) {
  auto* s = static_cast<IDirectDrawSurface7*>(surface);
  DDSURFACEDESC2 description;
  std::memset(&description, 0, sizeof description);
  description.dwSize = sizeof description;
  if (s->Lock(nullptr, &description, DDLOCK_WAIT, nullptr) != DD_OK) return {};
  const auto* p = static_cast<const std::uint8_t*>(description.lpSurface) +
                  static_cast<std::ptrdiff_t>(y) * description.lPitch + x * bytes;
  Bytes result(p, p + bytes);
  s->Unlock(nullptr);
  return result;
}

std::uint32_t SurfacePixel(void* surface, std::int32_t x, std::int32_t y, std::int32_t bytes) {
  Bytes pixel = SurfaceBytes(surface, x, y, bytes);
  std::uint32_t value = 0;
  for (std::size_t i = 0; i < pixel.size(); ++i) value |= std::uint32_t{pixel[i]} << (8 * i);
  return pixel.empty() ? 0xDEADBEEF : value;
}

std::vector<DWORD> SourceColorKey(void* surface) {
  DDCOLORKEY key{0xDEADBEEF, 0xDEADBEEF};
  if (static_cast<IDirectDrawSurface7*>(surface)->GetColorKey(DDCKEY_SRCBLT, &key) != DD_OK) {
    return {};
  }
  return {key.dwColorSpaceLowValue, key.dwColorSpaceHighValue};
}
