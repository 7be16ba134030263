// The demonstration's picture made from an image of one's own: 320 x 200 pixels whose values
// are heights, written as the 256-colour run-length PCX the programs read. The image is
// fitted to the picture's shape (the middle kept, what sticks out cropped, never stretched)
// and scaled; each pixel's brightness (its colour over black, weighted as the eye weighs
// red, green and blue: 0.299, 0.587, 0.114) is its height, 0 to 255. The web pages make the
// same picture from what the browser decodes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace height_picture {

constexpr int kWidth = 320;
constexpr int kHeight = 200;
// Larger images are refused before they are decoded.
constexpr std::size_t kMaxFileBytes = 50u * 1000u * 1000u;
constexpr std::uint64_t kMaxPixels = 100u * 1000u * 1000u;

struct Made {
  std::vector<std::uint8_t> pcx;  // the whole file; empty when the image was refused
  std::string error;              // why, in words for the user
};

// From the bytes of a PNG, JPEG, GIF (its first frame) or BMP file.
Made FromImageFile(const std::vector<std::uint8_t>& file);

// The kWidth x kHeight heights of an image of `width` x `height` RGBA pixels, row by row.
std::vector<std::uint8_t> Heights(const std::uint8_t* rgba, int width, int height);

}  // namespace height_picture
