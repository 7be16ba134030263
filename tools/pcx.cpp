// Reading and writing 320 x 200 PCX pictures of 256 colours, for the tools and tests that
// make and check pictures.
#include "tools/pcx.h"

#include <algorithm>
#include <cstddef>
#include <fstream>
#include <stdexcept>

namespace pcx {
namespace {

constexpr std::size_t kHeaderSize = 128;
constexpr int kMaxRun = 63;
constexpr std::uint8_t kRunMarker = 0xC0;
constexpr std::uint8_t kPaletteTag = 12;

void PutWord(std::vector<std::uint8_t>& out, std::size_t offset, int value) {
  out[offset] = static_cast<std::uint8_t>(value & 0xFF);
  out[offset + 1] = static_cast<std::uint8_t>((value >> 8) & 0xFF);
}

// Runs stop at the end of the line: readers decode one scanline at a time.
void EncodeLine(const std::uint8_t* line, int length, std::vector<std::uint8_t>& out) {
  int i = 0;
  while (i < length) {
    const std::uint8_t value = line[i];
    int run = 1;
    while (i + run < length && run < kMaxRun && line[i + run] == value) ++run;
    // A lone byte with both top bits set would be read as a run marker.
    if (run > 1 || value >= kRunMarker) {
      out.push_back(static_cast<std::uint8_t>(kRunMarker + run));
    }
    out.push_back(value);
    i += run;
  }
}

}  // namespace

std::vector<std::uint8_t> Encode(const Image& image) {
  if (image.width < 1 || image.width > 65535 || image.height < 1 || image.height > 65535) {
    throw std::invalid_argument("pcx: picture size out of range");
  }
  const std::size_t width = static_cast<std::size_t>(image.width);
  const std::size_t height = static_cast<std::size_t>(image.height);
  if (image.pixels.size() != width * height) {
    throw std::invalid_argument("pcx: pixel count does not match the size");
  }
  const int bytesPerLine = image.width + (image.width & 1);

  std::vector<std::uint8_t> out(kHeaderSize, 0);
  out[0] = 10;  // manufacturer
  out[1] = 5;   // version with a 256-colour palette
  out[2] = 1;   // run-length encoding
  out[3] = 8;   // bits per pixel
  PutWord(out, 8, image.width - 1);
  PutWord(out, 10, image.height - 1);
  PutWord(out, 12, 72);
  PutWord(out, 14, 72);
  out[65] = 1;  // planes
  PutWord(out, 66, bytesPerLine);
  PutWord(out, 68, 1);  // colour palette

  std::vector<std::uint8_t> line(static_cast<std::size_t>(bytesPerLine), 0);
  for (std::size_t y = 0; y < height; ++y) {
    const auto row = image.pixels.begin() + static_cast<std::ptrdiff_t>(y * width);
    std::copy(row, row + static_cast<std::ptrdiff_t>(width), line.begin());
    EncodeLine(line.data(), bytesPerLine, out);
  }

  out.push_back(kPaletteTag);
  out.insert(out.end(), image.palette.begin(), image.palette.end());
  return out;
}

bool Write(const std::string& path, const Image& image) {
  const std::vector<std::uint8_t> bytes = Encode(image);
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  if (!file) return false;
  file.write(reinterpret_cast<const char*>(bytes.data()),
             static_cast<std::streamsize>(bytes.size()));
  file.close();
  return !file.fail();
}

Image Grayscale(int width, int height) {
  Image image{width, height, {}, {}};
  if (width > 0 && height > 0) {
    image.pixels.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), 0);
  }
  for (std::size_t i = 0; i < 256; ++i) {
    const auto level = static_cast<std::uint8_t>(i);
    image.palette[3 * i] = level;
    image.palette[3 * i + 1] = level;
    image.palette[3 * i + 2] = level;
  }
  return image;
}

}  // namespace pcx
