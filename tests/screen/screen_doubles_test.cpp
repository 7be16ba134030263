// The screen library against DirectDraw doubles: the calls it makes, their order, and
// the failures that a working DirectDraw does not show on demand.
#include <algorithm>
#include <cstring>

#include "screen/drawing.h"
#include "screen/screen.h"
#include "screen/screen_state.h"
#include "sprite/sprite.h"
#include "sprite_table/sprite_table.h"
#include "tests/support/directdraw_doubles.h"
#include "tests/support/runtime_fixture.h"

namespace {

using ::testing::_;
using ::testing::AnyNumber;
using ::testing::DoAll;
using ::testing::Field;
using ::testing::InSequence;
using ::testing::Invoke;
using ::testing::InvokeWithoutArgs;
using ::testing::NiceMock;
using ::testing::Pointee;
using ::testing::Return;
using ::testing::SetArgPointee;

int CursorCount() {
  int shown = ShowCursor(TRUE);
  ShowCursor(FALSE);
  return shown - 1;
}

// The screen library as at process start, but for its window, which lives as long as the
// process does.
class ScreenLibraryTest : public RuntimeTest {
 protected:
  void SetUp() override {
    RuntimeTest::SetUp();
    // A screen released after a failed start-up forgets the window: keep it here.
    static HWND processWindow = nullptr;
    if (ScreenState.window) processWindow = ScreenState.window;
    std::int32_t created = ScreenState.windowCreated;
    ScreenState = {};
    ScreenState.window = processWindow;
    ScreenState.windowCreated = created;
    ON_CALL(directDraw, CreateSurface(_, _, _))
        .WillByDefault(DoAll(SetArgPointee<1>(&primary), Return(DD_OK)));
    ON_CALL(primary, GetAttachedSurface(_, _))
        .WillByDefault(DoAll(SetArgPointee<1>(&backBuffer), Return(DD_OK)));
    ON_CALL(primary, GetDC(_)).WillByDefault(Return(DDERR_GENERIC));
    ON_CALL(backBuffer, GetDC(_)).WillByDefault(Return(DDERR_GENERIC));
    ON_CALL(primary, Lock(_, _, _, _)).WillByDefault(Return(DDERR_GENERIC));
    ON_CALL(directDraw, GetMonitorFrequency(_))
        .WillByDefault(DoAll(SetArgPointee<0>(60), Return(DD_OK)));
    InstallDirectDrawDouble(&directDraw);
  }
  void TearDown() override {
    EndScreenLibrary();
    standin::RestoreBuiltInModules();
    standin::SetPerformanceCounter({}, {});
    RuntimeTest::TearDown();
  }
  // The primary surface's lock reports these masks.
  void ReportMasks(DWORD red, DWORD green) {
    ON_CALL(primary, Lock(_, _, _, _))
        .WillByDefault(Invoke([=](LPRECT, LPDDSURFACEDESC2 description, DWORD, HANDLE) {
          description->ddpfPixelFormat.dwRBitMask = red;
          description->ddpfPixelFormat.dwGBitMask = green;
          return DD_OK;
        }));
  }
  NiceMock<DirectDrawDouble> directDraw;
  NiceMock<SurfaceDouble> primary;
  NiceMock<SurfaceDouble> backBuffer;
};

TEST_F(ScreenLibraryTest, StartUpBindsDirectDrawOnceAndShutdownReleasesIt) {
  EXPECT_CALL(directDraw, Release()).Times(0);
  Address table = InitScreenLibrary();
  ASSERT_NE(table, 0u);
  EXPECT_EQ(table, AddressOf(SpriteTable));
  EXPECT_EQ(SpriteTableCapacity, 50);
  for (int i = 0; i < 50; ++i) EXPECT_EQ(SpriteTable[i].storage, nullptr);
  EXPECT_EQ(CreateScreenWindow(), 1);
  EXPECT_EQ(standin::ModuleReferences("DDRAW.DLL"), 1);
  // The start-up's is the one use: another user shares the object and its close keeps it.
  EXPECT_EQ(OpenDirectDraw(), &directDraw);
  CloseDirectDraw();
  // A released screen gives the window back to the next screen, and the surface
  // description that the lock fills has its size set.
  ReleaseScreen();
  EXPECT_CALL(primary,
              Lock(nullptr, Pointee(Field(&DDSURFACEDESC2::dwSize, sizeof(DDSURFACEDESC2))),
                   DDLOCK_WAIT, nullptr));
  EXPECT_EQ(OpenScreen(800, 600, 8, ""), 1);
  ::testing::Mock::VerifyAndClearExpectations(&directDraw);

  EXPECT_CALL(directDraw, SetCooperativeLevel(nullptr, DDSCL_NORMAL));
  EXPECT_CALL(directDraw, Release()).Times(1);
  EndScreenLibrary();
  EXPECT_EQ(standin::ModuleReferences("DDRAW.DLL"), 0);
  ::testing::Mock::VerifyAndClearExpectations(&directDraw);
  // Ended already: a second end releases nothing more.
  EXPECT_CALL(directDraw, Release()).Times(0);
  EndScreenLibrary();
}

TEST_F(ScreenLibraryTest, WithoutDirectDrawNoScreenOpensAndTheCountStillBalances) {
  standin::RemoveModule("DDRAW.DLL");
  int cursor = CursorCount();
  EXPECT_EQ(InitScreenLibrary(), 0u);
  EXPECT_EQ(OpenScreen(800, 600, 8, ""), 0);
  EXPECT_EQ(CursorCount(), cursor);
  EndScreenLibrary();
  EXPECT_EQ(CursorCount(), cursor);
  // The start-up's use, counted without an object, was given back by the end: with
  // DirectDraw there again, the next user is the only one and its close releases it.
  InstallDirectDrawDouble(&directDraw);
  EXPECT_EQ(OpenDirectDraw(), &directDraw);
  EXPECT_CALL(directDraw, Release()).Times(1);
  CloseDirectDraw();
  ::testing::Mock::VerifyAndClearExpectations(&directDraw);
}

TEST_F(ScreenLibraryTest, ACreationThatLeavesNoObjectUnloadsTheModule) {
  InstallDirectDrawDouble(nullptr);
  EXPECT_EQ(InitScreenLibrary(), 0u);
  EXPECT_EQ(standin::ModuleReferences("DDRAW.DLL"), 0);
  // The start-up's use still counts: a later user's close keeps the object, the end's
  // close releases it.
  InstallDirectDrawDouble(&directDraw);
  EXPECT_CALL(directDraw, Release()).Times(0);
  EXPECT_EQ(OpenDirectDraw(), &directDraw);
  CloseDirectDraw();
  ::testing::Mock::VerifyAndClearExpectations(&directDraw);
  EXPECT_CALL(directDraw, Release()).Times(1);
  EndScreenLibrary();
}

TEST_F(ScreenLibraryTest, OpeningCallsDirectDrawInOrder) {
  InitScreenLibrary();
  ReportMasks(0, 0);
  EXPECT_CALL(directDraw, SetCooperativeLevel(nullptr, DDSCL_NORMAL)).Times(AnyNumber());
  {
    InSequence order;
    EXPECT_CALL(directDraw, SetCooperativeLevel(ScreenState.window, 17u)).WillOnce(Return(DD_OK));
    EXPECT_CALL(directDraw, SetDisplayMode(800u, 600u, 8u, 0u, 0u)).WillOnce(Return(DD_OK));
    EXPECT_CALL(directDraw,
                CreateSurface(AllOf(Pointee(Field(&DDSURFACEDESC2::dwFlags, 0x21u)),
                                    Pointee(Field(&DDSURFACEDESC2::dwBackBufferCount, 1u))),
                              _, nullptr))
        .WillOnce(DoAll(SetArgPointee<1>(&primary), Return(DD_OK)));
    EXPECT_CALL(primary, GetAttachedSurface(Pointee(Field(&DDSCAPS2::dwCaps, 0x2004u)), _))
        .WillOnce(DoAll(SetArgPointee<1>(&backBuffer), Return(DD_OK)));
    EXPECT_CALL(backBuffer, GetDC(_));
    EXPECT_CALL(primary, GetDC(_));
    EXPECT_CALL(directDraw, GetMonitorFrequency(_));
    EXPECT_CALL(primary, Lock(nullptr, _, DDLOCK_WAIT, nullptr));
    EXPECT_CALL(primary, Unlock(nullptr));
  }
  int cursor = CursorCount();
  EXPECT_EQ(OpenScreen(800, 600, 8, ""), 1);
  HWND window = ScreenState.window;
  // The full screen covers the window, which takes no input of its own meanwhile.
  EXPECT_TRUE(standin::DescribeWindow(window)->visible);
  EXPECT_FALSE(standin::DescribeWindow(window)->enabled);
  EXPECT_EQ(CursorCount(), cursor - 1);
  EXPECT_EQ(PixelFormatCode(), 1);
  // Active, with the back buffer to draw on: a flip presents it.
  EXPECT_CALL(primary, Flip(nullptr, DDFLIP_WAIT)).WillOnce(Return(DD_OK));
  EXPECT_EQ(FlipBuffers(), &backBuffer);
  EXPECT_CALL(backBuffer, Release());
  EXPECT_CALL(primary, Release());
  CloseScreen();
  EXPECT_EQ(ScreenState.width, 0);
  EXPECT_CALL(primary, Flip(_, _)).Times(0);
  FlipBuffers();
  EXPECT_EQ(CursorCount(), cursor);
  EXPECT_FALSE(standin::DescribeWindow(window)->visible);
}

TEST_F(ScreenLibraryTest, ARefusedModeOpensNothingAndShowsTheCursorAgain) {
  InitScreenLibrary();
  int cursor = CursorCount();
  EXPECT_CALL(directDraw, SetDisplayMode(_, _, _, _, _)).WillOnce(Return(DDERR_INVALIDMODE));
  EXPECT_CALL(directDraw, CreateSurface(_, _, _)).Times(0);
  EXPECT_CALL(directDraw, SetCooperativeLevel(_, 17u)).WillOnce(Return(DD_OK));
  EXPECT_CALL(directDraw, SetCooperativeLevel(nullptr, DDSCL_NORMAL));
  EXPECT_EQ(OpenScreen(800, 600, 8, ""), 0);
  EXPECT_EQ(CursorCount(), cursor);
  // No screen to present.
  EXPECT_CALL(primary, Flip(_, _)).Times(0);
  FlipBuffers();
  ::testing::Mock::VerifyAndClearExpectations(&directDraw);
}

TEST_F(ScreenLibraryTest, SizesAreTakenAsSigned16BitValues) {
  InitScreenLibrary();
  EXPECT_CALL(directDraw, SetDisplayMode(4464u, 600u, 8u, 0u, 0u))
      .WillOnce(Return(DDERR_INVALIDMODE));
  OpenScreen(70000, 600, 8, "");
}

struct LayoutCase {
  std::int32_t depth;
  DWORD red;
  DWORD green;
  std::int32_t code;
};

class PixelLayoutTest : public ScreenLibraryTest,
                        public ::testing::WithParamInterface<LayoutCase> {};

TEST_P(PixelLayoutTest, CodeFollowsDepthAndMasks) {
  InitScreenLibrary();
  ReportMasks(GetParam().red, GetParam().green);
  ASSERT_EQ(OpenScreen(640, 480, GetParam().depth, "x"), 1);
  EXPECT_EQ(PixelFormatCode(), GetParam().code);
}

INSTANTIATE_TEST_SUITE_P(Layouts, PixelLayoutTest,
                         ::testing::Values(LayoutCase{8, 0, 0, 1}, LayoutCase{16, 0x7C00, 0x3E0, 2},
                                           LayoutCase{16, 0xF800, 0x7E0, 3},
                                           LayoutCase{24, 0xFF, 0xFF00, 4},
                                           LayoutCase{24, 0xFF0000, 0xFF00, 5},
                                           LayoutCase{32, 0xFF, 0xFF00, 6},
                                           LayoutCase{32, 0xFF0000, 0xFF00, 7}));

TEST_F(ScreenLibraryTest, AFailedLockKeepsThePreviousCode) {
  InitScreenLibrary();
  ReportMasks(0xFF0000, 0xFF00);
  ASSERT_EQ(OpenScreen(640, 480, 32, ""), 1);
  ASSERT_EQ(PixelFormatCode(), 7);
  ON_CALL(primary, Lock(_, _, _, _)).WillByDefault(Return(DDERR_SURFACELOST));
  ASSERT_EQ(OpenScreen(640, 480, 16, ""), 1);
  EXPECT_EQ(PixelFormatCode(), 7);
}

class FlipTest : public ScreenLibraryTest {
 protected:
  void SetUp() override {
    ScreenLibraryTest::SetUp();
    InitScreenLibrary();
    ASSERT_EQ(OpenScreen(800, 600, 8, ""), 1);
  }
  // The back buffer's lock tells where its pixels are: `pixels`, rows `pitch` apart.
  void BackBufferPixelsAt(unsigned char* pixels, LONG pitch) {
    ON_CALL(backBuffer, Lock(_, _, _, _))
        .WillByDefault(Invoke([=](LPRECT, LPDDSURFACEDESC2 description, DWORD, HANDLE) {
          description->lpSurface = pixels;
          description->lPitch = pitch;
          description->dwWidth = 800;
          description->dwHeight = 600;
          return DD_OK;
        }));
  }
};

TEST_F(FlipTest, ALostSurfaceRestoresTheModeAndTheSurfacesWithoutASecondFlip) {
  InSequence order;
  EXPECT_CALL(primary, Flip(nullptr, DDFLIP_WAIT)).WillOnce(Return(DDERR_SURFACELOST));
  EXPECT_CALL(directDraw, SetDisplayMode(800u, 600u, 8u, 0u, 0u));
  EXPECT_CALL(directDraw, RestoreAllSurfaces());
  EXPECT_CALL(primary, Flip(_, _)).Times(0);
  EXPECT_EQ(FlipBuffers(), &backBuffer);
}

TEST_F(FlipTest, NothingIsPresentedWhileInactive) {
  ScreenState.active = 0;
  EXPECT_CALL(primary, Flip(_, _)).Times(0);
  FlipBuffers();
  ScreenState.active = 1;
  EXPECT_CALL(primary, Flip(nullptr, DDFLIP_WAIT)).WillOnce(Return(DD_OK));
  FlipBuffers();
}

// A clock of microseconds for the counter and Sleep, and a display whose refresh periods
// start at 0: the flip, DirectDraw's wait for the blank, or neither may wait for it.
class HeldFlipTest : public FlipTest {
 protected:
  void SetUp() override {
    FlipTest::SetUp();
    standin::SetPerformanceCounter(
        [this](LARGE_INTEGER* value) {
          value->QuadPart = now;
          now += perRead;
          ++reads;
          return TRUE;
        },
        [](LARGE_INTEGER* frequency) {
          frequency->QuadPart = 1000000;
          return TRUE;
        });
    standin::SetSleepHook([this](DWORD milliseconds) {
      now += std::int64_t{milliseconds} * 1000;
      ++sleeps;
    });
    ON_CALL(primary, Flip(_, _)).WillByDefault(Return(DD_OK));
    ON_CALL(directDraw, WaitForVerticalBlank(_, _)).WillByDefault(Return(DD_OK));
  }
  void TearDown() override {
    standin::SetSleepHook({});
    FlipTest::TearDown();
  }
  // Reopens the screen on a monitor of that frequency.
  void Monitor(DWORD hertz) {
    ON_CALL(directDraw, GetMonitorFrequency(_))
        .WillByDefault(DoAll(SetArgPointee<0>(hertz), Return(DD_OK)));
    ASSERT_EQ(OpenScreen(800, 600, 8, ""), 1);
  }
  // Waits for the start of the next refresh period of `period` microseconds.
  auto ToNextBlank(std::int64_t period) {
    return [this, period] {
      now = (now / period + 1) * period;
      return DD_OK;
    };
  }
  // Flips `frames` frames that each take a millisecond of work; the microseconds from the
  // end of the first flip to the end of the last.
  std::int64_t Flips(int frames) {
    std::int64_t first = 0;
    for (int frame = 0; frame < frames; ++frame) {
      now += 1000;
      FlipBuffers();
      if (frame == 0) first = now;
    }
    return now - first;
  }
  // Frames per second over `frames` frames after a few to settle.
  double Rate(int frames) {
    Flips(3);
    return (frames - 1) * 1e6 / static_cast<double>(Flips(frames));
  }
  std::int64_t now = 5000000;
  // Microseconds that each read of the counter takes, for waits that spin on it.
  std::int64_t perRead = 0;
  int reads = 0;
  int sleeps = 0;
};

// Whatever a driver answers, the frames end at the display's rate, never at one a second:
// a monitor frequency that cannot be had, or is 0 or 1 ("the hardware's default") or no
// monitor's, counts as 60 Hz; the flip may wait for the display's 60 Hz, come back at
// once, or answer that it is still drawing; and a frame rate set where the monitor reports
// the rate the mode asked for (0) paces nothing, so early flips are held all the same.
TEST_F(HeldFlipTest, EveryDriverAnswerEndsAtTheDisplaysRate) {
  enum FlipKind { kWaits, kAtOnce, kStillDrawing };
  struct Case {
    HRESULT answer;
    DWORD hertz;
    FlipKind flip;
    std::int32_t frameRate;
    double expected;
  };
  const Case cases[] = {
      {DDERR_UNSUPPORTED, 30, kAtOnce, 0, 60},
      {DD_OK, 0, kAtOnce, 0, 60},
      {DD_OK, 1, kAtOnce, 0, 60},
      {DD_OK, 1000, kAtOnce, 0, 60},
      {DD_OK, 144, kAtOnce, 0, 144},
      {DD_OK, 1, kWaits, 0, 60},
      {DD_OK, 1, kStillDrawing, 0, 60},
      {DD_OK, 0, kAtOnce, 60, 60},
      {DD_OK, 60, kAtOnce, 30, 31},
  };
  perRead = 1;
  for (const Case& c : cases) {
    ON_CALL(directDraw, GetMonitorFrequency(_))
        .WillByDefault(DoAll(SetArgPointee<0>(c.hertz), Return(c.answer)));
    ASSERT_EQ(OpenScreen(800, 600, 8, ""), 1);
    ASSERT_EQ(SetFrameRate(c.frameRate), 1);
    if (c.flip == kWaits) {
      ON_CALL(primary, Flip(_, _)).WillByDefault(InvokeWithoutArgs(ToNextBlank(16667)));
    } else {
      ON_CALL(primary, Flip(_, _))
          .WillByDefault(Return(c.flip == kAtOnce ? DD_OK : DDERR_WASSTILLDRAWING));
    }
    double rate = Rate(121);
    EXPECT_LE(rate, c.expected * 1.01) << c.hertz << " Hz, flip " << c.flip;
    EXPECT_GE(rate, c.expected * 0.97) << c.hertz << " Hz, flip " << c.flip;
  }
}

// While another window is active nothing is presented and nothing spins: each frame waits
// for window messages until its refresh period is over, so the program keeps the display's
// rate (and its timeline its speed) at next to no cost. DirectDraw answers as Windows may
// meanwhile: the surfaces are lost, and restoring them fails until the program has the
// display again, which may come after the window is active again; those frames wait too.
TEST_F(HeldFlipTest, AwayFromTheDisplayEachFrameWaitsForMessagesForAPeriod) {
  bool away = false;
  bool lost = false;
  ON_CALL(primary, Flip(_, _)).WillByDefault(Invoke([&](IDirectDrawSurface7*, DWORD) {
    return lost ? DDERR_SURFACELOST : DD_OK;
  }));
  ON_CALL(directDraw, RestoreAllSurfaces()).WillByDefault(Invoke([&] {
    lost = away;
    return away ? DDERR_WRONGMODE : DD_OK;
  }));
  Flips(3);
  away = lost = true;
  PostMessageA(ScreenState.window, WM_ACTIVATE, MAKEWPARAM(WA_INACTIVE, 0), 0);
  reads = sleeps = 0;
  EXPECT_CALL(primary, Flip(_, _)).Times(0);
  double background = Rate(121);
  EXPECT_LE(background, 60.1);
  EXPECT_GE(background, 59.5);
  EXPECT_LE(sleeps, 124 * 2);
  EXPECT_LE(reads, 124 * 4);
  ::testing::Mock::VerifyAndClearExpectations(&primary);

  // Active again, without the display yet: every frame tries to restore, and waits.
  PostMessageA(ScreenState.window, WM_ACTIVATE, MAKEWPARAM(WA_ACTIVE, 0), 0);
  EXPECT_CALL(primary, Flip(nullptr, DDFLIP_WAIT)).Times(30);
  EXPECT_CALL(directDraw, RestoreAllSurfaces()).Times(30);
  EXPECT_GE(Flips(30), 29 * 16666 - 1000);
  ::testing::Mock::VerifyAndClearExpectations(&primary);
  ::testing::Mock::VerifyAndClearExpectations(&directDraw);

  // The display back: one frame restores it, and the frames are shown at its rate again.
  away = false;
  EXPECT_CALL(directDraw, RestoreAllSurfaces()).Times(1);
  EXPECT_CALL(primary, Flip(nullptr, DDFLIP_WAIT)).Times(1 + 3 + 61);
  FlipBuffers();
  double shown = Rate(61);
  EXPECT_LE(shown, 60.6);
  EXPECT_GE(shown, 59.5);
}

// A flip that comes back at once (Wine's without 3D), with a wait for the blank that does
// not wait either: from the second early flip in a row on, each frame sleeps out the rest
// of its period, on the monitor's frequency or on 60 Hz where the monitor reports none.
// The frames keep the monitor's rate without falling behind it, and the counter is read a
// few times a frame, not spun on.
TEST_F(HeldFlipTest, AFlipThatDoesNotWaitIsHeldForTheRestOfThePeriod) {
  struct Case {
    DWORD hertz;
    std::int64_t period;
  };
  for (Case c : {Case{60, 16666}, Case{0, 16666}, Case{144, 6944}}) {
    Monitor(c.hertz);
    reads = sleeps = 0;
    EXPECT_CALL(directDraw, WaitForVerticalBlank(DDWAITVB_BLOCKBEGIN, nullptr)).Times(118);
    std::int64_t took = Flips(120);
    EXPECT_GE(took, 1000 + 118 * c.period) << c.hertz << " Hz";
    EXPECT_LE(took, 2000 + 118 * c.period) << c.hertz << " Hz";
    EXPECT_EQ(sleeps, 118);
    EXPECT_LE(reads, 120 * 2);
    ::testing::Mock::VerifyAndClearExpectations(&directDraw);
  }
}

// Where DirectDraw's wait for the blank waits, it holds the frame and nothing sleeps.
TEST_F(HeldFlipTest, AWaitForTheBlankThatWaitsHoldsTheFrameWithoutSleeping) {
  EXPECT_CALL(directDraw, WaitForVerticalBlank(DDWAITVB_BLOCKBEGIN, nullptr))
      .Times(58)
      .WillRepeatedly(Invoke(ToNextBlank(16666)));
  // From the third frame on, each ends on a blank of its own.
  EXPECT_GE(Flips(60), 57 * 16666);
  EXPECT_EQ(sleeps, 0);
}

// A flip that waits for the display (Windows') is left alone, also when it comes back
// early now and then (its thread kept waiting on the previous one); so is a frame that took
// longer than a period, and the first flip of a screen.
TEST_F(HeldFlipTest, AFlipThatWaitsIsNotHeld) {
  int flips = 0;
  std::int64_t blank = 0;
  ON_CALL(primary, Flip(_, _)).WillByDefault(Invoke([&](IDirectDrawSurface7*, DWORD) {
    // Each flip waits for a blank after the previous flip's; every third comes back on
    // time after one that came back 4 ms late.
    blank = std::max(blank + 1, now / 16666 + 1);
    now = blank * 16666 + (++flips % 3 == 2 ? 4000 : 0);
    return DD_OK;
  }));
  EXPECT_CALL(directDraw, WaitForVerticalBlank(_, _)).Times(0);
  EXPECT_LE(Flips(60), 59 * 16667);
  now += 40000;
  FlipBuffers();
  EXPECT_EQ(sleeps, 0);
}

// A counter that advances by `step` on every read, starting from `start`.
class PacedFlipTest : public FlipTest {
 protected:
  void Script(std::int64_t start, std::int64_t step) {
    counter = start;
    this->step = step;
    standin::SetPerformanceCounter(
        [this, step](LARGE_INTEGER* value) {
          value->QuadPart = counter;
          counter += step;
          return TRUE;
        },
        [](LARGE_INTEGER* frequency) {
          frequency->QuadPart = 3579545;
          return TRUE;
        });
  }
  // Where the last wait ended: its last read of the counter.
  std::int64_t LastRead() const { return counter - step; }
  std::int64_t counter = 0;
  std::int64_t step = 0;
};

TEST_F(PacedFlipTest, SixtyFramesASecondWaitsMoreThan58681Ticks) {
  // One tick a read: each wait ends at the first read past 58681 ticks.
  Script(1000, 1);
  ASSERT_EQ(SetFrameRate(60), 1);
  // The first wait starts from its own first read, a whole frame.
  FlipBuffers();
  EXPECT_EQ(LastRead(), 1000 + 58682);
  std::int64_t ended = LastRead();
  FlipBuffers();
  EXPECT_EQ(LastRead() - ended, 58682);
  // A new rate starts the next wait from its own first read again.
  ASSERT_EQ(SetFrameRate(60), 1);
  ended = counter;
  FlipBuffers();
  EXPECT_EQ(LastRead() - ended, 58682);
}

// The low 32 bits cross from positive to negative, or from negative to positive, 30 reads
// into the first wait: that wait then lasts a whole frame from the first read across.
TEST_F(PacedFlipTest, ASignChangeEitherWayStartsTheWaitAnew) {
  for (std::int64_t crossing : {0x80000000LL, 0x100000000LL}) {
    Script(crossing - 30 * 1000 + 500, 1000);
    ASSERT_EQ(SetFrameRate(60), 1);
    FlipBuffers();
    std::int64_t waited = static_cast<std::uint32_t>(LastRead()) - (crossing & 0xFFFFFFFF) - 500;
    EXPECT_GT(waited, 58681) << std::hex << crossing;
    EXPECT_LE(waited, 58681 + 1000) << std::hex << crossing;
  }
}

TEST_F(PacedFlipTest, ASignChangeOfTheLow32BitsStartsTheWaitAnew) {
  Script(0x7FFFFFF0, 1000);
  SetFrameRate(60);
  FlipBuffers();
  // The counter crossed into negative low halves: the wait began at the first such read.
  auto ended = static_cast<std::int32_t>(static_cast<std::uint32_t>(LastRead()));
  EXPECT_LT(ended, 0);
  EXPECT_GT(static_cast<std::int64_t>(static_cast<std::uint32_t>(ended)) - 0x80000000LL, 58681);
  // Pacing is off again: the flip does not spin on the counter (it reads it once to see
  // whether the flip waited for the display).
  EXPECT_EQ(SetFrameRate(0), 1);
  std::int64_t before = counter;
  FlipBuffers();
  EXPECT_LE(counter - before, 2 * 1000);
}

// What the guide promises: SetFrameRate(n) holds the flips to about n + 1 a second, never
// more (the divisor is n + 1), on a monitor whose rate is known.
TEST_F(PacedFlipTest, AFrameRateOfNGivesAboutNPlusOneFlipsASecond) {
  for (std::int32_t rate : {30, 60, 100}) {
    Script(1000, 97);
    ASSERT_EQ(SetFrameRate(rate), 1);
    std::int64_t tenSeconds = 1000 + 10 * std::int64_t{3579545};
    std::int32_t flips = 0;
    while (counter < tenSeconds) {
      FlipBuffers();
      ++flips;
    }
    EXPECT_GT(flips, 10 * rate) << rate;
    EXPECT_LE(flips, 10 * (rate + 1)) << rate;
  }
}

TEST_F(PacedFlipTest, NoCounterMeansNoFrameRate) {
  int reads = 0;
  standin::SetPerformanceCounter(
      [&](LARGE_INTEGER* value) {
        value->QuadPart = ++reads;
        return TRUE;
      },
      [](LARGE_INTEGER*) { return FALSE; });
  EXPECT_EQ(SetFrameRate(30), 0);
  EXPECT_EQ(SetFrameRate(-1), 0);
  // Flips go unpaced: the counter is never read.
  FlipBuffers();
  EXPECT_EQ(reads, 0);
}

TEST_F(PacedFlipTest, ACounterThatStopsAnsweringEndsTheWait) {
  Script(1000, 100);
  ASSERT_EQ(SetFrameRate(60), 1);
  int reads = 0;
  standin::SetPerformanceCounter(
      [&](LARGE_INTEGER* value) {
        value->QuadPart = 1000 + 100 * reads;
        return ++reads < 5;
      },
      {});
  FlipBuffers();  // returns, unpaced
  EXPECT_EQ(reads, 5);
  FlipBuffers();
  EXPECT_EQ(reads, 6);
}

TEST_F(FlipTest, ADrawingSessionHoldsTheBackBufferUntilItEnds) {
  HDC dc = reinterpret_cast<HDC>(std::uintptr_t{0x77});
  static unsigned char pixels[16];
  BackBufferPixelsAt(pixels, 832);
  ON_CALL(backBuffer, GetDC(_)).WillByDefault(DoAll(SetArgPointee<0>(dc), Return(DD_OK)));
  {
    InSequence order;
    EXPECT_CALL(backBuffer, Lock(nullptr, _, DDLOCK_WAIT, nullptr));
    EXPECT_CALL(backBuffer, Unlock(nullptr));
    EXPECT_CALL(backBuffer, GetDC(_));
    EXPECT_CALL(backBuffer, ReleaseDC(dc));
  }
  DrawingTarget* target = ScreenTarget();
  ASSERT_NE(target, nullptr);
  EXPECT_EQ(target->kind, kSurfaceTarget);
  EXPECT_EQ(target->pitch, 832);
  EXPECT_EQ(target->depth, 8);
  EXPECT_EQ(BeginDrawing(target), dc);
  EXPECT_EQ(DrawingBufferAddress(), AddressOf(pixels));
  EXPECT_EQ(DrawingBufferPitch(), 832);
  // While the context is held no second target can be had; closing the session gives it
  // back, and a session that never opened writes nowhere.
  EXPECT_EQ(ScreenTarget(), nullptr);
  EXPECT_EQ(BeginDrawing(nullptr), nullptr);
  EXPECT_EQ(DrawingBufferAddress(), 0u);
  EndDrawing();
  // The context went back once and is forgotten: a flip gives back nothing more.
  FlipBuffers();
}

TEST_F(FlipTest, FlippingGivesBackAContextThatASessionKept) {
  HDC dc = reinterpret_cast<HDC>(std::uintptr_t{0x78});
  ON_CALL(backBuffer, Lock(_, _, _, _)).WillByDefault(Return(DD_OK));
  ON_CALL(backBuffer, GetDC(_)).WillByDefault(DoAll(SetArgPointee<0>(dc), Return(DD_OK)));
  ASSERT_NE(ScreenTarget(), nullptr);
  {
    InSequence order;
    EXPECT_CALL(backBuffer, ReleaseDC(dc));
    EXPECT_CALL(primary, Flip(_, _));
  }
  FlipBuffers();
  ::testing::Mock::VerifyAndClearExpectations(&backBuffer);
  ::testing::Mock::VerifyAndClearExpectations(&primary);
  // The context is forgotten: the next flip gives back nothing, and the back buffer can
  // be had again.
  EXPECT_CALL(backBuffer, ReleaseDC(_)).Times(0);
  FlipBuffers();
  EXPECT_NE(ScreenTarget(), nullptr);
  ::testing::Mock::VerifyAndClearExpectations(&backBuffer);
}

// A session that a flip or a released screen ended early is closed: it answers no buffer,
// and the next session's context is not given back in its place.
TEST_F(FlipTest, FlippingOrReleasingClosesTheSessionThatHeldTheBackBuffer) {
  HDC first = reinterpret_cast<HDC>(std::uintptr_t{0x81});
  HDC second = reinterpret_cast<HDC>(std::uintptr_t{0x82});
  static unsigned char pixels[16];
  BackBufferPixelsAt(pixels, 800);
  EXPECT_CALL(backBuffer, GetDC(_))
      .WillOnce(DoAll(SetArgPointee<0>(first), Return(DD_OK)))
      .WillOnce(DoAll(SetArgPointee<0>(second), Return(DD_OK)));
  EXPECT_CALL(backBuffer, ReleaseDC(first)).Times(1);
  EXPECT_CALL(backBuffer, ReleaseDC(second)).Times(0);
  ASSERT_EQ(BeginDrawing(ScreenTarget()), first);
  FlipBuffers();
  EXPECT_EQ(DrawingBufferAddress(), 0u);
  EXPECT_EQ(DrawingBufferPitch(), 0);
  ASSERT_EQ(BeginDrawing(ScreenTarget()), second);
  EXPECT_EQ(DrawingBufferAddress(), AddressOf(pixels));
  EXPECT_EQ(ScreenTarget(), nullptr);  // the new session still holds its context
  ::testing::Mock::VerifyAndClearExpectations(&backBuffer);

  EXPECT_CALL(backBuffer, ReleaseDC(second)).Times(1);
  CloseScreen();
  EXPECT_EQ(DrawingBufferAddress(), 0u);
  EndDrawing();
  ::testing::Mock::VerifyAndClearExpectations(&backBuffer);
}

TEST_F(FlipTest, AFailedContextUndoesTheLock) {
  HDC dc = reinterpret_cast<HDC>(std::uintptr_t{0x79});
  ON_CALL(backBuffer, Lock(_, _, _, _)).WillByDefault(Return(DD_OK));
  EXPECT_CALL(backBuffer, Unlock(nullptr)).Times(2);
  // What a failing GetDC writes is not taken as a context held: the next target can be had.
  EXPECT_CALL(backBuffer, GetDC(_))
      .WillOnce(DoAll(SetArgPointee<0>(dc), Return(DDERR_CANTCREATEDC)))
      .WillOnce(DoAll(SetArgPointee<0>(dc), Return(DD_OK)));
  EXPECT_EQ(ScreenTarget(), nullptr);
  EXPECT_NE(ScreenTarget(), nullptr);
}

}  // namespace
