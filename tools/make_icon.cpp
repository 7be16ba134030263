// make-icon <output-directory>
//
// Draws the project's icon: a tile in the demonstration's own colours (its ramp from
// black to orange), embossed with a dome and rings and lit from the upper left, as the
// demonstration lights its pictures. Writes bump.ico (16, 32, 48 and 256 pixels, for the
// Windows programs) and bump-16.png, bump-32.png, bump-48.png and bump-256.png (the
// Linux desktop's icon theme and the web pages' favicon), so every channel shows the
// same picture.
//
// The icon file holds the small sizes as 32-bit bitmaps with their transparency mask,
// which every Windows reads, and the 256-pixel one as PNG, as Windows reads it since
// Vista. The PNG encoding is stb_image_write's.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "runtime/little_endian.h"

#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb/stb_image_write.h>

namespace {

constexpr int kSizes[] = {16, 32, 48, 256};
constexpr int kSamples = 4;  // per pixel and axis, for smooth edges

// The tile's height at (x, y), both in [-1, 1], y downwards: a bevelled edge, a dome in
// the middle and rings around it.
double Height(double x, double y) {
  double edge = std::pow(std::pow(std::abs(x), 4) + std::pow(std::abs(y), 4), 0.25);
  double bevel = std::clamp((0.92 - edge) / 0.12, 0.0, 1.0);
  double r = std::hypot(x, y);
  double dome = r < 0.5 ? std::sqrt(0.25 - r * r) * 1.4 : 0.0;
  double rings = r >= 0.5 && r < 0.8 ? 0.03 * std::sin((r - 0.5) / 0.3 * 3 * 3.14159265358979) : 0;
  return 0.12 * bevel + dome + rings;
}

// Premultiplied-free RGBA, top row first.
std::vector<std::uint8_t> Draw(int size) {
  std::vector<std::uint8_t> pixels(static_cast<std::size_t>(size) * size * 4);
  const double lx = -0.55, ly = -0.65, lz = 1.0;
  const double lightLength = std::sqrt(lx * lx + ly * ly + lz * lz);
  for (int py = 0; py < size; ++py) {
    for (int px = 0; px < size; ++px) {
      double level = 0;
      int covered = 0;
      for (int sy = 0; sy < kSamples; ++sy) {
        for (int sx = 0; sx < kSamples; ++sx) {
          double x = ((px + (sx + 0.5) / kSamples) / size) * 2 - 1;
          double y = ((py + (sy + 0.5) / kSamples) / size) * 2 - 1;
          if (std::pow(std::abs(x), 4) + std::pow(std::abs(y), 4) > std::pow(0.92, 4)) continue;
          ++covered;
          const double d = 1e-3;
          double dx = (Height(x + d, y) - Height(x - d, y)) / (2 * d);
          double dy = (Height(x, y + d) - Height(x, y - d)) / (2 * d);
          double length = std::sqrt(dx * dx + dy * dy + 1);
          double lit = (-dx * lx - dy * ly + lz) / (length * lightLength);
          // The flat tile is darker than the dome, so that the dome stands out even at 16
          // pixels.
          double albedo = std::hypot(x, y) < 0.5 ? 1.0 : 0.55;
          level += std::clamp(0.12 + 0.95 * albedo * std::max(lit, 0.0), 0.0, 1.0);
        }
      }
      std::uint8_t* out = &pixels[(static_cast<std::size_t>(py) * size + px) * 4];
      if (covered == 0) continue;
      // The demonstration's ramp: entry i is red i, green i / 2, blue i / 4.
      int i = static_cast<int>(std::lround(level / covered * 255));
      out[0] = static_cast<std::uint8_t>(i);
      out[1] = static_cast<std::uint8_t>(i / 2);
      out[2] = static_cast<std::uint8_t>(i / 4);
      out[3] = static_cast<std::uint8_t>(std::lround(255.0 * covered / (kSamples * kSamples)));
    }
  }
  return pixels;
}

std::vector<std::uint8_t> Png(const std::vector<std::uint8_t>& rgba, int size) {
  std::vector<std::uint8_t> out;
  stbi_write_png_to_func(
      [](void* context, void* data, int length) {
        auto* bytes = static_cast<std::uint8_t*>(data);
        static_cast<std::vector<std::uint8_t>*>(context)->insert(
            static_cast<std::vector<std::uint8_t>*>(context)->end(), bytes, bytes + length);
      },
      &out, size, size, 4, rgba.data(), size * 4);
  return out;
}

// An icon image as a bitmap: the 40-byte information header with twice the height (the
// colours, then the mask), 32-bit BGRA rows bottom-up, then the mask, one bit a pixel
// (set where transparent), rows padded to 4 bytes.
std::vector<std::uint8_t> IconBitmap(const std::vector<std::uint8_t>& rgba, int size) {
  const auto maskRow = static_cast<std::uint32_t>((size + 31) / 32 * 4);
  std::vector<std::uint8_t> out;
  Put32(out, 40);
  Put32(out, static_cast<std::uint32_t>(size));
  Put32(out, static_cast<std::uint32_t>(size * 2));
  Put16(out, 1);
  Put16(out, 32);
  Put32(out, 0);
  Put32(out, static_cast<std::uint32_t>(size * size * 4) + maskRow * size);
  for (int i = 0; i < 4; ++i) Put32(out, 0);
  for (int y = size - 1; y >= 0; --y) {
    for (int x = 0; x < size; ++x) {
      const std::uint8_t* p = &rgba[(static_cast<std::size_t>(y) * size + x) * 4];
      out.insert(out.end(), {p[2], p[1], p[0], p[3]});
    }
  }
  for (int y = size - 1; y >= 0; --y) {
    std::vector<std::uint8_t> row(maskRow, 0);
    for (int x = 0; x < size; ++x) {
      if (rgba[(static_cast<std::size_t>(y) * size + x) * 4 + 3] == 0) {
        row[x / 8] |= static_cast<std::uint8_t>(0x80 >> (x % 8));
      }
    }
    out.insert(out.end(), row.begin(), row.end());
  }
  return out;
}

bool Write(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes) {
  std::ofstream file(path, std::ios::binary);
  file.write(reinterpret_cast<const char*>(bytes.data()),
             static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(file);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make-icon <output-directory>\n");
    return 2;
  }
  std::filesystem::path directory = argv[1];
  std::vector<std::vector<std::uint8_t>> images;
  for (int size : kSizes) {
    std::vector<std::uint8_t> rgba = Draw(size);
    std::vector<std::uint8_t> png = Png(rgba, size);
    if (png.empty() || !Write(directory / ("bump-" + std::to_string(size) + ".png"), png)) {
      std::fprintf(stderr, "make-icon: cannot write the %d-pixel picture\n", size);
      return 1;
    }
    images.push_back(size < 256 ? IconBitmap(rgba, size) : png);
  }
  // The icon file: its directory, an entry a size (0 stands for 256), then the images.
  std::vector<std::uint8_t> icon;
  Put16(icon, 0);
  Put16(icon, 1);
  Put16(icon, static_cast<std::uint32_t>(images.size()));
  auto offset = static_cast<std::uint32_t>(6 + 16 * images.size());
  for (std::size_t i = 0; i < images.size(); ++i) {
    icon.push_back(static_cast<std::uint8_t>(kSizes[i] % 256));
    icon.push_back(static_cast<std::uint8_t>(kSizes[i] % 256));
    icon.push_back(0);
    icon.push_back(0);
    Put16(icon, 1);
    Put16(icon, 32);
    Put32(icon, static_cast<std::uint32_t>(images[i].size()));
    Put32(icon, offset);
    offset += static_cast<std::uint32_t>(images[i].size());
  }
  for (const auto& image : images) icon.insert(icon.end(), image.begin(), image.end());
  if (!Write(directory / "bump.ico", icon)) {
    std::fprintf(stderr, "make-icon: cannot write bump.ico\n");
    return 1;
  }
  return 0;
}
