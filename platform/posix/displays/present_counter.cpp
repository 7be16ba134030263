// The counting display of present_counter.h. Its own pixel layout and mode filter are the
// ones the stand-in's controls set, so it lays out the desktop's mode itself rather than
// taking the inner display's layout.
//
// Limits: a present counts once handed on, whether or not the inner display could show it.
#include "platform/posix/displays/present_counter.h"

#include <cstddef>
#include <cstdio>
#include <utility>

namespace standin {
namespace {

class PresentCounter final : public Display {
 public:
  PresentCounter(std::unique_ptr<Display> display, std::string file)
      : display_(std::move(display)), file_(std::move(file)) {}

  bool Start() override { return display_->Start(); }
  DisplayMode DesktopMode() override {
    DisplayMode desktop = display_->DesktopMode();
    return ModeOf(desktop.width, desktop.height, 32);
  }
  DWORD RefreshRate() const override { return display_->RefreshRate(); }
  bool Enter(const DisplayMode& mode) override { return display_->Enter(mode); }
  void Leave() override { display_->Leave(); }
  void ShowDesktop() override { display_->ShowDesktop(); }
  void Present(const FrameView& frame) override {
    display_->Present(frame);
    ++presented_;
    if (std::FILE* out = std::fopen(file_.c_str(), "w")) {
      std::fprintf(out, "%zu\n", presented_);
      std::fclose(out);
    }
  }

  void CollectEvents(std::vector<DisplayEvent>& events) override {
    display_->CollectEvents(events);
  }
  bool WaitForEvents(DWORD milliseconds) override { return display_->WaitForEvents(milliseconds); }
  void ReadKeys(BYTE keys[256]) override { display_->ReadKeys(keys); }
  void ClipCursor(const RECT* clip) override { display_->ClipCursor(clip); }
  void CollectMouseEvents(std::vector<MouseEvent>& events) override {
    display_->CollectMouseEvents(events);
  }

 private:
  std::unique_ptr<Display> display_;
  std::string file_;
  std::size_t presented_ = 0;
};

}  // namespace

std::unique_ptr<Display> CountPresents(std::unique_ptr<Display> display, std::string file) {
  return std::make_unique<PresentCounter>(std::move(display), std::move(file));
}

}  // namespace standin
