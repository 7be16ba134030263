// Decoding by stb_image (Debian's libstb-dev), limited to the four formats we name; scaling
// by stb_image_resize, which averages what it shrinks and interpolates what it enlarges.
#include "tools/height_picture.h"

#include <algorithm>
#include <cmath>
#include <memory>

#include "tools/pcx.h"

#define STBI_ONLY_PNG
#define STBI_ONLY_JPEG
#define STBI_ONLY_GIF
#define STBI_ONLY_BMP
#define STBI_NO_STDIO
#define STB_IMAGE_IMPLEMENTATION
#include <stb_image.h>
#define STB_IMAGE_RESIZE_IMPLEMENTATION
#include <stb_image_resize.h>

namespace height_picture {
namespace {

Made Refused(std::string error) { return Made{{}, std::move(error)}; }

}  // namespace

std::vector<std::uint8_t> Heights(const std::uint8_t* rgba, int width, int height) {
  const std::size_t count = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
  std::vector<std::uint8_t> brightness(count);
  for (std::size_t i = 0; i < count; ++i) {
    const std::uint8_t* pixel = rgba + 4 * i;
    const double luma = 0.299 * pixel[0] + 0.587 * pixel[1] + 0.114 * pixel[2];
    brightness[i] = static_cast<std::uint8_t>(std::nearbyint(luma * pixel[3] / 255.0));
  }
  // The middle of the image in the picture's shape: all its width or all its height.
  const double scale =
      std::max(static_cast<double>(kWidth) / width, static_cast<double>(kHeight) / height);
  const int cropWidth = std::clamp(static_cast<int>(std::lround(kWidth / scale)), 1, width);
  const int cropHeight = std::clamp(static_cast<int>(std::lround(kHeight / scale)), 1, height);
  const std::size_t left = static_cast<std::size_t>((width - cropWidth) / 2);
  const std::size_t top = static_cast<std::size_t>((height - cropHeight) / 2);
  std::vector<std::uint8_t> heights(static_cast<std::size_t>(kWidth) * kHeight);
  stbir_resize_uint8(brightness.data() + top * static_cast<std::size_t>(width) + left, cropWidth,
                     cropHeight, width, heights.data(), kWidth, kHeight, kWidth, 1);
  return heights;
}

Made FromImageFile(const std::vector<std::uint8_t>& file) {
  if (file.size() > kMaxFileBytes) {
    return Refused("the file is larger than 50 MB");
  }
  if (file.empty()) return Refused("the file is empty");
  const int length = static_cast<int>(file.size());
  int width = 0;
  int height = 0;
  int channels = 0;
  if (!stbi_info_from_memory(file.data(), length, &width, &height, &channels)) {
    return Refused("not a PNG, JPEG, GIF or BMP image");
  }
  if (static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(height) > kMaxPixels) {
    return Refused("the image has more than 100 megapixels (" + std::to_string(width) + " x " +
                   std::to_string(height) + ")");
  }
  const std::unique_ptr<stbi_uc, void (*)(void*)> rgba(
      stbi_load_from_memory(file.data(), length, &width, &height, &channels, 4), stbi_image_free);
  if (!rgba) {
    return Refused(std::string("the image is damaged (") + stbi_failure_reason() + ")");
  }
  pcx::Image picture = pcx::Grayscale(kWidth, kHeight);
  picture.pixels = Heights(rgba.get(), width, height);
  return Made{pcx::Encode(picture), {}};
}

}  // namespace height_picture
