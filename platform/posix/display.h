// The display behind the stand-in's DirectDraw: the screen that a flipped primary surface
// is shown on, the desktop's events (focus, exposure, a request to close) and the
// keyboard's state. Two implementations: SDL2 (a full-screen window, the default) and a
// headless memory display for tests, which keeps what was presented and plays scripted
// events and keys.
//
// Colours: a pixel is shown as 0xRRGGBB. An 8-bit pixel shows its palette entry; in the
// other depths a channel of n bits holding v shows as (v * 255 + (2^n - 1) / 2) / (2^n - 1),
// so 5-bit 31 and 6-bit 63 show as 255 and 8-bit channels show unchanged.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include "platform/posix/winapi.h"

namespace standin {

// The layout of a pixel: 8 bits index a palette; otherwise each channel holds the bits
// of its mask.
struct PixelFormat {
  DWORD bitsPerPixel = 0;
  DWORD redMask = 0;
  DWORD greenMask = 0;
  DWORD blueMask = 0;
  friend bool operator==(const PixelFormat&, const PixelFormat&) = default;
};

struct DisplayMode {
  DWORD width = 0;
  DWORD height = 0;
  PixelFormat format;
  friend bool operator==(const DisplayMode&, const DisplayMode&) = default;
};

using Palette256 = std::array<PALETTEENTRY, 256>;

// A picture handed to the display: rows of pixels `pitch` bytes apart; `palette` is set
// for 8-bit pictures.
struct FrameView {
  DWORD width = 0;
  DWORD height = 0;
  LONG pitch = 0;
  const BYTE* pixels = nullptr;
  PixelFormat format;
  const Palette256* palette = nullptr;
};

enum class DisplayEvent { kFocusGained, kFocusLost, kExposed, kCloseRequested };

// One change of the mouse: a relative motion in screen pixels, a button going down or up
// (0 left, 1 right, 2 middle, 3 the fourth), or a turn of the wheel in steps, away from
// the user positive. `time` is GetTickCount's when the display saw the change.
struct MouseEvent {
  enum class Kind { kMotion, kButton, kWheel };
  Kind kind = Kind::kMotion;
  LONG dx = 0;
  LONG dy = 0;
  DWORD button = 0;
  bool down = false;
  LONG steps = 0;
  DWORD time = 0;
};

// Turns pixels of one format into 0xRRGGBB colours.
class RgbConverter {
 public:
  RgbConverter(const PixelFormat& format, const Palette256* palette);
  std::uint32_t Pixel(std::uint32_t value) const;
  void Row(const BYTE* pixels, DWORD width, std::uint32_t* out) const;

 private:
  struct Channel {
    int shift = 0;
    std::uint32_t maximum = 0;
  };
  std::uint32_t Compute(std::uint32_t value) const;
  PixelFormat format_;
  std::array<Channel, 3> channels_;
  std::vector<std::uint32_t> table_;  // every value of an 8- or 16-bit pixel
};

// Reads the little-endian pixel at x of a row.
std::uint32_t ReadPixel(const BYTE* row, DWORD x, DWORD bytesPerPixel);

class Display {
 public:
  virtual ~Display() = default;

  // Connects to the desktop; false when there is none.
  virtual bool Start() = 0;
  // The desktop's own mode; only after a successful Start.
  virtual DisplayMode DesktopMode() = 0;
  virtual DWORD RefreshRate() const = 0;
  // Shows the full screen in the mode, or changes the mode of the full screen shown.
  virtual bool Enter(const DisplayMode& mode) = 0;
  // Leaves the full screen for the desktop.
  virtual void Leave() = 0;
  // Shows a picture on the full screen, waiting for the display if it waits.
  virtual void Present(const FrameView& frame) = 0;
  virtual void CollectEvents(std::vector<DisplayEvent>& events) = 0;
  // The keys held down, indexed by DirectInput scan code, 0x80 for a key down.
  virtual void ReadKeys(BYTE keys[256]) = 0;
  // Keeps the cursor inside the rectangle of the full screen's coordinates; null frees it.
  virtual void ClipCursor(const RECT* clip) = 0;
  // The mouse's changes since the last call, oldest first.
  virtual void CollectMouseEvents(std::vector<MouseEvent>& events) = 0;

  // The mode of that depth in the size given, laid out as this display lays it out.
  DisplayMode ModeOf(DWORD width, DWORD height, DWORD bitsPerPixel) const;
  // Whether a mode of that size and depth is offered: 8, 16, 24 and 32 bits in the
  // usual screen sizes (and the desktop's own) up to the desktop's size, as far as the
  // filter allows. Only after a successful Start.
  bool Offers(DWORD width, DWORD height, DWORD bitsPerPixel);

  void SetPixelLayout16(bool fiveSixFive) { fiveSixFive_ = fiveSixFive; }
  void SetRedInLowByte(bool redLow) { redLow_ = redLow; }
  void SetModeFilter(std::function<bool(DWORD, DWORD, DWORD)> accept) {
    accept_ = std::move(accept);
  }

 private:
  bool fiveSixFive_ = true;
  bool redLow_ = false;
  std::function<bool(DWORD, DWORD, DWORD)> accept_;
};

// The display the stand-in uses now; the SDL display unless a test installed another.
Display& CurrentDisplay();

// How the SDL display shows pictures: chosen by the machine (the renderer where there is
// a GPU, the window's surface elsewhere), or either of them for the tests.
enum class SdlPresentation { kChosen, kRenderer, kWindowSurface };
std::unique_ptr<Display> MakeSdlDisplay(SdlPresentation presentation);

// The display of a web page: its canvas, keyboard, pointer, focus and visibility.
std::unique_ptr<Display> MakeBrowserDisplay();

// One picture as the headless display received it, rows packed without padding.
struct PresentedFrame {
  DWORD width = 0;
  DWORD height = 0;
  PixelFormat format;
  std::vector<BYTE> pixels;
  Palette256 palette{};  // the palette at the time of the present, for 8-bit pictures

  // The colour of every pixel, row by row, as 0xRRGGBB.
  std::vector<std::uint32_t> Rgb() const;
  std::uint32_t RgbAt(DWORD x, DWORD y) const;
  // The raw pixel value (for 8 bits: the palette index).
  std::uint32_t ValueAt(DWORD x, DWORD y) const;
};

// A display in memory: every present is kept, nothing waits, and the desktop's events
// and keys are what the test scripts.
class HeadlessDisplay final : public Display {
 public:
  HeadlessDisplay() = default;

  // The desktop: 1280 x 1024 at 32 bits unless set; a desktop that is not available
  // makes Start fail, as a machine without a display does.
  void SetDesktop(DWORD width, DWORD height) {
    desktopWidth_ = width;
    desktopHeight_ = height;
  }
  void SetAvailable(bool available) { available_ = available; }
  void SetRefreshRate(DWORD hertz) { refreshRate_ = hertz; }

  // Scripted desktop events, collected by the next PeekMessageA, standin::ReadKeyboard or
  // standin::ForegroundWindow.
  void LoseFocus() { events_.push_back(DisplayEvent::kFocusLost); }
  void GainFocus() { events_.push_back(DisplayEvent::kFocusGained); }
  void Expose() { events_.push_back(DisplayEvent::kExposed); }
  void RequestClose() { events_.push_back(DisplayEvent::kCloseRequested); }
  void SetKey(BYTE scanCode, bool down) { keys_[scanCode] = down ? 0x80 : 0; }
  // Scripted mouse changes, collected by the next read of the mouse device; each is
  // stamped with GetTickCount's value now.
  void MoveMouse(LONG dx, LONG dy);
  void PressButton(DWORD button, bool down);
  void TurnWheel(LONG steps);

  // Only the latest `count` presents are kept from now on; 0 (the start) keeps them all.
  void KeepLastFrames(std::size_t count);

  std::size_t PresentCount() const { return presents_; }
  const std::deque<PresentedFrame>& Frames() const { return frames_; }
  // The latest present, or null before the first.
  const PresentedFrame* LastFrame() const { return frames_.empty() ? nullptr : &frames_.back(); }
  bool FullScreen() const { return fullScreen_; }
  // The mode of the full screen, or the desktop's mode outside it.
  DisplayMode Mode() const;
  std::optional<RECT> CursorClip() const { return clip_; }

  bool Start() override { return available_; }
  DisplayMode DesktopMode() override { return ModeOf(desktopWidth_, desktopHeight_, 32); }
  DWORD RefreshRate() const override { return refreshRate_; }
  bool Enter(const DisplayMode& mode) override;
  void Leave() override { fullScreen_ = false; }
  void Present(const FrameView& frame) override;
  void CollectEvents(std::vector<DisplayEvent>& events) override;
  void ReadKeys(BYTE keys[256]) override;
  void ClipCursor(const RECT* clip) override;
  void CollectMouseEvents(std::vector<MouseEvent>& events) override;

 private:
  DWORD desktopWidth_ = 1280;
  DWORD desktopHeight_ = 1024;
  bool available_ = true;
  DWORD refreshRate_ = 60;
  bool fullScreen_ = false;
  DisplayMode mode_;
  std::deque<DisplayEvent> events_;
  std::array<BYTE, 256> keys_{};
  std::deque<MouseEvent> mouseEvents_;
  std::size_t keep_ = 0;  // 0: keep all
  std::size_t presents_ = 0;
  std::deque<PresentedFrame> frames_;
  std::optional<RECT> clip_;
};

}  // namespace standin
