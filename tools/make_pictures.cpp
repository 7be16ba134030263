// make-pictures <output-directory>
//
// Draws the demo's three height maps. A pixel's palette index is its height, and the
// renderer shades by the difference between neighbours, so everything here is built from
// gentle slopes and softened edges: a flat area of any height shades the same, and a hard
// one-pixel step only shows as a thin line.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "tools/pcx.h"

namespace {

constexpr int kWidth = 320;
constexpr int kHeight = 200;
constexpr float kPi = 3.14159265f;

class Field {
 public:
  explicit Field(float fill = 0.0f) : values_(kWidth * kHeight, fill) {}

  float& At(int x, int y) { return values_[Index(x, y)]; }
  float At(int x, int y) const { return values_[Index(x, y)]; }

  // Reads past the border repeat the edge, so blurs do not darken it.
  float Clamped(int x, int y) const {
    return At(std::clamp(x, 0, kWidth - 1), std::clamp(y, 0, kHeight - 1));
  }

  void Add(const Field& other, float scale) {
    for (std::size_t i = 0; i < values_.size(); ++i) values_[i] += scale * other.values_[i];
  }

  // Marks the rectangle [x0, x1) x [y0, y1), cut to the picture.
  void Fill(int x0, int y0, int x1, int y1, float value) {
    for (int y = std::max(y0, 0); y < std::min(y1, kHeight); ++y) {
      for (int x = std::max(x0, 0); x < std::min(x1, kWidth); ++x) At(x, y) = value;
    }
  }

 private:
  static std::size_t Index(int x, int y) {
    return static_cast<std::size_t>(y) * kWidth + static_cast<std::size_t>(x);
  }

  std::vector<float> values_;
};

// Repeated box blurs approach a Gaussian; two passes already round the corners of a
// blocky glyph into a bevel.
Field Blur(const Field& field, int radius, int passes) {
  Field current = field;
  const float norm = 1.0f / static_cast<float>(2 * radius + 1);
  for (int pass = 0; pass < passes; ++pass) {
    Field across;
    for (int y = 0; y < kHeight; ++y) {
      for (int x = 0; x < kWidth; ++x) {
        float sum = 0.0f;
        for (int d = -radius; d <= radius; ++d) sum += current.Clamped(x + d, y);
        across.At(x, y) = sum * norm;
      }
    }
    for (int y = 0; y < kHeight; ++y) {
      for (int x = 0; x < kWidth; ++x) {
        float sum = 0.0f;
        for (int d = -radius; d <= radius; ++d) sum += across.Clamped(x, y + d);
        current.At(x, y) = sum * norm;
      }
    }
  }
  return current;
}

// A fixed-seed generator keeps the pictures identical from run to run and platform to
// platform, which the standard distributions do not promise.
class Lcg {
 public:
  explicit Lcg(std::uint32_t seed) : state_(seed) {}

  int Range(int low, int high) {
    state_ = state_ * 1664525u + 1013904223u;
    return low + static_cast<int>((state_ >> 8) % static_cast<std::uint32_t>(high - low + 1));
  }

 private:
  std::uint32_t state_;
};

constexpr int kGlyphWidth = 5;
constexpr int kGlyphHeight = 7;

struct Glyph {
  char letter;
  std::array<std::string_view, kGlyphHeight> rows;
};

// Only the letters the pictures spell.
constexpr std::array<Glyph, 9> kFont = {{
    {'A', {".###.", "#...#", "#...#", "#####", "#...#", "#...#", "#...#"}},
    {'E', {"#####", "#....", "#....", "####.", "#....", "#....", "#####"}},
    {'H', {"#...#", "#...#", "#...#", "#####", "#...#", "#...#", "#...#"}},
    {'I', {".###.", "..#..", "..#..", "..#..", "..#..", "..#..", ".###."}},
    {'M', {"#...#", "##.##", "#.#.#", "#.#.#", "#...#", "#...#", "#...#"}},
    {'O', {".###.", "#...#", "#...#", "#...#", "#...#", "#...#", ".###."}},
    {'P', {"####.", "#...#", "#...#", "####.", "#....", "#....", "#...."}},
    {'R', {"####.", "#...#", "#...#", "####.", "#.#..", "#..#.", "#...#"}},
    {'S', {".####", "#....", "#....", ".###.", "....#", "....#", "####."}},
}};

const Glyph& FindGlyph(char letter) {
  for (const Glyph& glyph : kFont) {
    if (glyph.letter == letter) return glyph;
  }
  throw std::invalid_argument(std::string("no glyph for '") + letter + "'");
}

int TextWidth(std::string_view text, int scale) {
  const int advance = (kGlyphWidth + 1) * scale;
  return static_cast<int>(text.size()) * advance - scale;
}

// A hard 0/1 mask of the text; callers blur it to taste.
Field TextMask(std::string_view text, int scale, int left, int top) {
  Field mask;
  int x = left;
  for (char letter : text) {
    const Glyph& glyph = FindGlyph(letter);
    for (int row = 0; row < kGlyphHeight; ++row) {
      for (int column = 0; column < kGlyphWidth; ++column) {
        if (glyph.rows[row][column] != '#') continue;
        const int cellX = x + column * scale;
        const int cellY = top + row * scale;
        mask.Fill(cellX, cellY, cellX + scale, cellY + scale, 1.0f);
      }
    }
    x += (kGlyphWidth + 1) * scale;
  }
  return mask;
}

Field CenteredText(std::string_view text, int scale, int top) {
  return TextMask(text, scale, (kWidth - TextWidth(text, scale)) / 2, top);
}

pcx::Image ToImage(const Field& field) {
  pcx::Image image = pcx::Grayscale(kWidth, kHeight);
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      const float level = std::clamp(std::round(field.At(x, y)), 0.0f, 255.0f);
      image.pixels[static_cast<std::size_t>(y) * kWidth + static_cast<std::size_t>(x)] =
          static_cast<std::uint8_t>(level);
    }
  }
  return image;
}

// A skyline of windowed blocks along a river, a lattice tower rising above it, and the
// word raised in the sky.
Field DrawParis() {
  constexpr int kHorizon = 172;
  constexpr int kRiverTop = 181;

  Field height;
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      float level = 18.0f + 32.0f * static_cast<float>(y) / kHorizon;
      if (y >= kRiverTop) {
        level =
            52.0f + 5.0f * std::sin(static_cast<float>(x) * 0.21f + static_cast<float>(y) * 1.3f);
      } else if (y >= kHorizon) {
        level = 84.0f;
      }
      height.At(x, y) = level;
    }
  }

  Field buildings;
  Field windows;
  Lcg random(1889);
  for (int left = -6; left < kWidth;) {
    const int width = random.Range(14, 32);
    const int top = random.Range(112, 150);
    const float level = static_cast<float>(random.Range(46, 70));
    buildings.Fill(left, top, left + width - 1, kHorizon, level);
    const int roof = random.Range(0, 2);
    const int middle = left + width / 2;
    for (int x = left; x < left + width - 1; ++x) {
      const float offset = static_cast<float>(x - middle) / (width * 0.5f);
      int rise = 0;
      if (roof == 1) rise = static_cast<int>(10.0f * (1.0f - std::abs(offset)));
      if (roof == 2)
        rise = static_cast<int>(9.0f * std::sqrt(std::max(0.0f, 1.0f - offset * offset)));
      buildings.Fill(x, top - rise, x + 1, top, level);
    }
    for (int wy = top + 5; wy + 4 < kHorizon - 3; wy += 8) {
      for (int wx = left + 3; wx + 3 < left + width - 3; wx += 6)
        windows.Fill(wx, wy, wx + 3, wy + 4, 1.0f);
    }
    left += width;
  }
  height.Add(Blur(buildings, 1, 1), 1.0f);
  height.Add(Blur(windows, 1, 1), -16.0f);

  constexpr int kTowerX = 232;
  constexpr int kTowerTop = 18;
  // Legs curving in from a wide base to a thin spire.
  const auto towerHalfWidth = [](float t) { return 2.0f + 52.0f * std::pow(1.0f - t, 2.3f); };
  Field tower;
  for (int y = kTowerTop; y < kHorizon; ++y) {
    const float t = static_cast<float>(kHorizon - y) / (kHorizon - kTowerTop);
    const float halfWidth = towerHalfWidth(t);
    for (int x = kTowerX - 60; x <= kTowerX + 60; ++x) {
      const float dx = static_cast<float>(x - kTowerX);
      const float edge = halfWidth - std::abs(dx);
      if (edge < 0.0f) continue;
      const float archX = dx / 30.0f;
      const float archY = static_cast<float>(kHorizon - y) / 36.0f;
      if (archX * archX + archY * archY < 1.0f) continue;
      const bool frame = edge < 3.0f;
      const float u = static_cast<float>(y) + std::abs(dx) * 1.6f;
      const float v = static_cast<float>(y) - std::abs(dx) * 1.6f;
      const bool brace = std::fmod(u + 400.0f, 11.0f) < 2.0f || std::fmod(v + 400.0f, 11.0f) < 2.0f;
      if (frame || brace || halfWidth < 7.0f) tower.At(x, y) = 1.0f;
    }
  }
  for (const float t : {0.26f, 0.55f}) {
    const int y = kHorizon - static_cast<int>(t * (kHorizon - kTowerTop));
    const int halfWidth = static_cast<int>(towerHalfWidth(t)) + 6;
    tower.Fill(kTowerX - halfWidth, y - 3, kTowerX + halfWidth + 1, y + 3, 1.0f);
  }
  tower.Fill(kTowerX - 1, kTowerTop - 12, kTowerX + 2, kTowerTop, 1.0f);
  // The tower stands in front, so it replaces rather than adds to what lies behind it.
  const Field towerShape = Blur(tower, 1, 1);
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      const float cover = towerShape.At(x, y);
      height.At(x, y) = height.At(x, y) * (1.0f - cover) + 175.0f * cover;
    }
  }

  height.Add(Blur(TextMask("PARIS", 6, 16, 20), 2, 2), 90.0f);
  return height;
}

struct Ball {
  float x;
  float y;
  float radius;
};

// Domes whose influence fields sum, so neighbours swell into each other instead of
// overlapping, under the word raised across the middle.
Field DrawMorph() {
  // Across the top, pairs drawn ever closer until they fuse; along the bottom, a cluster.
  constexpr std::array<Ball, 12> kBalls = {{
      {36.0f, 40.0f, 30.0f},
      {90.0f, 40.0f, 30.0f},
      {144.0f, 40.0f, 30.0f},
      {186.0f, 40.0f, 30.0f},
      {246.0f, 40.0f, 30.0f},
      {278.0f, 40.0f, 30.0f},
      {40.0f, 166.0f, 44.0f},
      {92.0f, 176.0f, 36.0f},
      {134.0f, 158.0f, 40.0f},
      {178.0f, 178.0f, 34.0f},
      {232.0f, 162.0f, 46.0f},
      {292.0f, 176.0f, 38.0f},
  }};
  constexpr float kThreshold = 0.35f;

  Field height;
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      float field = 0.0f;
      for (const Ball& ball : kBalls) {
        const float dx = static_cast<float>(x) - ball.x;
        const float dy = static_cast<float>(y) - ball.y;
        const float falloff = 1.0f - (dx * dx + dy * dy) / (ball.radius * ball.radius);
        if (falloff > 0.0f) field += falloff * falloff;
      }
      const float dome = std::sqrt(std::max(0.0f, field - kThreshold) / (1.0f - kThreshold));
      height.At(x, y) = 24.0f + 140.0f * std::min(dome, 1.2f);
    }
  }
  height = Blur(height, 1, 1);

  height.Add(Blur(CenteredText("MORPH", 8, 72), 2, 2), 90.0f);
  return height;
}

// Rings spreading from three sources and interfering, stilled under a raised plate that
// carries the word.
Field DrawMorphose() {
  constexpr std::array<std::array<float, 2>, 3> kSources = {{
      {{40.0f, 30.0f}},
      {{290.0f, 50.0f}},
      {{150.0f, 215.0f}},
  }};
  constexpr float kWavelength = 22.0f;
  constexpr int kScale = 6;
  constexpr int kTextTop = (kHeight - 7 * kScale) / 2;

  Field plate;
  plate.Fill(8, kTextTop - 14, kWidth - 8, kTextTop + 7 * kScale + 14, 1.0f);
  plate = Blur(plate, 3, 3);

  Field height;
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      float wave = 0.0f;
      for (const auto& source : kSources) {
        const float distance =
            std::hypot(static_cast<float>(x) - source[0], static_cast<float>(y) - source[1]);
        wave += std::cos(2.0f * kPi * distance / kWavelength);
      }
      const float calm = plate.At(x, y);
      height.At(x, y) = 96.0f + 13.0f * wave * (1.0f - calm) + 28.0f * calm;
    }
  }

  height.Add(Blur(CenteredText("MORPHOSE", kScale, kTextTop), 2, 2), 80.0f);
  return height;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make-pictures <output-directory>\n");
    return 2;
  }
  const std::filesystem::path directory = argv[1];
  struct Picture {
    const char* name;
    Field (*draw)();
  };
  const std::array<Picture, 3> pictures = {{
      {"Paris.pcx", DrawParis},
      {"Morph.pcx", DrawMorph},
      {"morphose.pcx", DrawMorphose},
  }};
  for (const Picture& picture : pictures) {
    const std::filesystem::path path = directory / picture.name;
    if (!pcx::Write(path.string(), ToImage(picture.draw()))) {
      std::fprintf(stderr, "make-pictures: cannot write %s\n", path.string().c_str());
      return 1;
    }
  }
  return 0;
}
