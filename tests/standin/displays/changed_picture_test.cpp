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

// An area's first and last rows, then its left and right ends.
std::vector<int> Bounds(const ChangedArea& area) {
  return {area.first, area.last, area.left, area.right};
}

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
  EXPECT_EQ(Bounds(first), (std::vector<int>{0, 47, 0, 64}));
  EXPECT_TRUE(Convert(picture).Empty());

  picture.pixels[10 * 64 + 5] = 200;
  picture.pixels[12 * 64 + 9] = 201;
  ChangedArea area = Convert(picture);
  EXPECT_EQ(Bounds(area), (std::vector<int>{10, 12, 5, 10}));
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

// After the display is cleared to black, only what is not black goes, whatever picture
// came before: here a picture of two spots on black, and a palette without black.
TEST_F(ChangedPictureTest, AfterAClearToBlackOnlyWhatIsNotBlackIsSent) {
  Picture before(64, 48);
  for (std::size_t i = 0; i < before.pixels.size(); ++i) before.pixels[i] = 1 + i % 250;
  Convert(before);

  Picture spots(64, 48);
  spots.pixels[10 * 64 + 20] = 200;
  spots.pixels[14 * 64 + 29] = 201;
  changed.ShowsBlack();
  const std::uint32_t untouched = 0xABCDEF;
  std::vector<std::uint32_t> sent(64 * 48, untouched);
  ChangedArea area = changed.Convert(spots.View(), reinterpret_cast<BYTE*>(sent.data()), 64 * 4,
                                     ChangedPicture::Order::kXrgb);
  EXPECT_EQ(Bounds(area), (std::vector<int>{10, 14, 20, 30}));
  EXPECT_EQ(sent[10 * 64 + 20], 0xC8C8C8u);
  EXPECT_EQ(sent[10 * 64 + 29], 0u);
  EXPECT_EQ(sent[14 * 64 + 29], 0xC9C9C9u);
  EXPECT_EQ(sent[10 * 64 + 19], untouched);
  EXPECT_EQ(sent[20 * 64 + 20], untouched);
  // What it compares with next is the picture itself.
  EXPECT_TRUE(Convert(spots).Empty());

  changed.ShowsBlack();
  EXPECT_FALSE(changed.Prepare(spots.View()));
  // Shown before, so that its palette is no change: zero is simply not black.
  Picture grey(64, 48);
  grey.palette[0] = {1, 1, 1, 0};
  Convert(grey);
  changed.ShowsBlack();
  EXPECT_TRUE(changed.Prepare(grey.View()));
  EXPECT_EQ(Bounds(Convert(grey)), (std::vector<int>{0, 47, 0, 64}));
  EXPECT_EQ(out[47 * 64 + 63], 0x010101u);

  // A display that then lost its picture gets it whole, black or not.
  changed.ShowsBlack();
  changed.SendWhole();
  EXPECT_TRUE(changed.Prepare(spots.View()));
  EXPECT_EQ(Bounds(Convert(spots)), (std::vector<int>{0, 47, 0, 64}));
}

// The same bytes in another shape: 64 x 48 turned 48 x 64 is a new picture, sent whole.
TEST_F(ChangedPictureTest, AReshapedPictureOfTheSameSizeIsConvertedWhole) {
  Picture wide(64, 48);
  for (std::size_t i = 0; i < wide.pixels.size(); ++i) wide.pixels[i] = i % 251;
  Convert(wide);
  Picture tall(48, 64);
  tall.pixels = wide.pixels;
  ChangedArea area = Convert(tall);
  EXPECT_EQ(Bounds(area), (std::vector<int>{0, 63, 0, 48}));
  EXPECT_EQ(out[63 * 48 + 47], 0x010101u * ((63 * 48 + 47) % 251));
  changed.SendWhole();
  EXPECT_EQ(Convert(tall).last, 63);
  EXPECT_TRUE(Convert(tall).Empty());
}

// A change of one byte of a pixel at either end of a row's changed span sends that whole
// pixel: the span's ends are widened to whole pixels, never narrowed. In 16 and 32 bits,
// in both orders a driver may ask for.
TEST(ChangedPictureSpanTest, OneByteChangedAtEitherEndSendsItsPixel) {
  struct Case {
    standin::PixelFormat format;
    DWORD leftPixel, leftByte, rightPixel, rightByte;
  };
  const Case cases[] = {
      {{16, 0xF800, 0x07E0, 0x001F}, 2, 1, 5, 0},
      {{16, 0xF800, 0x07E0, 0x001F}, 3, 0, 3, 1},
      {{32, 0xFF0000, 0xFF00, 0xFF}, 2, 2, 6, 0},
      {{32, 0xFF0000, 0xFF00, 0xFF}, 1, 1, 4, 2},
  };
  for (const Case& c : cases) {
    for (auto order : {ChangedPicture::Order::kXrgb, ChangedPicture::Order::kRgbaBytes}) {
      SCOPED_TRACE(testing::Message()
                   << c.format.bitsPerPixel << " bits, pixels " << c.leftPixel << " to "
                   << c.rightPixel << ", order " << static_cast<int>(order));
      const DWORD width = 8, bytes = c.format.bitsPerPixel / 8;
      std::vector<BYTE> pixels(width * bytes, 0);
      FrameView frame{width, 1, static_cast<LONG>(width * bytes), pixels.data(), c.format, nullptr};
      ChangedPicture changed;
      std::vector<std::uint32_t> out(width, 0);
      changed.Convert(frame, reinterpret_cast<BYTE*>(out.data()), width * 4, order);
      pixels[c.leftPixel * bytes + c.leftByte] = 0xFF;
      pixels[c.rightPixel * bytes + c.rightByte] = 0xFF;
      out.assign(width, 0);
      ChangedArea area =
          changed.Convert(frame, reinterpret_cast<BYTE*>(out.data()), width * 4, order);
      EXPECT_EQ(area.left, static_cast<int>(c.leftPixel));
      EXPECT_EQ(area.right, static_cast<int>(c.rightPixel + 1));
      standin::RgbConverter colours(c.format, nullptr);
      for (DWORD x : {c.leftPixel, c.rightPixel}) {
        std::uint32_t rgb = colours.Pixel(standin::ReadPixel(pixels.data(), x, bytes));
        ASSERT_NE(rgb, 0u);
        EXPECT_EQ(out[x], order == ChangedPicture::Order::kXrgb
                              ? rgb
                              : 0xFF000000 | (rgb & 0xFF) << 16 | (rgb & 0xFF00) | rgb >> 16)
            << "pixel " << x;
      }
    }
  }
}

// A browser's canvas takes the bytes R, G, B, 255: from an 8-bit picture's palette and
// from a 16-bit picture's channels alike, whichever way the driver asks.
TEST_F(ChangedPictureTest, ColoursComeInTheDriversOrder) {
  Picture indexed(4, 1);
  indexed.palette[7] = {0x12, 0x34, 0x56, 0};
  indexed.pixels = {7, 0, 7, 255};
  std::vector<std::uint32_t> rgba(4);
  changed.Convert(indexed.View(), reinterpret_cast<BYTE*>(rgba.data()), 16,
                  ChangedPicture::Order::kRgbaBytes);
  const auto* bytes = reinterpret_cast<const BYTE*>(rgba.data());
  EXPECT_EQ(std::vector<BYTE>(bytes, bytes + 16),
            (std::vector<BYTE>{0x12, 0x34, 0x56, 255, 0, 0, 0, 255, 0x12, 0x34, 0x56, 255, 255, 255,
                               255, 255}));
  changed.SendWhole();
  Convert(indexed);
  EXPECT_EQ(out, (std::vector<std::uint32_t>{0x123456, 0, 0x123456, 0xFFFFFF}));

  // 5-6-5: pure red, then pure blue.
  std::vector<BYTE> pixels = {0x00, 0xF8, 0x1F, 0x00};
  FrameView highColour{2, 1, 4, pixels.data(), {16, 0xF800, 0x07E0, 0x001F}, nullptr};
  ChangedPicture fresh;
  fresh.Convert(highColour, reinterpret_cast<BYTE*>(rgba.data()), 8,
                ChangedPicture::Order::kRgbaBytes);
  EXPECT_EQ(std::vector<BYTE>(bytes, bytes + 8),
            (std::vector<BYTE>{255, 0, 0, 255, 0, 0, 255, 255}));
}

// Rows are compared eight bytes at a time: in a row of any length, the changed span runs
// from the first changed pixel to the last, wherever they lie in those eight bytes.
TEST_F(ChangedPictureTest, TheChangedSpanIsFoundInARowOfAnyLength) {
  for (DWORD width = 1; width <= 19; ++width) {
    for (DWORD left = 0; left < width; ++left) {
      for (DWORD right = left; right < width; ++right) {
        SCOPED_TRACE(testing::Message()
                     << "width " << width << ", pixels " << left << " to " << right);
        Picture row(width, 1);
        Convert(row);
        row.pixels[left] = 7;
        row.pixels[right] = 9;
        ChangedArea area = Convert(row);
        EXPECT_EQ(Bounds(area),
                  (std::vector<int>{0, 0, static_cast<int>(left), static_cast<int>(right + 1)}));
      }
    }
  }
}

}  // namespace
