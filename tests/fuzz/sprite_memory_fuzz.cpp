// Any image in memory as a sprite, onto 8-, 16- and 32-bit screens and as every kind.
// An image in memory comes without its size, so the caller's memory must hold what its
// header describes: the input is placed in a block exactly that large (zero-filled past
// the input), and anything read beyond it is a finding.
#include <algorithm>
#include <cstdint>
#include <vector>

#include "sprite/sprite.h"
#include "tests/fuzz/fuzz_support.h"
#include "tests/fuzz/sprite_screen.h"

namespace {

constexpr std::size_t kBitmapHeaders = 54;
constexpr std::uint64_t kLargestImage = 8u << 20;

std::uint32_t Field(const std::vector<std::uint8_t>& image, std::size_t offset, int bytes) {
  std::uint32_t value = 0;
  for (int i = bytes - 1; i >= 0; --i) value = value << 8 | image[offset + i];
  return value;
}

// The bytes the header describes: its headers, and when its fields make a bitmap, the
// pixel rows from its pixel offset on. 0 for one too large to be placed in memory here.
std::uint64_t DescribedSize(const std::vector<std::uint8_t>& image) {
  std::uint64_t offset = Field(image, 10, 4);
  auto width = static_cast<std::int32_t>(Field(image, 18, 4));
  auto height = static_cast<std::int32_t>(Field(image, 22, 4));
  std::uint32_t bits = Field(image, 28, 2);
  if (width < 1 || height < 1 || width > 32767 || height > 32767) return kBitmapHeaders;
  if (bits != 8 && bits != 16 && bits != 24 && bits != 32) return kBitmapHeaders;
  std::uint64_t stride = (std::uint64_t(width) * (bits / 8) + 3) & ~std::uint64_t{3};
  std::uint64_t end = std::max<std::uint64_t>(offset + stride * height, kBitmapHeaders);
  return end > kLargestImage ? 0 : end;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  SpriteCase spriteCase = SpriteCaseOf(data[0]);
  std::vector<std::uint8_t> image(data + 1, data + size);
  image.resize(std::max(image.size(), kBitmapHeaders));
  std::uint64_t described = DescribedSize(image);
  if (described == 0) return 0;
  image.resize(std::max<std::uint64_t>(image.size(), described));
  image.shrink_to_fit();
  OpenSpriteScreen(spriteCase);
  if (LoadSpriteFromMemory(1, image.data(), spriteCase.kind) != 0) CheckLoadedSprite(1);
  fuzz::EndRuntime();
  return 0;
}
