// The program's start-up and its one way out, run inside the test: its tick source looks
// at the state when StartTick is taken.
#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "demo/demo.h"
#include "platform/posix/displays/headless/headless_display.h"
#include "platform/posix/standin.h"
#include "runtime/runtime_state.h"
#include "screen/screen.h"
#include "tests/demo/demonstration_fixture.h"
#include "tests/demo/light_cone.h"
#include "tools/pcx.h"

extern const char PictureName[] = "Paris.pcx";

namespace {

constexpr DWORD kStartTick = 123456;

// What the height map, frame buffer and light map hold when StartTick is taken.
struct Snapshot {
  std::vector<int> heights;  // picture column, then row, for rows 0 to 198
  std::vector<int> frame;
  std::vector<int> light;  // cells (j, i) for j, i below 256
  bool screenOpen = false;
};

int PictureValue(int x, int y) { return (x * 5 + y * 11 + (x / 8) * 40) % 256; }

class ProgramTest : public DemonstrationTest {
 protected:
  void SetUp() override {
    DemonstrationTest::SetUp();
    // A key already down at the first poll: one frame, then the program ends.
    display->SetKey(DIK_SPACE, true);
    standin::SetTickSource([this]() -> DWORD {
      // Start-up reads the clock twice: to seed the random numbers, before the arrays
      // exist, and for StartTick.
      if (Demo.FrameBuffer != 0 && !snapshot) {
        snapshot = Take();
        snapshot->screenOpen = display->FullScreen();
      }
      return kStartTick;
    });
  }
  void TearDown() override {
    standin::FailHeapAllocationsFrom(0);
    DemonstrationTest::TearDown();
  }

  int Run() {
    snapshot.reset();
    return DemonstrationTest::Run();
  }

  static Snapshot Take() {
    Snapshot s;
    for (int r = 0; r < 199; ++r) {
      for (int c = 1; c <= 320; ++c) s.heights.push_back(*HeightCell(c, r));
    }
    for (int k = 0; k < kFrameBytes; ++k) {
      s.frame.push_back(AtAddress<std::uint8_t>(Demo.FrameBuffer)[k]);
    }
    for (int j = 0; j < 256; ++j) {
      for (int i = 0; i < 256; ++i) s.light.push_back(*LightCell(j, i));
    }
    return s;
  }

  // A picture whose every pixel PictureValue tells.
  pcx::Image WriteKnownPicture() {
    pcx::Image image = pcx::Grayscale(320, 200);
    for (int y = 0; y < 200; ++y) {
      for (int x = 0; x < 320; ++x) {
        image.pixels[y * 320 + x] = static_cast<std::uint8_t>(PictureValue(x, y));
      }
    }
    EXPECT_TRUE(pcx::Write((dir.path() / PictureName).string(), image));
    return image;
  }

  void ExpectLoadedState(const Snapshot& s) {
    int wrong = 0;
    for (int r = 0; r < 199; ++r) {
      for (int x = 0; x < 320; ++x) wrong += s.heights[r * 320 + x] != PictureValue(x, r);
    }
    EXPECT_EQ(wrong, 0) << "height cells differing from the picture";
    int lit = 0;
    for (int b : s.frame) lit += b != 0;
    EXPECT_EQ(lit, 0) << "frame bytes not zero";
    wrong = 0;
    for (int j = 0; j < 256; ++j) {
      for (int i = 0; i < 256; ++i) wrong += s.light[j * 256 + i] != ConeIntensity(j, i);
    }
    EXPECT_EQ(wrong, 0) << "light map cells off the cone";
    EXPECT_EQ(s.light[128 * 256 + 128], 255);
  }

  std::optional<Snapshot> snapshot;
};

TEST_F(ProgramTest, MissingPictureIsCreatedEmptyAndTheProgramExitsZero) {
  EXPECT_EQ(Run(), 0);
  ASSERT_TRUE(dir.Exists(PictureName));
  EXPECT_TRUE(dir.Read(PictureName).empty());
  EXPECT_TRUE(snapshot.has_value());
  EXPECT_EQ(standin::HeapCount(), heapsBefore);
}

TEST_F(ProgramTest, StartUpLoadsThePictureAndBuildsTheLightMapThenEndsCleanly) {
  pcx::Image image = WriteKnownPicture();
  EXPECT_EQ(Run(), 0);
  ASSERT_TRUE(snapshot.has_value());
  ExpectLoadedState(*snapshot);
  // The clock starts before the screen opens: the time a display takes to change its
  // mode is part of the timeline.
  EXPECT_FALSE(snapshot->screenOpen);
  EXPECT_EQ(Demo.StartTick, kStartTick);
  EXPECT_EQ(standin::HeapCount(), heapsBefore);
  EXPECT_EQ(RuntimeHeap, nullptr);
  EXPECT_EQ(dir.Read(PictureName), pcx::Encode(image));
}

TEST_F(ProgramTest, EveryHeapFailureEndsTheProgramQuietly) {
  WriteKnownPicture();
  // A run without failures counts the requests of the whole program: the runtime, the
  // screen, palette, keyboard and mouse, the first frame and the end.
  unsigned total = 0;
  standin::RefuseHeapAllocations([&](HANDLE, SIZE_T) {
    ++total;
    return false;
  });
  ASSERT_EQ(Run(), 0);
  standin::RefuseHeapAllocations({});
  ASSERT_EQ(display->PresentCount(), 1u);
  // Failures from request n on. The frame buffer is the last request before StartTick, so
  // the start-up first gets there when n is one past the number of requests it makes
  // until then.
  unsigned beforeStartTick = 0;
  for (unsigned n = 1; n <= total; ++n) {
    SCOPED_TRACE("heap allocations fail from request " + std::to_string(n));
    standin::FailHeapAllocationsFrom(n);
    int code = Run();
    standin::FailHeapAllocationsFrom(0);
    ASSERT_EQ(code, 0);
    ExpectNothingLeft();
    ASSERT_FALSE(HasFailure());
    if (snapshot && beforeStartTick == 0) {
      beforeStartTick = n - 1;
      ExpectLoadedState(*snapshot);
    }
  }
  EXPECT_GT(beforeStartTick, 0u);
  EXPECT_LT(beforeStartTick, total);
  RecordProperty("heap_requests", static_cast<int>(total));
  RecordProperty("heap_requests_before_start_tick", static_cast<int>(beforeStartTick));
}

}  // namespace
