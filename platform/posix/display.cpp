// What every display shares: the modes offered, the conversion of pixels to colours and
// the choice of the display in use, with the test controls that change it.
#include "platform/posix/display.h"

#include <algorithm>
#include <bit>

#include "platform/posix/standin.h"

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

std::unique_ptr<Display>& Installed() {
  static std::unique_ptr<Display> display;
  return display;
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

std::uint32_t ReadPixel(const BYTE* row, DWORD x, DWORD bytesPerPixel) {
  const BYTE* p = row + std::size_t{x} * bytesPerPixel;
  std::uint32_t value = 0;
  for (DWORD i = 0; i < bytesPerPixel; ++i) value |= std::uint32_t{p[i]} << (8 * i);
  return value;
}

DisplayMode Display::ModeOf(DWORD width, DWORD height, DWORD bitsPerPixel) const {
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

bool Display::Offers(DWORD width, DWORD height, DWORD bitsPerPixel) {
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

Display& CurrentDisplay() {
#ifdef __EMSCRIPTEN__
  if (!Installed()) Installed() = MakeBrowserDisplay();
#else
  if (!Installed()) Installed() = MakeSdlDisplay(SdlPresentation::kChosen);
#endif
  return *Installed();
}

HeadlessDisplay& UseHeadlessDisplay() {
  auto display = std::make_unique<HeadlessDisplay>();
  HeadlessDisplay& headless = *display;
  Installed().reset();
  Installed() = std::move(display);
  return headless;
}

#ifndef __EMSCRIPTEN__
void UseSdlDisplay(SdlPresentation presentation) {
  Installed().reset();
  Installed() = MakeSdlDisplay(presentation);
}

void UseSdlDisplay() { UseSdlDisplay(SdlPresentation::kChosen); }
#endif

void SetDisplayPixelLayout16(bool fiveSixFive) { CurrentDisplay().SetPixelLayout16(fiveSixFive); }

void SetDisplayRedInLowByte(bool redLow) { CurrentDisplay().SetRedInLowByte(redLow); }

void SetDisplayModeFilter(std::function<bool(DWORD, DWORD, DWORD)> accept) {
  CurrentDisplay().SetModeFilter(std::move(accept));
}

}  // namespace standin
