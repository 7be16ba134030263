// What a driver that sends only changes is given to send: the changed rows and columns,
// and the whole picture after a change of shape, format or palette.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "platform/posix/displays/display.h"

namespace {

using standin::ChangedArea;
using standin::ChangedPicture;
using standin::FrameView;
using standin::Palette256;

// An 8-bit picture whose rows are packed, with a grey ramp as its palette.
struct Picture {
  Picture(DWORD width, DWORD height) : width(width), height(height), pixels(width * height) {
    for (int i = 0; i < 256; ++i) {
      auto level = static_cast<BYTE>(i);
      palette[i] = {level, level, level, 0};
    }
  }
  FrameView View() const {
    return {width, height, static_cast<LONG>(width), pixels.data(), {8, 0, 0, 0}, &palette};
  }
  DWORD width;
  DWORD height;
  std::vector<BYTE> pixels;
  Palette256 palette{};
};

class ChangedPictureTest : public testing::Test {
 protected:
  ChangedArea Convert(const Picture& picture) {
    out.assign(std::size_t{picture.width} * picture.height, 0);
    return changed.Convert(picture.View(), reinterpret_cast<BYTE*>(out.data()),
                           static_cast<int>(picture.width * 4), ChangedPicture::Order::kXrgb);
  }
  ChangedPicture changed;
  std::vector<std::uint32_t> out;
};

TEST_F(ChangedPictureTest, OnlyTheChangedRowsAndColumnsAreConverted) {
  Picture picture(64, 48);
  for (std::size_t i = 0; i < picture.pixels.size(); ++i) picture.pixels[i] = i % 251;
  ChangedArea first = Convert(picture);
  EXPECT_EQ(first.first, 0);
  EXPECT_EQ(first.last, 47);
  EXPECT_EQ(first.left, 0);
  EXPECT_EQ(first.right, 64);
  EXPECT_TRUE(Convert(picture).Empty());

  picture.pixels[10 * 64 + 5] = 200;
  picture.pixels[12 * 64 + 9] = 201;
  ChangedArea area = Convert(picture);
  EXPECT_EQ(area.first, 10);
  EXPECT_EQ(area.last, 12);
  EXPECT_EQ(area.left, 5);
  EXPECT_EQ(area.right, 10);
  EXPECT_EQ(out[10 * 64 + 5], 0xC8C8C8u);
  EXPECT_EQ(out[12 * 64 + 9], 0xC9C9C9u);
  // The unchanged row between them is left alone.
  EXPECT_EQ(out[11 * 64 + 5], 0u);

  // A new palette changes every pixel's colour, though no pixel changed.
  picture.palette[200] = {255, 0, 0, 0};
  ChangedArea repainted = Convert(picture);
  EXPECT_EQ(repainted.first, 0);
  EXPECT_EQ(repainted.last, 47);
  EXPECT_EQ(out[10 * 64 + 5], 0xFF0000u);
}

// The same bytes in another shape: 64 x 48 turned 48 x 64 is a new picture, sent whole.
TEST_F(ChangedPictureTest, AReshapedPictureOfTheSameSizeIsConvertedWhole) {
  Picture wide(64, 48);
  for (std::size_t i = 0; i < wide.pixels.size(); ++i) wide.pixels[i] = i % 251;
  Convert(wide);
  Picture tall(48, 64);
  tall.pixels = wide.pixels;
  ChangedArea area = Convert(tall);
  EXPECT_EQ(area.first, 0);
  EXPECT_EQ(area.last, 63);
  EXPECT_EQ(area.left, 0);
  EXPECT_EQ(area.right, 48);
  EXPECT_EQ(out[63 * 48 + 47], 0x010101u * ((63 * 48 + 47) % 251));
  changed.SendWhole();
  EXPECT_EQ(Convert(tall).last, 63);
  EXPECT_TRUE(Convert(tall).Empty());
}

}  // namespace
