// Whole runs of the demonstration on the headless display with faults brought in from
// outside while it runs: surfaces lost, system modules missing, heap requests refused,
// the focus going away and coming back. Each run must end the normal way, with exit code
// 0, having given back everything it took.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>

#include "screen/screen_state.h"
#include "sprite/sprite.h"
#include "sprite_table/sprite_table.h"
#include "tests/demo/demonstration_fixture.h"
#include "tests/support/bitmaps.h"

namespace {

struct RanAway {};

constexpr DWORD kStart = 5000000;
constexpr DWORD kFrameMilliseconds = 40;

constexpr std::int32_t kSpriteWidth = 13;
constexpr std::int32_t kSpriteHeight = 7;
std::uint32_t SpritePixel(std::int32_t x, std::int32_t storedRow) {
  return static_cast<std::uint32_t>(x * 19 + storedRow * 7 + 1);
}

class FaultTest : public DemonstrationTest {
 protected:
  // step(framesDone) runs once before each frame that starts on an open screen, with the
  // number of frames finished by then: the light moves 5 degrees at the end of every
  // frame. The clock gains 40 ms a frame. A run that goes past mostFrames is stopped.
  void OnEachFrame(std::function<void(int framesDone)> step, int mostFrames) {
    standin::SetTickSource([step, mostFrames, seen = -1]() mutable {
      int done = Demo.LightAngle / 5;
      if (ScreenState.primary && done != seen) {
        seen = done;
        if (done > mostFrames) throw RanAway{};
        step(done);
      }
      return static_cast<DWORD>(kStart + kFrameMilliseconds * static_cast<DWORD>(done));
    });
  }

  // The exit code, or -2 for a run that had to be stopped.
  int RunGuarded() {
    try {
      return Run();
    } catch (const RanAway&) {
      StopRuntime();
      return -2;
    }
  }

  // Pixels of the presented frame that differ from what the program shaded last (its
  // frame buffer still holds it before the next frame is shaded), on a black screen
  // unless only the shaded area is looked at. A frame without enough light in it counts
  // as wholly wrong.
  static int WrongPixels(const standin::PresentedFrame* presented, bool wholeScreen) {
    if (!presented) return 800 * 600;
    const standin::PresentedFrame& frame = *presented;
    if (frame.width != 800 || frame.height != 600 || frame.format.bitsPerPixel != 8) {
      return 800 * 600;
    }
    const auto* shaded = AtAddress<std::uint8_t>(Demo.FrameBuffer);
    int wrong = 0;
    int lit = 0;
    for (DWORD y = 0; y < 600; ++y) {
      const std::uint8_t* row = frame.pixels.data() + y * 800;
      bool frameRow = y >= kFrameTop && y < kFrameTop + kFrameHeight;
      if (frameRow) {
        const std::uint8_t* want = shaded + (y - kFrameTop) * kFrameWidth;
        for (int x = 0; x < kFrameWidth; ++x) {
          wrong += row[kFrameLeft + x] != want[x];
          lit += row[kFrameLeft + x] != 0;
        }
      }
      if (!wholeScreen) continue;
      for (DWORD x = 0; x < 800; ++x) {
        bool inFrame = frameRow && x >= kFrameLeft && x < kFrameLeft + kFrameWidth;
        wrong += !inFrame && row[x] != 0;
      }
    }
    const PALETTEENTRY& last = frame.palette[255];
    if (last.peRed != 255 || last.peGreen != 127 || last.peBlue != 63) return 800 * 600;
    return lit > 1000 ? wrong : 800 * 600;
  }

  static IDirectDrawSurface7* SpriteSurface() {
    if (!SpriteTable || !HoldsSurface(SpriteTable[0])) return nullptr;
    return static_cast<IDirectDrawSurface7*>(SpriteTable[0].storage);
  }

  // Whether sprite 0's surface holds the bitmap that WriteSprite wrote.
  static bool SpriteHoldsItsPixels() {
    IDirectDrawSurface7* surface = SpriteSurface();
    if (!surface) return false;
    DDSURFACEDESC2 locked;
    std::memset(&locked, 0, sizeof locked);
    locked.dwSize = sizeof locked;
    if (surface->Lock(nullptr, &locked, DDLOCK_WAIT, nullptr) != DD_OK) return false;
    bool same = locked.dwWidth == kSpriteWidth && locked.dwHeight == kSpriteHeight;
    for (std::int32_t y = 0; same && y < kSpriteHeight; ++y) {
      const auto* row = static_cast<const std::uint8_t*>(locked.lpSurface) + y * locked.lPitch;
      for (std::int32_t x = 0; x < kSpriteWidth; ++x) {
        same = same && row[x] == (SpritePixel(x, kSpriteHeight - 1 - y) & 0xFF);
      }
    }
    surface->Unlock(nullptr);
    return same;
  }

  std::string WriteSprite() {
    dir.Write("sprite.bmp", BitmapFile(kSpriteWidth, kSpriteHeight, 8, SpritePixel));
    return dir.WindowsPath("sprite.bmp");
  }
};

TEST_F(FaultTest, SurfacesLostEveryTenthFrameComeBackWithThePictureAndTheSprite) {
  WritePicture();
  std::string sprite = WriteSprite();
  display->KeepLastFrames(1);
  constexpr int kFrames = 1000;
  std::size_t presentsSeen = 0;
  int losses = 0;
  int notLost = 0;
  int wrongFrames = 0;
  int framesAfterRestore = 0;
  int wrongSprites = 0;
  bool restoring = false;
  OnEachFrame(
      [&](int done) {
        if (done == 0) {
          ASSERT_NE(LoadSprite(0, sprite.c_str()), 0u);
        }
        // A frame whose flip found the surfaces lost restores them instead of presenting.
        if (display->PresentCount() != presentsSeen) {
          presentsSeen = display->PresentCount();
          wrongFrames += WrongPixels(display->LastFrame(), restoring || done == 1) != 0;
          framesAfterRestore += restoring;
          restoring = false;
        }
        wrongSprites += !SpriteHoldsItsPixels();
        if (done > 0 && done % 10 == 0 && done < kFrames) {
          standin::LoseSurfaces();
          ++losses;
          notLost += !SpriteSurface() || SpriteSurface()->IsLost() != DDERR_SURFACELOST;
          restoring = true;
        }
        if (done == kFrames) display->SetKey(DIK_SPACE, true);
      },
      kFrames + 10);
  EXPECT_EQ(RunGuarded(), 0);
  EXPECT_EQ(losses, 99);
  EXPECT_EQ(notLost, 0);
  // Every frame up to the one that saw the key, less those that found their surfaces lost.
  EXPECT_EQ(display->PresentCount(), std::size_t{kFrames + 1 - 99});
  EXPECT_EQ(framesAfterRestore, 99);
  EXPECT_EQ(wrongFrames, 0) << "presented frames not showing the shading on black";
  EXPECT_EQ(wrongSprites, 0) << "frames that began with the sprite not holding its bitmap";
  ExpectNothingLeft();
}

TEST_F(FaultTest, WithoutDirectInputKeysDoNothingAndTheDesktopsCloseEndsIt) {
  standin::RemoveModule("DINPUT.DLL");
  WritePicture();
  display->SetKey(DIK_SPACE, true);
  display->SetKey(DIK_ESCAPE, true);
  int wrongFrames = 0;
  OnEachFrame(
      [&](int done) {
        if (done > 0) wrongFrames += WrongPixels(display->LastFrame(), done == 1) != 0;
        if (done == 30) display->RequestClose();
      },
      40);
  EXPECT_EQ(RunGuarded(), 0);
  // The request reaches the window in the next flip, before that frame is presented.
  EXPECT_EQ(display->PresentCount(), 30u);
  EXPECT_EQ(wrongFrames, 0);
  ExpectNothingLeft();
}

TEST_F(FaultTest, NothingIsPresentedWithoutTheFocusAndFramesComeBackWithIt) {
  WritePicture();
  display->KeepLastFrames(1);
  int presentedAway = 0;
  int activeAway = 0;
  int fullScreenAway = 0;
  int wrongFrames = 0;
  OnEachFrame(
      [&](int done) {
        if (done == 10) display->LoseFocus();
        // A key pressed and let go while the program is away is not its key.
        if (done == 20) display->SetKey(DIK_SPACE, true);
        if (done == 35) display->SetKey(DIK_SPACE, false);
        if (done > 10 && done <= 40) {
          presentedAway += display->PresentCount() != 10;
          activeAway += ScreenState.active != 0;
          // The desktop has its own mode meanwhile.
          fullScreenAway += display->FullScreen() || !(display->Mode() == display->DesktopMode());
        }
        if (done == 40) display->GainFocus();
        // The first flip back restores the surfaces lost with the focus; the next presents.
        if (done == 41) {
          EXPECT_EQ(display->PresentCount(), 10u);
          EXPECT_TRUE(display->FullScreen());
          EXPECT_EQ(display->Mode(), display->ModeOf(800, 600, 8));
        }
        if (done == 42) {
          EXPECT_EQ(display->PresentCount(), 11u);
          wrongFrames += WrongPixels(display->LastFrame(), true) != 0;
        }
        if (done == 60) display->SetKey(DIK_SPACE, true);
      },
      70);
  EXPECT_EQ(RunGuarded(), 0);
  EXPECT_EQ(presentedAway, 0);
  EXPECT_EQ(activeAway, 0);
  EXPECT_EQ(fullScreenAway, 0);
  EXPECT_EQ(wrongFrames, 0) << "the first frame back does not show the shading on black";
  // Frames 1 to 10, then 42 to 61, the last being the one that saw the key.
  EXPECT_EQ(display->PresentCount(), 30u);
  ExpectNothingLeft();
}

TEST_F(FaultTest, AnySingleHeapRequestRefusedStillEndsCleanly) {
  WritePicture();
  std::string sprite = WriteSprite();
  // The sprite's loading and the desktop's close come from the scripted frames, so that a
  // run that lost its keyboard still ends.
  unsigned requests = 0;
  unsigned refused = 0;
  standin::RefuseHeapAllocations([&](HANDLE, SIZE_T) { return ++requests == refused; });
  auto script = [&] {
    OnEachFrame(
        [&](int done) {
          if (done == 0) LoadSprite(0, sprite.c_str());
          if (done == 3) display->RequestClose();
        },
        10);
  };
  script();
  ASSERT_EQ(RunGuarded(), 0);
  ASSERT_EQ(display->PresentCount(), 3u);
  const unsigned total = requests;
  for (refused = 1; refused <= total; ++refused) {
    SCOPED_TRACE("heap request " + std::to_string(refused) + " of " + std::to_string(total) +
                 " refused");
    FreshDesktop();
    script();
    requests = 0;
    ASSERT_EQ(RunGuarded(), 0);
    ASSERT_GE(requests, refused);
    ExpectNothingLeft();
    if (HasFailure()) return;
  }
  RecordProperty("heap_requests", static_cast<int>(total));
}

}  // namespace
