// Writer for 8-bit, single-plane, run-length-encoded PCX pictures with a 256-colour palette,
// the form the demo reads its height maps in.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace pcx {

struct Image {
  int width;
  int height;
  std::vector<std::uint8_t> pixels;       // width * height, row-major
  std::array<std::uint8_t, 768> palette;  // 256 RGB triples
};

// The whole file: header, encoded scanlines and palette trailer. Throws std::invalid_argument
// when the size is outside 1..65535 or does not match the pixel count.
std::vector<std::uint8_t> Encode(const Image& image);

// Returns false when the file cannot be created or written; throws like Encode.
bool Write(const std::string& path, const Image& image);

// All pixels zero, palette entry i = (i, i, i).
Image Grayscale(int width, int height);

}  // namespace pcx
