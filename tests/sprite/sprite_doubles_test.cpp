// The sprite library against DirectDraw doubles: what it does with a new sprite surface
// whose lock fails, which a working DirectDraw does not show on demand.
#include "screen/screen.h"
#include "sprite/sprite.h"
#include "sprite_table/sprite_table.h"
#include "tests/support/bitmaps.h"
#include "tests/support/directdraw_doubles.h"
#include "tests/support/runtime_fixture.h"

namespace {

using ::testing::_;
using ::testing::DoAll;
using ::testing::Field;
using ::testing::InSequence;
using ::testing::Invoke;
using ::testing::NiceMock;
using ::testing::Pointee;
using ::testing::Return;
using ::testing::SetArgPointee;

// An 8-bit screen opened on doubles; sprite surfaces created afterwards are `sprite`.
class SpriteSurfaceTest : public RuntimeTest {
 protected:
  void SetUp() override {
    standin::ResetDesktop();
    ForgetScreenWindow();
    RuntimeTest::SetUp();
    ON_CALL(directDraw, CreateSurface(_, _, _))
        .WillByDefault(DoAll(SetArgPointee<1>(&primary), Return(DD_OK)));
    ON_CALL(primary, GetAttachedSurface(_, _))
        .WillByDefault(DoAll(SetArgPointee<1>(&backBuffer), Return(DD_OK)));
    ON_CALL(primary, GetDC(_)).WillByDefault(Return(DDERR_GENERIC));
    ON_CALL(backBuffer, GetDC(_)).WillByDefault(Return(DDERR_GENERIC));
    ON_CALL(primary, Lock(_, _, _, _)).WillByDefault(Return(DDERR_GENERIC));
    InstallDirectDrawDouble(&directDraw);
    ASSERT_NE(InitScreenLibrary(), 0u);
    ASSERT_EQ(OpenScreen(800, 600, 8, "sprites"), 1);
    ON_CALL(directDraw, CreateSurface(_, _, _))
        .WillByDefault(DoAll(SetArgPointee<1>(&sprite), Return(DD_OK)));
  }
  void TearDown() override {
    EndScreenLibrary();
    standin::RestoreBuiltInModules();
    RuntimeTest::TearDown();
  }

  // Stored rows 1 2 3 / 4 5 6.
  Bytes image =
      BitmapFile(3, 2, 8, [](std::int32_t x, std::int32_t row) { return 1 + x + 3 * row; });
  NiceMock<DirectDrawDouble> directDraw;
  NiceMock<SurfaceDouble> primary;
  NiceMock<SurfaceDouble> backBuffer;
  NiceMock<SurfaceDouble> sprite;
};

TEST_F(SpriteSurfaceTest, ALockedSurfaceIsFilledThenUnlockedThenKeyed) {
  std::uint8_t pixels[2][8] = {};
  {
    InSequence order;
    EXPECT_CALL(sprite, Lock(nullptr, _, DDLOCK_WAIT, nullptr))
        .WillOnce(Invoke([&](LPRECT, LPDDSURFACEDESC2 description, DWORD, HANDLE) {
          description->lpSurface = pixels;
          description->lPitch = 8;
          return DD_OK;
        }));
    EXPECT_CALL(sprite, Unlock(nullptr));
    EXPECT_CALL(sprite, SetColorKey(DDCKEY_SRCBLT,
                                    AllOf(Pointee(Field(&DDCOLORKEY::dwColorSpaceLowValue, 0u)),
                                          Pointee(Field(&DDCOLORKEY::dwColorSpaceHighValue, 0u)))));
  }
  EXPECT_EQ(LoadSpriteFromMemory(0, image.data()), AddressOf(&sprite));
  EXPECT_EQ(Bytes(pixels[0], pixels[0] + 3), (Bytes{4, 5, 6}));
  EXPECT_EQ(Bytes(pixels[1], pixels[1] + 3), (Bytes{1, 2, 3}));
}

TEST_F(SpriteSurfaceTest, ASurfaceThatCannotBeLockedIsNeitherUnlockedNorKeyed) {
  EXPECT_CALL(sprite, Lock(nullptr, _, DDLOCK_WAIT, nullptr)).WillOnce(Return(DDERR_SURFACELOST));
  EXPECT_CALL(sprite, Unlock(_)).Times(0);
  EXPECT_CALL(sprite, SetColorKey(_, _)).Times(0);
  EXPECT_EQ(LoadSpriteFromMemory(0, image.data()), 0u);
  // The slot keeps its new, blank surface.
  EXPECT_EQ(SpriteTable[0].storage, &sprite);
  EXPECT_STREQ(SpriteTable[0].fileName, "");
}

}  // namespace
