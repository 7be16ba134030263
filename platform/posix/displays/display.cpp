// What every display shares: the modes offered and the conversion of pixels to colours.
#include "platform/posix/displays/display.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <utility>

namespace standin {
namespace {

struct Size {
  DWORD width;
  DWORD height;
};

// The screen sizes that display adapters usually offer.
constexpr Size kUsualSizes[] = {
    {320, 200},  {320, 240},   {400, 300},   {512, 384},   {640, 400},
    {640, 480},  {800, 600},   {1024, 768},  {1152, 864},  {1280, 720},
    {1280, 960}, {1280, 1024}, {1600, 1200}, {1920, 1080}, {1920, 1200},
};

// Where rows a and b of n bytes first differ (n where they do not), and where their last
// difference ends (0 where they do not): eight bytes at a time, as most of a picture's
// rows are unchanged, or black around a picture just shown.
std::size_t FirstDifference(const BYTE* a, const BYTE* b, std::size_t n) {
  std::size_t i = 0;
  for (std::uint64_t x, y; i + 8 <= n; i += 8) {
    std::memcpy(&x, a + i, 8);
    std::memcpy(&y, b + i, 8);
    if (x != y) break;
  }
  while (i < n && a[i] == b[i]) ++i;
  return i;
}

std::size_t DifferenceEnd(const BYTE* a, const BYTE* b, std::size_t n) {
  std::size_t end = n;
  for (std::uint64_t x, y; end >= 8; end -= 8) {
    std::memcpy(&x, a + end - 8, 8);
    std::memcpy(&y, b + end - 8, 8);
    if (x != y) break;
  }
  while (end > 0 && a[end - 1] == b[end - 1]) --end;
  return end;
}

}  // namespace

RgbConverter::RgbConverter(const PixelFormat& format, const Palette256* palette) : format_(format) {
  const DWORD masks[3] = {format.redMask, format.greenMask, format.blueMask};
  for (int i = 0; i < 3; ++i) {
    if (masks[i] == 0) continue;
    channels_[i].shift = std::countr_zero(masks[i]);
    channels_[i].maximum = masks[i] >> channels_[i].shift;
  }
  if (format.bitsPerPixel == 8) {
    table_.resize(256);
    for (std::size_t i = 0; i < 256; ++i) {
      // An 8-bit picture without a palette shows black.
      PALETTEENTRY entry = palette ? (*palette)[i] : PALETTEENTRY{};
      table_[i] =
          std::uint32_t{entry.peRed} << 16 | std::uint32_t{entry.peGreen} << 8 | entry.peBlue;
    }
  } else if (format.bitsPerPixel == 16) {
    table_.resize(65536);
    for (std::uint32_t value = 0; value < 65536; ++value) table_[value] = Compute(value);
  }
}

std::uint32_t RgbConverter::Compute(std::uint32_t value) const {
  std::uint32_t rgb = 0;
  for (const Channel& channel : channels_) {
    rgb <<= 8;
    if (channel.maximum == 0) continue;
    std::uint64_t v = (value >> channel.shift) & channel.maximum;
    rgb |= static_cast<std::uint32_t>((v * 255 + channel.maximum / 2) / channel.maximum);
  }
  return rgb;
}

std::uint32_t RgbConverter::Pixel(std::uint32_t value) const {
  return table_.empty() ? Compute(value) : table_[value & (table_.size() - 1)];
}

void RgbConverter::Row(const BYTE* pixels, DWORD width, std::uint32_t* out) const {
  DWORD bytes = format_.bitsPerPixel / 8;
  for (DWORD x = 0; x < width; ++x) out[x] = Pixel(ReadPixel(pixels, x, bytes));
}

DWORD PlausibleRefreshRate(int hertz) {
  return hertz >= 24 && hertz <= 240 ? static_cast<DWORD>(hertz) : 0;
}

std::uint32_t ReadPixel(const BYTE* row, DWORD x, DWORD bytesPerPixel) {
  const BYTE* p = row + std::size_t{x} * bytesPerPixel;
  std::uint32_t value = 0;
  for (DWORD i = 0; i < bytesPerPixel; ++i) value |= std::uint32_t{p[i]} << (8 * i);
  return value;
}

DisplayMode DisplayOutput::ModeOf(DWORD width, DWORD height, DWORD bitsPerPixel) const {
  DisplayMode mode{width, height, {bitsPerPixel, 0, 0, 0}};
  switch (bitsPerPixel) {
    case 16:
      mode.format.redMask = fiveSixFive_ ? 0xF800 : 0x7C00;
      mode.format.greenMask = fiveSixFive_ ? 0x07E0 : 0x03E0;
      mode.format.blueMask = 0x001F;
      break;
    case 24:
    case 32:
      mode.format.redMask = redLow_ ? 0x0000FF : 0xFF0000;
      mode.format.greenMask = 0x00FF00;
      mode.format.blueMask = redLow_ ? 0xFF0000 : 0x0000FF;
      break;
    default:
      break;
  }
  return mode;
}

bool DisplayOutput::Offers(DWORD width, DWORD height, DWORD bitsPerPixel) {
  if (bitsPerPixel != 8 && bitsPerPixel != 16 && bitsPerPixel != 24 && bitsPerPixel != 32) {
    return false;
  }
  DisplayMode desktop = DesktopMode();
  bool usual = std::any_of(std::begin(kUsualSizes), std::end(kUsualSizes),
                           [&](Size size) { return size.width == width && size.height == height; });
  if (!usual && !(width == desktop.width && height == desktop.height)) return false;
  if (width > desktop.width || height > desktop.height) return false;
  return !accept_ || accept_(width, height, bitsPerPixel);
}

bool ChangedPicture::Prepare(const FrameView& frame) {
  // The shape, not only the byte count: the same bytes reshaped are a new picture.
  if (frame.width != width_ || frame.height != height_ ||
      frame.format.bitsPerPixel != format_.bitsPerPixel) {
    width_ = frame.width;
    height_ = frame.height;
    kept_.assign(std::size_t{frame.width} * (frame.format.bitsPerPixel / 8) * frame.height, 0);
    whole_ = true;
  }
  bool samePalette =
      !frame.palette || std::memcmp(frame.palette->data(), palette_.data(), sizeof palette_) == 0;
  if (!converter_ || !(frame.format == format_) || !samePalette) {
    format_ = frame.format;
    if (frame.palette) palette_ = *frame.palette;
    converter_.emplace(frame.format, frame.palette ? &palette_ : nullptr);
    whole_ = true;
  }
  // A display cleared to black shows what a picture of zeros would, where zero is black
  // (it is in every RGB format, and in a palette whose first colour is black): compared
  // with one, only what is not black is sent. Otherwise the picture is sent whole.
  if (black_) whole_ = converter_->Pixel(0) != 0;
  return whole_;
}

ChangedArea ChangedPicture::Convert(const FrameView& frame, BYTE* out, int outPitch, Order order) {
  Prepare(frame);
  if (std::exchange(black_, false) && !whole_) std::fill(kept_.begin(), kept_.end(), BYTE{0});
  std::size_t bytes = frame.format.bitsPerPixel / 8;
  std::size_t rowBytes = frame.width * bytes;
  changedRows_.resize(frame.height);
  ChangedArea area;
  std::size_t left = rowBytes;
  std::size_t right = 0;
  for (DWORD y = 0; y < frame.height; ++y) {
    const BYTE* row = frame.pixels + std::ptrdiff_t{frame.pitch} * y;
    BYTE* kept = kept_.data() + rowBytes * y;
    std::size_t first = 0;
    std::size_t end = rowBytes;
    if (!whole_) {
      first = FirstDifference(row, kept, rowBytes);
      if (first < rowBytes) end = DifferenceEnd(row, kept, rowBytes);
    }
    changedRows_[y] = first < end;
    if (first >= end) continue;
    std::memcpy(kept + first, row + first, end - first);
    left = std::min(left, first / bytes * bytes);
    right = std::max(right, (end + bytes - 1) / bytes * bytes);
    if (area.first < 0) area.first = static_cast<int>(y);
    area.last = static_cast<int>(y);
  }
  whole_ = false;
  if (area.Empty()) return area;
  area.left = static_cast<int>(left / bytes);
  area.right = static_cast<int>(right / bytes);
  auto inOrder = [order](std::uint32_t rgb) {
    // 0xRRGGBB, or the bytes R, G, B, 255 in memory.
    return order == Order::kXrgb
               ? rgb
               : 0xFF000000 | (rgb & 0xFF) << 16 | (rgb & 0xFF00) | (rgb >> 16 & 0xFF);
  };
  // An 8-bit picture's 256 colours, in the driver's order: a lookup a pixel.
  std::array<std::uint32_t, 256> colours;
  if (bytes == 1) {
    for (std::uint32_t i = 0; i < colours.size(); ++i) colours[i] = inOrder(converter_->Pixel(i));
  }
  for (int y = area.first; y <= area.last; ++y) {
    if (!changedRows_[y]) continue;
    const BYTE* kept = kept_.data() + rowBytes * y;
    auto* to = reinterpret_cast<std::uint32_t*>(out + std::ptrdiff_t{outPitch} * y);
    if (bytes == 1) {
      for (int x = area.left; x < area.right; ++x) to[x] = colours[kept[x]];
    } else if (order == Order::kXrgb) {
      converter_->Row(kept + left, area.right - area.left, to + area.left);
    } else {
      for (int x = area.left; x < area.right; ++x) {
        to[x] = inOrder(converter_->Pixel(ReadPixel(kept, x, static_cast<DWORD>(bytes))));
      }
    }
  }
  return area;
}

}  // namespace standin
