// The headless display: a screen in memory for tests. Every present is copied (rows
// packed, with the palette of the moment), the desktop's events, keys and mouse are
// scripted, and nothing waits.
#include "platform/posix/displays/headless/headless_display.h"

#include <cstring>

namespace standin {

std::vector<std::uint32_t> PresentedFrame::Rgb() const {
  std::vector<std::uint32_t> rgb(std::size_t{width} * height);
  RgbConverter converter(format, &palette);
  std::size_t rowBytes = std::size_t{width} * (format.bitsPerPixel / 8);
  for (DWORD y = 0; y < height; ++y) {
    converter.Row(pixels.data() + y * rowBytes, width, rgb.data() + std::size_t{y} * width);
  }
  return rgb;
}

std::uint32_t PresentedFrame::RgbAt(DWORD x, DWORD y) const {
  return RgbConverter(format, &palette).Pixel(ValueAt(x, y));
}

std::uint32_t PresentedFrame::ValueAt(DWORD x, DWORD y) const {
  DWORD bytes = format.bitsPerPixel / 8;
  return ReadPixel(pixels.data() + std::size_t{y} * width * bytes, x, bytes);
}

void HeadlessDisplay::KeepLastFrames(std::size_t count) {
  keep_ = count;
  while (keep_ != 0 && frames_.size() > keep_) frames_.pop_front();
}

DisplayMode HeadlessDisplay::Mode() const {
  return fullScreen_ ? mode_ : ModeOf(desktopWidth_, desktopHeight_, 32);
}

bool HeadlessDisplay::Enter(const DisplayMode& mode) {
  if (!available_) return false;
  mode_ = mode;
  fullScreen_ = true;
  return true;
}

// Keeping only the latest present, its storage is used again: a frame loop on this
// display then allocates nothing for it.
void HeadlessDisplay::Present(const FrameView& frame) {
  ++presents_;
  if (keep_ != 1 || frames_.empty()) frames_.emplace_back();
  PresentedFrame& kept = frames_.back();
  kept.width = frame.width;
  kept.height = frame.height;
  kept.format = frame.format;
  std::size_t rowBytes = std::size_t{frame.width} * (frame.format.bitsPerPixel / 8);
  kept.pixels.resize(rowBytes * frame.height);
  for (DWORD y = 0; y < frame.height; ++y) {
    std::memcpy(kept.pixels.data() + y * rowBytes, frame.pixels + std::ptrdiff_t{frame.pitch} * y,
                rowBytes);
  }
  kept.palette = frame.palette ? *frame.palette : Palette256{};
  if (keep_ != 0 && frames_.size() > keep_) frames_.pop_front();
}

void HeadlessDisplay::CollectEvents(std::vector<DisplayEvent>& events) {
  events.insert(events.end(), events_.begin(), events_.end());
  events_.clear();
}

bool HeadlessDisplay::WaitForEvents(DWORD milliseconds) {
  if (events_.empty()) Sleep(milliseconds);
  return !events_.empty();
}

void HeadlessDisplay::ReadKeys(BYTE keys[256]) { std::memcpy(keys, keys_.data(), keys_.size()); }

void HeadlessDisplay::ClipCursor(const RECT* clip) {
  clip_ = clip ? std::optional<RECT>(*clip) : std::nullopt;
}

void HeadlessDisplay::MoveMouse(LONG dx, LONG dy) {
  MouseEvent event;
  event.kind = MouseEvent::Kind::kMotion;
  event.dx = dx;
  event.dy = dy;
  event.time = GetTickCount();
  mouseEvents_.push_back(event);
}

void HeadlessDisplay::PressButton(DWORD button, bool down) {
  MouseEvent event;
  event.kind = MouseEvent::Kind::kButton;
  event.button = button;
  event.down = down;
  event.time = GetTickCount();
  mouseEvents_.push_back(event);
}

void HeadlessDisplay::TurnWheel(LONG steps) {
  MouseEvent event;
  event.kind = MouseEvent::Kind::kWheel;
  event.steps = steps;
  event.time = GetTickCount();
  mouseEvents_.push_back(event);
}

void HeadlessDisplay::CollectMouseEvents(std::vector<MouseEvent>& events) {
  events.insert(events.end(), mouseEvents_.begin(), mouseEvents_.end());
  mouseEvents_.clear();
}

}  // namespace standin
