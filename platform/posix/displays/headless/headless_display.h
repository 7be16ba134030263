// The headless display: a screen in memory for tests. Every present is kept (rows
// packed, with the palette of the moment), nothing waits, and the desktop's events, keys
// and mouse are what the test scripts. standin::UseHeadlessDisplay puts one in place.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "platform/posix/displays/display.h"

namespace standin {

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
  // The title the desktop would name the full screen by.
  const std::string& Title() const { return title_; }

  bool Start() override { return available_; }
  DisplayMode DesktopMode() override { return ModeOf(desktopWidth_, desktopHeight_, 32); }
  DWORD RefreshRate() const override { return refreshRate_; }
  bool Enter(const DisplayMode& mode) override;
  void Leave() override { fullScreen_ = false; }
  void ShowDesktop() override { Leave(); }
  void Present(const FrameView& frame) override;
  void SetTitle(const std::string& title) override { title_ = title; }
  void CollectEvents(std::vector<DisplayEvent>& events) override;
  // Sleeps (Sleep, which a test may script) unless an event is waiting.
  bool WaitForEvents(DWORD milliseconds) override;
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
  std::string title_;
};

}  // namespace standin
