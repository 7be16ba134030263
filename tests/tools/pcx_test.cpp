// The PCX writer of the tools: run-length encoding, header fields, palette, and a round
// trip through the reader.
#include "tools/pcx.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr std::size_t kHeaderSize = 128;
constexpr std::size_t kTrailerSize = 769;

int Word(const Bytes& file, std::size_t offset) { return file[offset] | (file[offset + 1] << 8); }

// The encoded scanlines alone, between header and palette trailer.
Bytes Body(const Bytes& file) {
  return Bytes(file.begin() + kHeaderSize, file.end() - kTrailerSize);
}

struct Decoded {
  int width;
  int height;
  Bytes pixels;
  Bytes palette;
};

// Reads the file the way a strict reader does: one scanline of bytes-per-line at a time, a
// run never spilling into the next line, padding dropped, palette after the 12 tag.
std::optional<Decoded> Decode(const Bytes& file) {
  if (file.size() < kHeaderSize + kTrailerSize) return std::nullopt;
  if (file[0] != 10 || file[1] != 5 || file[2] != 1 || file[3] != 8 || file[65] != 1) {
    return std::nullopt;
  }
  const int width = Word(file, 8) - Word(file, 4) + 1;
  const int height = Word(file, 10) - Word(file, 6) + 1;
  const int bytesPerLine = Word(file, 66);
  if (width < 1 || height < 1 || bytesPerLine < width) return std::nullopt;

  const std::size_t end = file.size() - kTrailerSize;
  if (file[end] != 12) return std::nullopt;

  Decoded decoded{width, height, {}, Bytes(file.begin() + end + 1, file.end())};
  std::size_t at = kHeaderSize;
  for (int y = 0; y < height; ++y) {
    Bytes line;
    while (line.size() < static_cast<std::size_t>(bytesPerLine)) {
      if (at >= end) return std::nullopt;
      std::size_t count = 1;
      std::uint8_t value = file[at++];
      if ((value & 0xC0) == 0xC0) {
        count = value & 0x3F;
        if (at >= end) return std::nullopt;
        value = file[at++];
      }
      if (line.size() + count > static_cast<std::size_t>(bytesPerLine)) return std::nullopt;
      line.insert(line.end(), count, value);
    }
    decoded.pixels.insert(decoded.pixels.end(), line.begin(), line.begin() + width);
  }
  if (at != end) return std::nullopt;
  return decoded;
}

pcx::Image Filled(int width, int height, std::uint8_t value) {
  pcx::Image image = pcx::Grayscale(width, height);
  image.pixels.assign(image.pixels.size(), value);
  return image;
}

TEST(PcxEncode, SplitsRunsLongerThan63) {
  const Bytes file = pcx::Encode(Filled(128, 1, 3));
  EXPECT_EQ(Body(file), (Bytes{0xFF, 3, 0xFF, 3, 0xC2, 3}));
}

TEST(PcxEncode, RunOfExactly63IsOneMarker) {
  pcx::Image image = Filled(64, 1, 9);
  image.pixels[63] = 8;
  EXPECT_EQ(Body(pcx::Encode(image)), (Bytes{0xFF, 9, 8}));
}

TEST(PcxEncode, EscapesLoneBytesFrom192Up) {
  pcx::Image image = pcx::Grayscale(6, 1);
  image.pixels = {200, 5, 255, 192, 191, 0};
  EXPECT_EQ(Body(pcx::Encode(image)), (Bytes{0xC1, 200, 5, 0xC1, 255, 0xC1, 192, 191, 0}));
}

TEST(PcxEncode, WritesRunsOfTwoAsMarker) {
  pcx::Image image = pcx::Grayscale(4, 1);
  image.pixels = {7, 7, 1, 2};
  EXPECT_EQ(Body(pcx::Encode(image)), (Bytes{0xC2, 7, 1, 2}));
}

TEST(PcxEncode, RunsStopAtTheEndOfEachScanline) {
  const Bytes file = pcx::Encode(Filled(4, 3, 9));
  EXPECT_EQ(Body(file), (Bytes{0xC4, 9, 0xC4, 9, 0xC4, 9}));
}

TEST(PcxEncode, PadsOddWidthLinesToEvenLength) {
  pcx::Image image = pcx::Grayscale(3, 2);
  image.pixels = {1, 2, 3, 4, 5, 6};
  const Bytes file = pcx::Encode(image);
  EXPECT_EQ(Word(file, 66), 4);
  EXPECT_EQ(Body(file), (Bytes{1, 2, 3, 0, 4, 5, 6, 0}));
}

TEST(PcxEncode, PaddingJoinsARunOfZeros) {
  pcx::Image image = pcx::Grayscale(3, 1);
  image.pixels = {4, 0, 0};
  EXPECT_EQ(Body(pcx::Encode(image)), (Bytes{4, 0xC3, 0}));
}

TEST(PcxEncode, HeaderFieldsAreWhereReadersLook) {
  const Bytes file = pcx::Encode(pcx::Grayscale(321, 199));
  EXPECT_EQ(file[0], 10);
  EXPECT_EQ(file[1], 5);
  EXPECT_EQ(file[2], 1);
  EXPECT_EQ(file[3], 8);
  EXPECT_EQ(Word(file, 4), 0);
  EXPECT_EQ(Word(file, 6), 0);
  EXPECT_EQ(Word(file, 8), 320);
  EXPECT_EQ(Word(file, 10), 198);
  EXPECT_EQ(Word(file, 12), 72);
  EXPECT_EQ(Word(file, 14), 72);
  EXPECT_EQ(file[65], 1);
  EXPECT_EQ(Word(file, 66), 322);
  EXPECT_EQ(Word(file, 68), 1);
  for (std::size_t i = 16; i < 65; ++i) EXPECT_EQ(file[i], 0) << "offset " << i;
  for (std::size_t i = 70; i < kHeaderSize; ++i) EXPECT_EQ(file[i], 0) << "offset " << i;
}

TEST(PcxEncode, EndsWithTagAndPalette) {
  pcx::Image image = Filled(5, 5, 1);
  for (std::size_t i = 0; i < image.palette.size(); ++i) {
    image.palette[i] = static_cast<std::uint8_t>(i * 7 + 3);
  }
  const Bytes file = pcx::Encode(image);
  ASSERT_GT(file.size(), kHeaderSize + kTrailerSize);
  EXPECT_EQ(file[file.size() - kTrailerSize], 12);
  EXPECT_EQ(Bytes(file.end() - 768, file.end()), Bytes(image.palette.begin(), image.palette.end()));
}

TEST(PcxEncode, VariedImageSurvivesARoundTrip) {
  pcx::Image image = pcx::Grayscale(37, 23);
  std::uint32_t state = 12345;
  for (int y = 0; y < image.height; ++y) {
    for (int x = 0; x < image.width; ++x) {
      state = state * 1103515245u + 12345u;
      std::uint8_t value = static_cast<std::uint8_t>(state >> 16);
      if (y % 3 == 0) value = static_cast<std::uint8_t>(y * 11);
      if (y % 3 == 1 && x > 20) value = 0xC0 | static_cast<std::uint8_t>(x & 1);
      image.pixels[static_cast<std::size_t>(y * image.width + x)] = value;
    }
  }
  for (std::size_t i = 0; i < image.palette.size(); ++i) {
    image.palette[i] = static_cast<std::uint8_t>(255 - i % 256);
  }

  const std::optional<Decoded> decoded = Decode(pcx::Encode(image));
  ASSERT_TRUE(decoded.has_value());
  EXPECT_EQ(decoded->width, 37);
  EXPECT_EQ(decoded->height, 23);
  EXPECT_EQ(decoded->pixels, image.pixels);
  EXPECT_EQ(decoded->palette, Bytes(image.palette.begin(), image.palette.end()));
}

TEST(PcxEncode, WideLongRunsSurviveARoundTrip) {
  pcx::Image image = pcx::Grayscale(321, 3);
  for (std::size_t i = 0; i < image.pixels.size(); ++i) {
    image.pixels[i] = static_cast<std::uint8_t>(i < 400 ? 250 : i / 50);
  }
  const std::optional<Decoded> decoded = Decode(pcx::Encode(image));
  ASSERT_TRUE(decoded.has_value());
  EXPECT_EQ(decoded->pixels, image.pixels);
}

TEST(PcxEncode, RejectsPixelsThatDoNotMatchTheSize) {
  pcx::Image image = pcx::Grayscale(4, 4);
  image.pixels.pop_back();
  EXPECT_THROW(pcx::Encode(image), std::invalid_argument);
  EXPECT_THROW(pcx::Encode(pcx::Grayscale(0, 4)), std::invalid_argument);
  EXPECT_THROW(pcx::Encode(pcx::Grayscale(70000, 1)), std::invalid_argument);
}

TEST(PcxGrayscale, IsBlackWithAGrayRamp) {
  const pcx::Image image = pcx::Grayscale(3, 2);
  EXPECT_EQ(image.width, 3);
  EXPECT_EQ(image.height, 2);
  EXPECT_EQ(image.pixels, Bytes(6, 0));
  for (std::size_t i = 0; i < 256; ++i) {
    EXPECT_EQ(image.palette[3 * i], i);
    EXPECT_EQ(image.palette[3 * i + 1], i);
    EXPECT_EQ(image.palette[3 * i + 2], i);
  }
}

TEST(PcxWrite, WritesTheEncodedBytes) {
  pcx::Image image = pcx::Grayscale(9, 4);
  for (std::size_t i = 0; i < image.pixels.size(); ++i) {
    image.pixels[i] = static_cast<std::uint8_t>(i * 9);
  }
  const std::filesystem::path path = std::filesystem::temp_directory_path() / "pcx_test_write.pcx";
  ASSERT_TRUE(pcx::Write(path.string(), image));
  std::ifstream file(path, std::ios::binary);
  const Bytes written{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
  file.close();
  std::filesystem::remove(path);
  EXPECT_EQ(written, pcx::Encode(image));
}

TEST(PcxWrite, ReportsAPathThatCannotBeCreated) {
  const std::filesystem::path path =
      std::filesystem::temp_directory_path() / "pcx_test_missing_directory" / "out.pcx";
  EXPECT_FALSE(pcx::Write(path.string(), pcx::Grayscale(2, 2)));
}

}  // namespace
