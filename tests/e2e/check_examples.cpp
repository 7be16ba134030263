// Checks screenshots of the example programs (raw 800 x 600 RGB) against their bitmaps,
// read here on their own, without the libraries that drew them.
//
//   check-examples sprite SHOT.rgb BACKGROUND.rgb BITMAP.bmp X Y
// The bitmap stands centred on (X, Y) in SHOT: each of its pixels that is not black (for
// 8 bits: not entry 0) shows its own colour, each black one shows what BACKGROUND, a
// screenshot without a sprite there, shows.
//
//   check-examples cycle FIRST.rgb SECOND.rgb PALETTE.bmp
// Both show only colours of the bitmap's colour table, many of them, and SECOND is FIRST
// with entries 1 to 254 rotated by one number of places (not 0) everywhere at once;
// entry 0 stays where it was.
//
//   check-examples bands SHOT.rgb
// The guide's smallest program: diagonal bands, pixel (x, y) of palette entry
// v = (x + y + frame) mod 256 and colour (v, 255 - v, 128), for one frame throughout.
//
//   check-examples starter SHOT.rgb
// The starter project: pixel (x, y) of colour (255x / 799, (y + frame) mod 256, 128), for
// one frame throughout.
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace {

constexpr int kWidth = 800;
constexpr int kHeight = 600;

using Bytes = std::vector<std::uint8_t>;

int Fail(const std::string& why) {
  std::printf("FAIL: %s\n", why.c_str());
  return 1;
}

Bytes Read(const char* path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

std::uint32_t Rgb(std::uint8_t red, std::uint8_t green, std::uint8_t blue) {
  return static_cast<std::uint32_t>(red << 16 | green << 8 | blue);
}

std::string Hex(std::uint32_t rgb) {
  char text[16];
  std::snprintf(text, sizeof text, "#%06X", rgb);
  return text;
}

// A screenshot: one 0xRRGGBB per pixel.
bool ReadShot(const char* path, std::vector<std::uint32_t>& shot) {
  Bytes bytes = Read(path);
  if (bytes.size() != kWidth * kHeight * 3) return false;
  shot.resize(kWidth * kHeight);
  for (std::size_t p = 0; p < shot.size(); ++p) {
    shot[p] = Rgb(bytes[3 * p], bytes[3 * p + 1], bytes[3 * p + 2]);
  }
  return true;
}

// An uncompressed bitmap of 8 or 24 bits, stored bottom-up: its pixels top row first, each
// an 8-bit bitmap's entry number or a 24-bit bitmap's 0xRRGGBB, and its colour table.
struct Bitmap {
  int width = 0, height = 0, bits = 0;
  std::vector<std::uint32_t> pixels;
  std::vector<std::uint32_t> colors;
};

std::uint32_t Field(const Bytes& b, std::size_t at, int size) {
  std::uint32_t value = 0;
  for (int i = size - 1; i >= 0; --i) value = value << 8 | b[at + static_cast<std::size_t>(i)];
  return value;
}

bool ReadBitmap(const char* path, Bitmap& image) {
  Bytes b = Read(path);
  if (b.size() < 54 || b[0] != 'B' || b[1] != 'M' || Field(b, 30, 4) != 0) return false;
  image.width = static_cast<int>(Field(b, 18, 4));
  image.height = static_cast<int>(Field(b, 22, 4));
  image.bits = static_cast<int>(Field(b, 28, 2));
  std::size_t offset = Field(b, 10, 4);
  if ((image.bits != 8 && image.bits != 24) || image.width <= 0 || image.height <= 0 ||
      image.width > 4096 || image.height > 4096) {
    return false;
  }
  if (image.bits == 8) {
    if (b.size() < 54 + 1024) return false;
    for (std::size_t i = 0; i < 256; ++i) {
      image.colors.push_back(Rgb(b[54 + 4 * i + 2], b[54 + 4 * i + 1], b[54 + 4 * i]));
    }
  }
  std::size_t rowBytes =
      (static_cast<std::size_t>(image.width) * image.bits / 8 + 3) & ~std::size_t{3};
  if (b.size() < offset + rowBytes * static_cast<std::size_t>(image.height)) return false;
  image.pixels.resize(static_cast<std::size_t>(image.width * image.height));
  for (int y = 0; y < image.height; ++y) {
    const std::uint8_t* row =
        &b[offset + rowBytes * static_cast<std::size_t>(image.height - 1 - y)];
    for (int x = 0; x < image.width; ++x) {
      image.pixels[static_cast<std::size_t>(y * image.width + x)] =
          image.bits == 8 ? row[x] : Rgb(row[3 * x + 2], row[3 * x + 1], row[3 * x]);
    }
  }
  return true;
}

int CheckSprite(char** argv) {
  std::vector<std::uint32_t> shot, background;
  Bitmap image;
  if (!ReadShot(argv[0], shot) || !ReadShot(argv[1], background)) {
    return Fail("screenshots are not 800 x 600 RGB");
  }
  if (!ReadBitmap(argv[2], image)) return Fail(std::string("cannot read ") + argv[2]);
  const int left = std::atoi(argv[3]) - image.width / 2;
  const int top = std::atoi(argv[4]) - image.height / 2;
  int shown = 0, seeThrough = 0;
  for (int y = 0; y < image.height; ++y) {
    for (int x = 0; x < image.width; ++x) {
      const int sx = left + x, sy = top + y;
      if (sx < 0 || sx >= kWidth || sy < 0 || sy >= kHeight) continue;
      const std::uint32_t pixel = image.pixels[static_cast<std::size_t>(y * image.width + x)];
      const bool transparent = pixel == 0;
      const std::uint32_t want = transparent
                                     ? background[static_cast<std::size_t>(sy * kWidth + sx)]
                                 : image.bits == 8 ? image.colors[pixel]
                                                   : pixel;
      const std::uint32_t got = shot[static_cast<std::size_t>(sy * kWidth + sx)];
      if (got != want) {
        return Fail(std::string(argv[2]) + " at (" + argv[3] + ", " + argv[4] + "): pixel (" +
                    std::to_string(sx) + ", " + std::to_string(sy) + ") is " + Hex(got) + ", not " +
                    (transparent ? "the background's " : "the sprite's ") + Hex(want));
      }
      ++(transparent ? seeThrough : shown);
    }
  }
  if (shown == 0 || seeThrough == 0)
    return Fail("the sprite has no visible or no transparent pixel there");
  std::printf("ok: %s stands at (%s, %s): %d pixels its own, %d showing the background\n", argv[2],
              argv[3], argv[4], shown, seeThrough);
  return 0;
}

int CheckCycle(char** argv) {
  std::vector<std::uint32_t> first, second;
  Bitmap image;
  if (!ReadShot(argv[0], first) || !ReadShot(argv[1], second)) {
    return Fail("screenshots are not 800 x 600 RGB");
  }
  if (!ReadBitmap(argv[2], image) || image.bits != 8) {
    return Fail(std::string("cannot read the 8-bit ") + argv[2]);
  }
  std::map<std::uint32_t, int> entryOf;
  for (int i = 0; i < 256; ++i) entryOf.emplace(image.colors[static_cast<std::size_t>(i)], i);
  if (entryOf.size() != 256) return Fail("the colour table repeats a colour");
  constexpr int kCycled = 254;
  int shift = -1;
  std::set<int> seen;
  for (std::size_t p = 0; p < first.size(); ++p) {
    auto a = entryOf.find(first[p]);
    auto b = entryOf.find(second[p]);
    const std::string where =
        "(" + std::to_string(p % kWidth) + ", " + std::to_string(p / kWidth) + ")";
    if (a == entryOf.end() || b == entryOf.end()) {
      return Fail("pixel " + where + " is " + Hex(a == entryOf.end() ? first[p] : second[p]) +
                  ", no colour of the palette");
    }
    seen.insert(a->second);
    const bool fixedA = a->second == 0 || a->second == 255;
    const bool fixedB = b->second == 0 || b->second == 255;
    if (fixedA || fixedB) {
      if (a->second != b->second) return Fail("entry 0 or 255 moved at " + where);
      continue;
    }
    const int delta = ((b->second - a->second) % kCycled + kCycled) % kCycled;
    if (shift < 0) shift = delta;
    if (delta != shift) {
      return Fail("pixel " + where + " moved by " + std::to_string(delta) + " entries, others by " +
                  std::to_string(shift));
    }
  }
  if (seen.size() < 200) return Fail("only " + std::to_string(seen.size()) + " entries shown");
  if (shift <= 0) return Fail("the colours did not move");
  std::printf(
      "ok: %zu entries shown; the second screenshot is the first with the palette"
      " rotated by %d places\n",
      seen.size(), shift);
  return 0;
}

// A frame of a pattern whose every pixel is expected(x, y, frame): the frame is the one
// that its top-left pixel tells (frameOf), and every pixel must then be as expected.
template <class Expected, class FrameOf>
int CheckPattern(const char* path, const char* what, Expected expected, FrameOf frameOf) {
  std::vector<std::uint32_t> shot;
  if (!ReadShot(path, shot)) return Fail(std::string("cannot read ") + path);
  const int frame = frameOf(shot[0]);
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      const std::uint32_t want = expected(x, y, frame);
      if (shot[y * kWidth + x] != want) {
        return Fail(std::string(what) + ": pixel (" + std::to_string(x) + ", " + std::to_string(y) +
                    ") is " + Hex(shot[y * kWidth + x]) + ", not " + Hex(want) +
                    " as in the rest of frame " + std::to_string(frame) + " (mod 256)");
      }
    }
  }
  std::printf("ok: every pixel is %s's, of one frame (%d mod 256)\n", what, frame);
  return 0;
}

int CheckBands(const char* path) {
  return CheckPattern(
      path, "the smallest program",
      [](int x, int y, int frame) {
        const int v = (x + y + frame) & 255;
        return Rgb(static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(255 - v), 128);
      },
      [](std::uint32_t topLeft) { return static_cast<int>(topLeft >> 16); });
}

int CheckStarter(const char* path) {
  return CheckPattern(
      path, "the starter",
      [](int x, int y, int frame) {
        return Rgb(static_cast<std::uint8_t>(x * 255 / 799), static_cast<std::uint8_t>(y + frame),
                   128);
      },
      [](std::uint32_t topLeft) { return static_cast<int>(topLeft >> 8 & 0xFF); });
}

}  // namespace

int main(int argc, char** argv) {
  const std::string mode = argc > 1 ? argv[1] : "";
  if (mode == "sprite" && argc == 7) return CheckSprite(argv + 2);
  if (mode == "cycle" && argc == 5) return CheckCycle(argv + 2);
  if (mode == "bands" && argc == 3) return CheckBands(argv[2]);
  if (mode == "starter" && argc == 3) return CheckStarter(argv[2]);
  return Fail(
      "usage: check-examples sprite SHOT BACKGROUND BITMAP X Y | cycle FIRST SECOND PALETTE");
}
