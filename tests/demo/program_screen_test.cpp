// The whole demonstration on the stand-in's headless display with a scripted clock and
// keyboard: what it presents, and how it ends.
#include <gmock/gmock.h>

#include <vector>

#include "runtime/runtime_state.h"
#include "tests/demo/demonstration_fixture.h"
#include "tests/support/directdraw_doubles.h"

namespace {

using ::testing::_;
using ::testing::NiceMock;
using ::testing::Return;

TEST_F(DemonstrationTest, AKeyAtTheFirstPollShowsExactlyOneFrameAndEndsWithZero) {
  WritePicture();
  std::vector<int> expected = ExpectedFrame(3.0f, 0);
  display->SetKey(DIK_SPACE, true);
  EXPECT_EQ(Run(), 0);
  ASSERT_EQ(display->PresentCount(), 1u);
  const standin::PresentedFrame& frame = display->Frames().back();
  ASSERT_EQ(frame.width, 800u);
  ASSERT_EQ(frame.height, 600u);
  EXPECT_EQ(frame.format.bitsPerPixel, 8u);
  for (int i = 0; i < 256; ++i) {
    EXPECT_EQ(frame.palette[i].peRed, i);
    EXPECT_EQ(frame.palette[i].peGreen, i / 2);
    EXPECT_EQ(frame.palette[i].peBlue, i / 4);
  }
  int wrong = 0;
  int lit = 0;
  for (DWORD y = 0; y < 600; ++y) {
    for (DWORD x = 0; x < 800; ++x) {
      bool inFrame = x >= 240 && x < 560 && y >= 150 && y < 350;
      int want = inFrame ? expected[(y - 150) * 320 + (x - 240)] : 0;
      int got = static_cast<int>(frame.ValueAt(x, y));
      wrong += got != want;
      lit += got != 0;
    }
  }
  EXPECT_EQ(wrong, 0) << "pixels differing from the shaded frame on a black screen";
  EXPECT_GT(lit, 1000);
  EXPECT_FALSE(display->FullScreen());  // the desktop is back after the end
}

TEST_F(DemonstrationTest, TheDesktopsRequestToCloseEndsItTheNormalWay) {
  standin::SetTickSource([&] {
    if (display->PresentCount() == 3) display->RequestClose();
    return DWORD{1000};
  });
  EXPECT_EQ(Run(), 0);
  // The request reaches the window in the next flip, before that frame is presented.
  EXPECT_EQ(display->PresentCount(), 3u);
  EXPECT_FALSE(display->FullScreen());
  EXPECT_EQ(standin::CursorDisplayCount(), 0);
}

TEST_F(DemonstrationTest, FramesGoOnUntilAKeyArrivesAndTheOneThenStartedIsStillShown) {
  standin::SetTickSource([&] {
    if (display->PresentCount() == 7) display->SetKey(DIK_RETURN, true);
    return DWORD{1000};
  });
  EXPECT_EQ(Run(), 0);
  EXPECT_EQ(display->PresentCount(), 8u);
}

TEST_F(DemonstrationTest, WithoutTheFrameBufferNoScreenIsOpened) {
  display->SetKey(DIK_SPACE, true);
  standin::RefuseHeapAllocations(
      [](HANDLE heap, SIZE_T bytes) { return heap == MemoryBlockHeap && bytes == 64000; });
  EXPECT_EQ(Run(), 0);
  EXPECT_EQ(display->PresentCount(), 0u);
  EXPECT_FALSE(display->FullScreen());
  EXPECT_EQ(standin::CursorDisplayCount(), 0);
}

TEST_F(DemonstrationTest, WithoutAScreenNoPaletteIsCreated) {
  NiceMock<DirectDrawDouble> directDraw;
  InstallDirectDrawDouble(&directDraw);
  EXPECT_CALL(directDraw, SetCooperativeLevel(_, _)).WillRepeatedly(Return(DD_OK));
  EXPECT_CALL(directDraw, SetDisplayMode(800u, 600u, 8u, 0u, 0u))
      .WillOnce(Return(DDERR_INVALIDMODE));
  EXPECT_CALL(directDraw, CreatePalette(_, _, _, _)).Times(0);
  EXPECT_CALL(directDraw, Release()).Times(1);
  display->SetKey(DIK_SPACE, true);
  EXPECT_EQ(Run(), 0);
  EXPECT_EQ(standin::CursorDisplayCount(), 0);
}

TEST_F(DemonstrationTest, WithoutDirectDrawTheProgramStillEndsWithZero) {
  standin::RemoveModule("DDRAW.DLL");
  EXPECT_EQ(Run(), 0);
  EXPECT_EQ(display->PresentCount(), 0u);
  ExpectNothingLeft();
}

}  // namespace
