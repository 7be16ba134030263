// The light map's cone and the shading of a frame. The plain loop takes each pixel through
// the arrays' dimension lists and PlotPixel; the vector path computes the same bytes eight
// pixels at a time and stores them directly. It takes a frame only when the relief and
// light position keep its arithmetic exact, and leaves any other frame to the plain loop.
//
// Limits: the vector path needs SSE2 (the baseline of both x86 builds); elsewhere every
// frame takes the plain loop. Wider vector units (AVX2, with or without its gather) were
// measured slower here: the table look-ups and byte stores, one per pixel, bound it.
#include "demo/shading.h"

#include <cmath>

#include "demo/demo.h"
#include "runtime/memory.h"

#if defined(__SSE2__)
#include <immintrin.h>
#endif

std::int16_t* HeightCell(std::int32_t column, std::int32_t row) {
  return AtAddress<std::int16_t>(Demo.HeightMap) +
         (column * static_cast<std::int32_t>(Demo.HeightMapDimensions[0]) + row);
}

std::int32_t* LightCell(std::int32_t first, std::int32_t second) {
  return AtAddress<std::int32_t>(Demo.LightMap) +
         (first * static_cast<std::int32_t>(Demo.LightMapDimensions[0]) + second);
}

void PlotPixel(std::int32_t x, std::int32_t y, std::int32_t color) {
  PokeByte(Demo.FrameBuffer + static_cast<Address>(y * kFrameWidth + x), color);
}

// Intensity 255 x (1 - d / 128) at distance d from the centre (128, 128), none beyond;
// the ratio is kept in single precision before it is scaled.
void BuildLightMap() {
  for (std::int32_t i = 0; i < 256; ++i) {
    for (std::int32_t j = 0; j < 256; ++j) {
      float nx = static_cast<float>((j - 128) / 128.0);
      float ny = static_cast<float>((i - 128) / 128.0);
      float v = static_cast<float>(1.0 - std::sqrt(double{nx} * nx + double{ny} * ny));
      if (v < 0) v = 0;
      *LightCell(j, i) = static_cast<std::int32_t>(std::nearbyint(double{v} * 255));
    }
  }
}

namespace {

// The light-map index of a gradient and a pixel's offset from the light: the rounded
// difference plus 128, or 0 where that lies outside the map. The test is made before any
// conversion to an integer, so that a light far away (beyond the integers' range) reads
// index 0 as every other index outside the map does.
std::int32_t LightIndex(std::int32_t gradient, double relief, std::int64_t offset) {
  double index = std::nearbyint(gradient - relief * static_cast<double>(offset)) + 128;
  return index >= 0 && index <= 255 ? static_cast<std::int32_t>(index) : 0;
}

// Each pixel reads the light map at its height gradient less the relief-scaled offset
// from the light. An index outside the map becomes 0, and every cell with an index 0 is
// dark, so such a pixel is black.
void ShadePlain() {
  const double relief = Demo.ReliefFactor;
  for (std::int32_t y = 1; y <= kFrameHeight - 2; ++y) {
    for (std::int32_t x = 1; x <= kFrameWidth - 2; ++x) {
      std::int32_t gx = *HeightCell(x + 1, y) - *HeightCell(x - 1, y);
      std::int32_t gy = *HeightCell(x, y + 1) - *HeightCell(x, y - 1);
      std::int32_t u = LightIndex(gx, relief, std::int64_t{x} - Demo.LightX);
      std::int32_t w = LightIndex(gy, relief, std::int64_t{y} - Demo.LightY);
      PlotPixel(x, y, *LightCell(u, w));
    }
  }
}

#if defined(__SSE2__)

// A light-map index is g - p rounded, plus 128, for an integer gradient g and the offset
// term p = relief x offset of one column (or row). When g - p is exact in double
// precision, its fraction is that of -p, so the rounding is g + bias with bias = floor(-p)
// + 128, plus 1 where the fraction is above one half, or where it is exactly one half
// (tie) and g + bias is odd. Biases within +-16,000 keep 16-bit lanes from wrapping: a
// gradient that saturates them is out of the map either way.
struct OffsetTerms {
  std::int16_t bias[kFrameWidth + 16];
  std::int16_t tie[kFrameWidth + 16];
};

constexpr double kLargestTerm = 16000;

// False when some offset's term is not a multiple of 2^-32 or is too large: then g - p
// may round in double precision, or the lanes may wrap.
bool MakeOffsetTerms(double relief, std::int32_t light, std::int32_t count, OffsetTerms& terms) {
  for (std::int32_t i = 0; i < count; ++i) {
    double p = relief * static_cast<double>(std::int64_t{i} - light);
    if (!(std::fabs(p) <= kLargestTerm) || std::nearbyint(p * 0x1p32) != p * 0x1p32) return false;
    double floor = std::floor(-p);
    double fraction = -p - floor;
    terms.bias[i] = static_cast<std::int16_t>(floor + (fraction > 0.5) + 128);
    terms.tie[i] = fraction == 0.5;
  }
  return true;
}

struct FrameTerms {
  OffsetTerms columns;
  OffsetTerms rows;
  const std::int16_t* heights;
  std::int32_t heightStride;
  const std::int32_t* lights;
  std::int16_t lightStride;
  std::uint8_t* frame;
};

bool MakeFrameTerms(FrameTerms& terms) {
  const double relief = Demo.ReliefFactor;
  std::uint32_t lightStride = Demo.LightMapDimensions[0];
  if (lightStride > 32767) return false;
  if (!MakeOffsetTerms(relief, Demo.LightX, kFrameWidth, terms.columns) ||
      !MakeOffsetTerms(relief, Demo.LightY, kFrameHeight, terms.rows)) {
    return false;
  }
  terms.heights = AtAddress<std::int16_t>(Demo.HeightMap);
  terms.heightStride = static_cast<std::int32_t>(Demo.HeightMapDimensions[0]);
  terms.lights = AtAddress<std::int32_t>(Demo.LightMap);
  terms.lightStride = static_cast<std::int16_t>(lightStride);
  terms.frame = AtAddress<std::uint8_t>(Demo.FrameBuffer);
  return true;
}

// The index of each lane from gradients and terms; out of the map becomes 0.
inline __m128i MapIndex(__m128i gradient, __m128i bias, __m128i tie) {
  __m128i sum = _mm_adds_epi16(gradient, bias);
  __m128i index = _mm_adds_epi16(sum, _mm_and_si128(sum, tie));
  __m128i inside = _mm_cmpeq_epi16(_mm_and_si128(index, _mm_set1_epi16(-256)), _mm_setzero_si128());
  return _mm_and_si128(index, inside);
}

// The frame column by column, since a column of heights lies contiguous: eight rows at a
// time, the last group overlapping the one before so that no row is left over.
void ShadeSse2(const FrameTerms& t) {
  const __m128i lightStride = _mm_set1_epi32(1 | t.lightStride << 16);
  for (std::int32_t x = 1; x <= kFrameWidth - 2; ++x) {
    const std::int16_t* left = t.heights + (x - 1) * t.heightStride;
    const std::int16_t* middle = left + t.heightStride;
    const std::int16_t* right = middle + t.heightStride;
    const __m128i columnBias = _mm_set1_epi16(t.columns.bias[x]);
    const __m128i columnTie = _mm_set1_epi16(t.columns.tie[x]);
    std::uint8_t* out = t.frame + x;
    for (std::int32_t group = 1; group <= kFrameHeight - 2; group += 8) {
      const std::int32_t y = group < kFrameHeight - 9 ? group : kFrameHeight - 9;
      auto load = [](const std::int16_t* p) {
        return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
      };
      __m128i gx = _mm_subs_epi16(load(right + y), load(left + y));
      __m128i gy = _mm_subs_epi16(load(middle + y + 1), load(middle + y - 1));
      __m128i u = MapIndex(gx, columnBias, columnTie);
      __m128i w = MapIndex(gy, load(t.rows.bias + y), load(t.rows.tie + y));
      alignas(16) std::int32_t cell[8];
      _mm_store_si128(reinterpret_cast<__m128i*>(cell),
                      _mm_madd_epi16(_mm_unpacklo_epi16(w, u), lightStride));
      _mm_store_si128(reinterpret_cast<__m128i*>(cell + 4),
                      _mm_madd_epi16(_mm_unpackhi_epi16(w, u), lightStride));
      std::uint8_t* pixel = out + y * kFrameWidth;
      for (int k = 0; k < 8; ++k)
        pixel[k * kFrameWidth] = static_cast<std::uint8_t>(t.lights[cell[k]]);
    }
  }
}

#endif

}  // namespace

bool ShadingPathAvailable(ShadingPath path) {
  switch (path) {
    case ShadingPath::kPlain:
      return true;
#if defined(__SSE2__)
    case ShadingPath::kSse2:
      return true;
#endif
    default:
      return false;
  }
}

void ShadeFrameWith([[maybe_unused]] ShadingPath path) {
#if defined(__SSE2__)
  if (path != ShadingPath::kPlain && ShadingPathAvailable(path)) {
    FrameTerms terms;
    if (MakeFrameTerms(terms)) {
      ShadeSse2(terms);
      return;
    }
  }
#endif
  ShadePlain();
}

void ShadeFrame() { ShadeFrameWith(BestShadingPath()); }

ShadingPath BestShadingPath() {
  return ShadingPathAvailable(ShadingPath::kSse2) ? ShadingPath::kSse2 : ShadingPath::kPlain;
}
