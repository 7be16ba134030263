// The picture made from one's own image: its shape and brightness, each format it reads, and
// the files it refuses. The images are made here (stb_image_write), the picture read back as
// the demonstration reads it: 320 pixels a row, runs crossing rows.
#include "tools/height_picture.h"

#include <gtest/gtest.h>
#include <stb_image_write.h>

#include <cstdint>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

struct Rgba {
  std::uint8_t r, g, b, a;
};

using Painter = std::function<Rgba(int x, int y)>;

Bytes Paint(int width, int height, const Painter& painter) {
  Bytes pixels;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const Rgba colour = painter(x, y);
      pixels.insert(pixels.end(), {colour.r, colour.g, colour.b, colour.a});
    }
  }
  return pixels;
}

void Append(void* context, void* data, int size) {
  auto* out = static_cast<Bytes*>(context);
  const auto* bytes = static_cast<const std::uint8_t*>(data);
  out->insert(out->end(), bytes, bytes + size);
}

enum class Format { kPng, kBmp, kJpeg };

Bytes Encode(Format format, int width, int height, const Painter& painter) {
  const Bytes pixels = Paint(width, height, painter);
  Bytes file;
  switch (format) {
    case Format::kPng:
      stbi_write_png_to_func(Append, &file, width, height, 4, pixels.data(), width * 4);
      break;
    case Format::kBmp:
      stbi_write_bmp_to_func(Append, &file, width, height, 4, pixels.data());
      break;
    case Format::kJpeg:
      stbi_write_jpg_to_func(Append, &file, width, height, 4, pixels.data(), 95);
      break;
  }
  return file;
}

// The picture's 320 x 200 heights, decoded from its run-length code after the header.
Bytes Heights(const Bytes& pcx) {
  Bytes heights;
  for (std::size_t i = 128; i < pcx.size() && heights.size() < 320 * 200; ++i) {
    if (pcx[i] >= 192) {
      heights.insert(heights.end(), pcx[i] - 192u, pcx[i + 1]);
      ++i;
    } else {
      heights.push_back(pcx[i]);
    }
  }
  return heights;
}

Bytes Made(const Bytes& file) {
  const height_picture::Made made = height_picture::FromImageFile(file);
  EXPECT_EQ(made.error, "");
  const Bytes heights = Heights(made.pcx);
  EXPECT_EQ(heights.size(), 320u * 200u);
  return heights;
}

const Rgba kWhite{255, 255, 255, 255};
const Rgba kBlack{0, 0, 0, 255};

TEST(HeightPicture, TakesEachPixelsBrightnessAsItsHeight) {
  struct Case {
    const char* what;
    Rgba colour;
    int height;
  };
  for (const Case& c : {Case{"white", kWhite, 255}, Case{"black", kBlack, 0},
                        Case{"red", {255, 0, 0, 255}, 76}, Case{"green", {0, 255, 0, 255}, 150},
                        Case{"blue", {0, 0, 255, 255}, 29}, Case{"grey", {100, 100, 100, 255}, 100},
                        Case{"white, half transparent", {255, 255, 255, 128}, 128},
                        Case{"white, transparent", {255, 255, 255, 0}, 0}}) {
    const Bytes heights = Made(Encode(Format::kPng, 32, 20, [&](int, int) { return c.colour; }));
    EXPECT_EQ(heights, Bytes(320 * 200, static_cast<std::uint8_t>(c.height))) << c.what;
  }
}

TEST(HeightPicture, ScalesTheImageInItsShape) {
  // A left-to-right ramp twice the picture's size, and a fifth of it: the same ramp.
  for (const auto& [width, height] : {std::pair{640, 400}, std::pair{64, 40}}) {
    const Bytes heights = Made(Encode(Format::kPng, width, height, [&](int x, int) {
      const auto level = static_cast<std::uint8_t>(x * 255 / (width - 1));
      return Rgba{level, level, level, 255};
    }));
    for (int y : {0, 100, 199}) {
      for (int x = 8; x < 312; x += 8) {
        EXPECT_NEAR(heights[y * 320 + x], x * 255.0 / 319, 6)
            << width << " x " << height << " at " << x;
      }
    }
  }
}

TEST(HeightPicture, CropsWhatSticksOutOfItsShapeRatherThanStretch) {
  // Black bands beyond the picture's shape, white within: a square loses its top and
  // bottom, a wide image its sides; what is left is white.
  struct Case {
    int width, height;
    Painter painter;
  };
  for (const Case& c :
       {Case{400, 400, [](int, int y) { return y < 75 || y >= 325 ? kBlack : kWhite; }},
        Case{800, 200, [](int x, int) { return x < 240 || x >= 560 ? kBlack : kWhite; }}}) {
    const Bytes heights = Made(Encode(Format::kPng, c.width, c.height, c.painter));
    for (int y = 3; y < 197; ++y) {
      for (int x = 3; x < 317; ++x) {
        ASSERT_EQ(heights[y * 320 + x], 255)
            << c.width << " x " << c.height << " at " << x << ", " << y;
      }
    }
  }
}

TEST(HeightPicture, ReadsPngBmpJpegAndGif) {
  const Painter grey = [](int, int) { return Rgba{90, 90, 90, 255}; };
  for (const auto& [what, file, tolerance] :
       {std::tuple{"PNG", Encode(Format::kPng, 50, 30, grey), 0},
        std::tuple{"BMP", Encode(Format::kBmp, 50, 30, grey), 0},
        std::tuple{"JPEG", Encode(Format::kJpeg, 50, 30, grey), 2}}) {
    for (std::uint8_t height : Made(file)) ASSERT_NEAR(height, 90, tolerance) << what;
  }
  // A 1 x 1 GIF of one colour, (90, 90, 90), written out by hand.
  const Bytes gif = {'G', 'I', 'F', '8', '9', 'a', 1, 0, 1, 0, 0x80, 0, 0, 90,   90,   90, 0,  0,
                     0,   ',', 0,   0,   0,   0,   1, 0, 1, 0, 0,    2, 2, 0x44, 0x01, 0,  ';'};
  EXPECT_EQ(Made(gif), Bytes(320 * 200, 90));
}

TEST(HeightPicture, RefusesWhatIsNoImageOrTooLargeOrDamaged) {
  const Bytes png = Encode(Format::kPng, 64, 40, [](int, int) { return kWhite; });
  Bytes huge = Encode(Format::kPng, 1, 1, [](int, int) { return kWhite; });
  // The header says 20000 x 10000 pixels.
  huge[16] = 0, huge[17] = 0, huge[18] = 0x4E, huge[19] = 0x20;
  huge[20] = 0, huge[21] = 0, huge[22] = 0x27, huge[23] = 0x10;
  struct Case {
    const char* what;
    Bytes file;
    const char* error;
  };
  for (const Case& c :
       {Case{"empty", {}, "empty"},
        Case{"text", Bytes{'h', 'e', 'l', 'l', 'o', '\n'}, "not a PNG, JPEG, GIF or BMP"},
        Case{"cut short", Bytes(png.begin(), png.begin() + png.size() / 2), "damaged"},
        Case{"200 megapixels", huge, "more than 100 megapixels"},
        Case{"over 50 MB", Bytes(height_picture::kMaxFileBytes + 1, 0), "50 MB"}}) {
    const height_picture::Made made = height_picture::FromImageFile(c.file);
    EXPECT_TRUE(made.pcx.empty()) << c.what;
    EXPECT_NE(made.error.find(c.error), std::string::npos) << c.what << ": " << made.error;
  }
}

}  // namespace
