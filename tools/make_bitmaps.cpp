// make-bitmaps <output-directory>
//
// Draws the examples' Windows bitmaps: three 64 x 64 sprites for sprite-garden (a flower
// of 8 bits with its own colour table, a bee and a ladybird of 24 bits) and the 16 x 16
// colour wheel of palette-cycle, whose colour table is the palette it cycles. Black is
// the sprites' transparent colour, so every visible pixel of a sprite is kept off pure
// black, and in the colour wheel every entry but 0 has a colour of its own, so that a
// screenshot tells each entry apart.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "runtime/little_endian.h"

namespace {

constexpr int kSpriteSize = 64;
constexpr double kPi = 3.14159265358979;

struct Rgb {
  std::uint8_t red, green, blue;
};

// Pixels top row first; 8-bit images hold palette indices, 24-bit ones colours.
struct Bitmap {
  int width = 0;
  int height = 0;
  int bits = 24;
  std::vector<std::uint32_t> pixels;  // index, or red | green << 8 | blue << 16
  std::array<Rgb, 256> colors{};      // 8 bits only
};

// An uncompressed bitmap with the 14-byte file header and the 40-byte information header,
// rows stored bottom-up and padded to 4 bytes, a full colour table for 8 bits.
std::vector<std::uint8_t> Encode(const Bitmap& image) {
  const std::uint32_t rowBytes = static_cast<std::uint32_t>(image.width * image.bits / 8 + 3) & ~3u;
  const std::uint32_t tableBytes = image.bits == 8 ? 256 * 4 : 0;
  const std::uint32_t pixelOffset = 54 + tableBytes;
  const std::uint32_t pixelBytes = rowBytes * static_cast<std::uint32_t>(image.height);
  std::vector<std::uint8_t> out;
  out.push_back('B');
  out.push_back('M');
  Put32(out, pixelOffset + pixelBytes);
  Put32(out, 0);
  Put32(out, pixelOffset);
  Put32(out, 40);
  Put32(out, static_cast<std::uint32_t>(image.width));
  Put32(out, static_cast<std::uint32_t>(image.height));
  Put16(out, 1);
  Put16(out, static_cast<std::uint32_t>(image.bits));
  Put32(out, 0);  // not compressed
  Put32(out, pixelBytes);
  Put32(out, 2835);  // 72 dots per inch
  Put32(out, 2835);
  Put32(out, image.bits == 8 ? 256 : 0);
  Put32(out, 0);
  if (image.bits == 8) {
    for (const Rgb& c : image.colors) {
      out.insert(out.end(), {c.blue, c.green, c.red, 0});
    }
  }
  for (int row = image.height - 1; row >= 0; --row) {
    const std::size_t start = out.size();
    for (int x = 0; x < image.width; ++x) {
      const std::uint32_t p = image.pixels[static_cast<std::size_t>(row * image.width + x)];
      if (image.bits == 8) {
        out.push_back(static_cast<std::uint8_t>(p));
      } else {
        out.insert(out.end(), {static_cast<std::uint8_t>(p >> 16),
                               static_cast<std::uint8_t>(p >> 8), static_cast<std::uint8_t>(p)});
      }
    }
    out.resize(start + rowBytes, 0);
  }
  return out;
}

std::uint32_t Pack(double red, double green, double blue) {
  auto channel = [](double v) {
    return static_cast<std::uint32_t>(std::lround(std::clamp(v, 0.0, 255.0)));
  };
  return channel(red) | channel(green) << 8 | channel(blue) << 16;
}

// Distance of (x, y) from the centre of the pixel grid, and its angle.
double Radius(int x, int y) { return std::hypot(x - 31.5, y - 31.5); }

// Six petals around a yellow heart, shaded from the tips inward. Indices 1 to 32 are the
// petals' pinks, 33 to 48 the heart's yellows, 49 to 56 the leaves' greens.
Bitmap Flower() {
  Bitmap image{kSpriteSize, kSpriteSize, 8, {}, {}};
  for (int i = 0; i < 32; ++i)
    image.colors[1 + i] = {255, static_cast<std::uint8_t>(60 + 5 * i),
                           static_cast<std::uint8_t>(150 + 3 * i)};
  for (int i = 0; i < 16; ++i)
    image.colors[33 + i] = {255, static_cast<std::uint8_t>(170 + 5 * i),
                            static_cast<std::uint8_t>(10 + 4 * i)};
  for (int i = 0; i < 8; ++i)
    image.colors[49 + i] = {static_cast<std::uint8_t>(30 + 8 * i),
                            static_cast<std::uint8_t>(110 + 12 * i),
                            static_cast<std::uint8_t>(40 + 4 * i)};
  for (int y = 0; y < kSpriteSize; ++y) {
    for (int x = 0; x < kSpriteSize; ++x) {
      const double r = Radius(x, y);
      const double angle = std::atan2(y - 31.5, x - 31.5);
      const double petal = 22.0 + 8.0 * std::cos(6.0 * angle);
      std::uint32_t index = 0;
      if (r < 8.0) {
        index = 33 + static_cast<std::uint32_t>(15.0 * r / 8.0);
      } else if (r < petal) {
        index = 1 + static_cast<std::uint32_t>(31.0 * (r - 8.0) / (petal - 8.0));
      } else if (r < 31.0 && std::fabs(std::sin(6.0 * angle + kPi / 2)) > 0.93) {
        index = 49 + static_cast<std::uint32_t>(7.0 * (r - petal) / std::max(31.0 - petal, 1.0));
      }
      image.pixels.push_back(index);
    }
  }
  return image;
}

// A striped body between two pale wings, with a dark head on the right.
Bitmap Bee() {
  Bitmap image{kSpriteSize, kSpriteSize, 24, {}, {}};
  for (int y = 0; y < kSpriteSize; ++y) {
    for (int x = 0; x < kSpriteSize; ++x) {
      const double bx = (x - 28.0) / 22.0, by = (y - 36.0) / 14.0;
      const double hx = (x - 52.0) / 8.0, hy = (y - 36.0) / 8.0;
      const double w1x = (x - 24.0) / 11.0, w1y = (y - 14.0) / 12.0;
      const double w2x = (x - 38.0) / 10.0, w2y = (y - 16.0) / 11.0;
      std::uint32_t color = 0;
      if (hx * hx + hy * hy < 1.0) {
        color = Pack(60, 45, 30);
      } else if (bx * bx + by * by < 1.0) {
        const bool stripe = (x / 7) % 2 == 1;
        const double light = 1.0 - 0.35 * by * by;
        color = stripe ? Pack(70 * light, 50 * light, 20 * light)
                       : Pack(250 * light, 200 * light, 30 * light);
      } else if (w1x * w1x + w1y * w1y < 1.0 || w2x * w2x + w2y * w2y < 1.0) {
        color = Pack(190, 225, 250);
      }
      image.pixels.push_back(color);
    }
  }
  return image;
}

// A red dome with dark spots, a line down its back and a dark head at the top.
Bitmap Ladybird() {
  Bitmap image{kSpriteSize, kSpriteSize, 24, {}, {}};
  constexpr std::array<std::array<double, 2>, 6> kSpots = {
      {{{22, 28}}, {{42, 28}}, {{18, 42}}, {{46, 42}}, {{26, 52}}, {{38, 52}}}};
  for (int y = 0; y < kSpriteSize; ++y) {
    for (int x = 0; x < kSpriteSize; ++x) {
      const double r = std::hypot(x - 32.0, y - 38.0);
      const double head = std::hypot(x - 32.0, y - 12.0);
      std::uint32_t color = 0;
      if (r < 24.0) {
        bool spot = std::abs(x - 32) < 1;
        for (const auto& s : kSpots) spot = spot || std::hypot(x - s[0], y - s[1]) < 4.5;
        const double light = 1.0 - 0.45 * (r / 24.0) * (r / 24.0);
        color = spot ? Pack(30, 25, 30) : Pack(230 * light, 30 * light, 25 * light);
      } else if (head < 10.0) {
        color = head < 3.0 ? Pack(240, 240, 230) : Pack(35, 30, 35);
      }
      image.pixels.push_back(color);
    }
  }
  return image;
}

// Entry 0 black, 1 to 254 once round the colour wheel, 255 white; the pixels show the
// 256 entries in order, 16 to a row.
Bitmap ColorWheel() {
  Bitmap image{16, 16, 8, {}, {}};
  for (int i = 1; i < 255; ++i) {
    const double hue = 6.0 * (i - 1) / 254.0;
    const double f = hue - std::floor(hue);
    double r = 0, g = 0, b = 0;
    switch (static_cast<int>(hue)) {
      case 0:
        r = 1, g = f, b = 0;
        break;
      case 1:
        r = 1 - f, g = 1, b = 0;
        break;
      case 2:
        r = 0, g = 1, b = f;
        break;
      case 3:
        r = 0, g = 1 - f, b = 1;
        break;
      case 4:
        r = f, g = 0, b = 1;
        break;
      default:
        r = 1, g = 0, b = 1 - f;
        break;
    }
    const std::uint32_t c = Pack(255 * r, 255 * g, 255 * b);
    image.colors[static_cast<std::size_t>(i)] = {static_cast<std::uint8_t>(c),
                                                 static_cast<std::uint8_t>(c >> 8),
                                                 static_cast<std::uint8_t>(c >> 16)};
  }
  image.colors[255] = {255, 255, 255};
  for (std::uint32_t i = 0; i < 256; ++i) image.pixels.push_back(i);
  return image;
}

// What the examples rely on: in an 8-bit sprite, entry 0 is black and no other entry a
// pixel uses is (in a 24-bit one, black pixels are the transparent ones by definition);
// the wheel's entries are all different.
bool Check(const std::string& name, const Bitmap& image) {
  auto black = [](const Rgb& c) { return c.red == 0 && c.green == 0 && c.blue == 0; };
  if (name == "cycle.bmp") {
    std::set<std::uint32_t> seen;
    for (const Rgb& c : image.colors) seen.insert(c.red | c.green << 8 | c.blue << 16);
    return seen.size() == 256;
  }
  if (image.bits != 8) return true;
  if (!black(image.colors[0])) return false;
  return std::none_of(image.pixels.begin(), image.pixels.end(),
                      [&](std::uint32_t p) { return p != 0 && black(image.colors[p]); });
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make-bitmaps OUTPUT-DIRECTORY\n");
    return 2;
  }
  const std::filesystem::path directory = argv[1];
  const std::array<std::pair<const char*, Bitmap>, 4> images = {{
      {"flower.bmp", Flower()},
      {"bee.bmp", Bee()},
      {"ladybird.bmp", Ladybird()},
      {"cycle.bmp", ColorWheel()},
  }};
  for (const auto& [name, image] : images) {
    if (!Check(name, image)) {
      std::fprintf(stderr, "make-bitmaps: %s breaks its own rules\n", name);
      return 1;
    }
    const std::vector<std::uint8_t> bytes = Encode(image);
    std::ofstream out(directory / name, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    if (!out) {
      std::fprintf(stderr, "make-bitmaps: cannot write %s\n", (directory / name).c_str());
      return 1;
    }
  }
  return 0;
}
