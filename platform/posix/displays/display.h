// The interface of a display driver, behind the stand-in's modules. A driver has two
// halves: its output (DisplayOutput: start, the desktop's mode, the refresh rate, the
// modes offered, entering and leaving the full screen, showing the desktop while the
// program is away, presenting a picture), which
// DirectDraw uses, and its input (DisplayInput: the desktop's events, the keys, the
// mouse's changes, the cursor's clip), which USER32 and DirectInput use. A driver is a
// Display, one folder under displays/ each: sdl/ (a full-screen SDL2 window, the
// default) and headless/ (a memory display for tests, which keeps what was presented and
// plays scripted events and keys). A new driver implements every pure virtual function
// of both halves; the modes it offers come from DisplayOutput itself.
//
// Colours: a pixel is shown as 0xRRGGBB. An 8-bit pixel shows its palette entry; in the
// other depths a channel of n bits holding v shows as (v * 255 + (2^n - 1) / 2) / (2^n - 1),
// so 5-bit 31 and 6-bit 63 show as 255 and 8-bit channels show unchanged.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/posix/include/winapi.h"

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

// A refresh rate as a desktop reports it, or 0 where it tells nothing: systems use 0 and
// 1 for "the hardware's default", and a rate outside 24 to 240 Hz is no monitor's.
DWORD PlausibleRefreshRate(int hertz);

// Reads the little-endian pixel at x of a row.
std::uint32_t ReadPixel(const BYTE* row, DWORD x, DWORD bytesPerPixel);

// The part of a picture that changed: rows first to last (inclusive), and within them
// the pixel columns left to right (exclusive).
struct ChangedArea {
  int first = -1;
  int last = -1;
  int left = 0;
  int right = 0;
  bool Empty() const { return first < 0; }
};

// For drivers that send a display only what changed: keeps a copy of the last picture
// and converts into the driver's buffer the rows that differ from it. The whole picture
// is converted after a change of size, pixel format or palette, or after SendWhole.
class ChangedPicture {
 public:
  // How the driver's buffer holds a colour: 0xRRGGBB words, or the bytes R, G, B, 255.
  enum class Order { kXrgb, kRgbaBytes };

  void SendWhole() {
    whole_ = true;
    black_ = false;
  }
  // The display and the driver's buffer have just been cleared to black: the next
  // conversion sends only the rows and columns that are not black, whatever came before
  // (a new screen is mostly black around its picture), until SendWhole. Pixels are
  // taken as black by their value 0, where it is black; where it is not (a palette whose
  // first colour is another), the picture is sent whole.
  void ShowsBlack() { black_ = true; }
  // Takes the picture's format and palette; true when its next conversion is whole.
  bool Prepare(const FrameView& frame);
  // Converts the changed rows into `out` (rows `outPitch` bytes apart, 4 bytes a pixel);
  // rows between them that did not change are left alone.
  ChangedArea Convert(const FrameView& frame, BYTE* out, int outPitch, Order order);

 private:
  DWORD width_ = 0;
  DWORD height_ = 0;
  PixelFormat format_;
  Palette256 palette_{};
  std::optional<RgbConverter> converter_;
  std::vector<BYTE> kept_;
  std::vector<bool> changedRows_;
  bool whole_ = true;
  bool black_ = false;
};

// What a display shows: the full screen in a mode, and the pictures presented on it.
class DisplayOutput {
 public:
  virtual ~DisplayOutput() = default;

  // Connects to the desktop; false when there is none.
  virtual bool Start() = 0;
  // The desktop's own mode, laid out as ModeOf lays out 32 bits; only after a successful
  // Start.
  virtual DisplayMode DesktopMode() = 0;
  virtual DWORD RefreshRate() const = 0;
  // Shows the full screen in the mode, or changes the mode of the full screen shown.
  virtual bool Enter(const DisplayMode& mode) = 0;
  // Leaves the full screen for the desktop.
  virtual void Leave() = 0;
  // The program is away (the user switched to another): the desktop shows in its own
  // mode until Enter shows the full screen again. A driver that has nothing to keep for
  // the return leaves the full screen.
  virtual void ShowDesktop() = 0;
  // Shows a picture on the full screen, waiting for the display if it waits.
  virtual void Present(const FrameView& frame) = 0;
  // Waits for the start of the display's next refresh; a display that does not wait for
  // its refresh (the headless one) returns at once.
  virtual void WaitForVerticalBlank() {}
  // The title of the program's window that the desktop shows, for the desktop to name the
  // full screen by where it names windows; empty when that window has none.
  virtual void SetTitle(const std::string& title) { (void)title; }

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

// What the desktop tells the program through a display: its events, the keyboard and the
// mouse; and where the cursor may go.
class DisplayInput {
 public:
  virtual ~DisplayInput() = default;

  // The desktop's events since the last call, oldest first.
  virtual void CollectEvents(std::vector<DisplayEvent>& events) = 0;
  // Waits until the desktop has an event to collect, or for `milliseconds` at most: what
  // a program in the background waits on instead of spinning. True when one came.
  virtual bool WaitForEvents(DWORD milliseconds) = 0;
  // The keys held down, indexed by DirectInput scan code, 0x80 for a key down.
  virtual void ReadKeys(BYTE keys[256]) = 0;
  // Keeps the cursor inside the rectangle of the full screen's coordinates; null frees it.
  virtual void ClipCursor(const RECT* clip) = 0;
  // The mouse's changes since the last call, oldest first.
  virtual void CollectMouseEvents(std::vector<MouseEvent>& events) = 0;
};

// A display driver: both halves.
class Display : public DisplayOutput, public DisplayInput {};

}  // namespace standin
