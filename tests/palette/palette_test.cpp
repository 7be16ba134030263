// Palettes against DirectDraw doubles: what is created, replaced and released, and when.
#include "palette/palette.h"

#include <cstring>
#include <filesystem>
#include <limits>

#include "palette/palette_state.h"
#include "runtime/memory.h"
#include "screen/screen.h"
#include "screen/screen_state.h"
#include "tests/support/directdraw_doubles.h"
#include "tests/support/runtime_fixture.h"
#include "tests/support/temp_dir.h"

namespace {

using ::testing::_;
using ::testing::DoAll;
using ::testing::Expectation;
using ::testing::InSequence;
using ::testing::Invoke;
using ::testing::NiceMock;
using ::testing::Return;
using ::testing::SetArgPointee;

class PaletteLibraryTest : public RuntimeTest {
 protected:
  void SetUp() override {
    RuntimeTest::SetUp();
    saved = ScreenState.directDraw;
    ScreenState.directDraw = &directDraw;
    ON_CALL(directDraw, CreatePalette(_, _, _, _))
        .WillByDefault(
            Invoke([this](DWORD, LPPALETTEENTRY entries, LPDIRECTDRAWPALETTE* out, IUnknown*) {
              std::memcpy(created, entries, sizeof created);
              *out = next;
              return DD_OK;
            }));
    // A palette reached by the entry-level operations tells so when asked for a colour.
    for (PaletteDouble* palette : std::initializer_list<PaletteDouble*>{&first, &second}) {
      ON_CALL(*palette, GetEntries(_, _, _, _))
          .WillByDefault(Invoke([this, palette](DWORD, DWORD, DWORD, LPPALETTEENTRY) {
            reached = palette;
            return DDERR_GENERIC;
          }));
    }
    ASSERT_NE(InitPalettes(256), 0u);
  }
  void TearDown() override {
    EndPalettes();
    ScreenState.directDraw = saved;
    standin::RestoreBuiltInModules();
    RuntimeTest::TearDown();
  }
  // A bitmap's headers, with an information header of `header` bytes, and zeros.
  std::vector<std::uint8_t> Bitmap(std::uint16_t bits, std::size_t size, std::uint8_t header = 40) {
    std::vector<std::uint8_t> bytes(size, 0);
    bytes[0] = 'B';
    bytes[1] = 'M';
    bytes[14] = header;
    bytes[28] = static_cast<std::uint8_t>(bits);
    return bytes;
  }
  // The double that the entry-level operations reach now; none when they reach no palette.
  PaletteDouble* Current() {
    reached = nullptr;
    GetPaletteColor(0);
    return reached;
  }
  IDirectDraw7* saved = nullptr;
  NiceMock<DirectDrawDouble> directDraw;
  NiceMock<PaletteDouble> first;
  NiceMock<PaletteDouble> second;
  IDirectDrawPalette* next = &first;
  PaletteDouble* reached = nullptr;
  PALETTEENTRY created[256];
  TempDir dir;
};

TEST_F(PaletteLibraryTest, TableHoldsHighestPlusOneEmptySlots) {
  for (int i = 0; i < 257; ++i) EXPECT_EQ(UsePalette(i), nullptr) << i;
  EXPECT_CALL(directDraw, CreatePalette(_, _, _, _)).Times(1);
  EXPECT_EQ(NewPalette(257), nullptr);
  EXPECT_EQ(NewPalette(-1), nullptr);
  EXPECT_EQ(NewPalette(256), &first);
}

TEST_F(PaletteLibraryTest, NewPaletteIsPureRedAndCurrent) {
  EXPECT_CALL(directDraw, CreatePalette(DDPCAPS_8BIT | DDPCAPS_ALLOW256, _, _, nullptr));
  EXPECT_EQ(NewPalette(3), &first);
  EXPECT_EQ(Current(), &first);
  EXPECT_EQ(UsePalette(3), &first);
  for (const PALETTEENTRY& entry : created) {
    EXPECT_EQ(entry.peRed, 255);
    EXPECT_EQ(entry.peGreen, 0);
    EXPECT_EQ(entry.peBlue, 0);
    EXPECT_EQ(entry.peFlags, PC_RESERVED | PC_NOCOLLAPSE);
  }
}

TEST_F(PaletteLibraryTest, ReplacingReleasesTheOldPaletteOnceAfterTheNewExists) {
  NewPalette(0);
  next = &second;
  Expectation creation = EXPECT_CALL(directDraw, CreatePalette(_, _, _, _));
  EXPECT_CALL(first, Release()).Times(1).After(creation);
  EXPECT_EQ(NewPalette(0), &second);
  EXPECT_CALL(second, Release()).Times(1);
  EndPalettes();
}

TEST_F(PaletteLibraryTest, AFailedCreationKeepsTheOldPalette) {
  NewPalette(0);
  EXPECT_CALL(directDraw, CreatePalette(_, _, _, _)).WillOnce(Return(DDERR_OUTOFMEMORY));
  EXPECT_CALL(first, Release()).Times(0);
  EXPECT_EQ(NewPalette(0), nullptr);
  EXPECT_EQ(Current(), &first);
  EXPECT_EQ(UsePalette(0), &first);
  ::testing::Mock::VerifyAndClearExpectations(&first);
}

TEST_F(PaletteLibraryTest, ColoursGoToTheCurrentPaletteAsEntryBytes) {
  NewPalette(0);
  EXPECT_CALL(first, SetEntries(0u, 255u, 1u, _))
      .WillOnce(Invoke([](DWORD, DWORD, DWORD, LPPALETTEENTRY entry) {
        EXPECT_EQ(entry->peRed, 255);
        EXPECT_EQ(entry->peGreen, 127);
        EXPECT_EQ(entry->peBlue, 63);
        EXPECT_EQ(entry->peFlags, 0);
        return DD_OK;
      }));
  SetPaletteColor(255, MakeRGB(255, 127, 63));
  EXPECT_CALL(first, GetEntries(0u, 7u, 1u, _))
      .WillOnce(DoAll(SetArgPointee<3>(PALETTEENTRY{1, 2, 3, 4}), Return(DD_OK)));
  EXPECT_EQ(GetPaletteColor(7), 0x04030201u);
  EXPECT_CALL(first, GetEntries(_, _, _, _)).WillOnce(Return(DDERR_INVALIDPARAMS));
  EXPECT_EQ(GetPaletteColor(8), 0u);
}

TEST_F(PaletteLibraryTest, AnEmptySlotLeavesNoCurrentPalette) {
  NewPalette(0);
  ShowPalette(5);
  EXPECT_EQ(Current(), nullptr);
  EXPECT_CALL(first, SetEntries(_, _, _, _)).Times(0);
  SetPaletteColor(1, 0x123456);
  EXPECT_EQ(GetPaletteColor(1), 0u);
}

TEST_F(PaletteLibraryTest, AReleasedPaletteIsNotCurrentAnyMore) {
  NewPalette(0);
  EXPECT_CALL(first, Release()).Times(1);
  FreePalette(0);
  EXPECT_EQ(Current(), nullptr);
  EXPECT_EQ(UsePalette(0), nullptr);
  EXPECT_CALL(first, SetEntries(_, _, _, _)).Times(0);
  SetPaletteColor(0, 0);
  FreePalette(0);
}

TEST_F(PaletteLibraryTest, LoadsTheColourTableOfAnEightBitBitmap) {
  auto bytes = Bitmap(8, 54 + 1024);
  for (int i = 0; i < 256; ++i) {
    bytes[54 + 4 * i] = static_cast<std::uint8_t>(i);             // blue
    bytes[54 + 4 * i + 1] = static_cast<std::uint8_t>(255 - i);   // green
    bytes[54 + 4 * i + 2] = static_cast<std::uint8_t>(i ^ 0x5A);  // red
    bytes[54 + 4 * i + 3] = 0xEE;
  }
  bytes[54] = 10;
  bytes[55] = 20;
  bytes[56] = 30;
  dir.Write("ramp.bmp", bytes);
  NewPalette(1);
  next = &second;
  EXPECT_EQ(LoadPalette(2, dir.WindowsPath("ramp.bmp").c_str()), &second);
  EXPECT_EQ(Current(), &first);
  EXPECT_EQ(UsePalette(2), &second);
  EXPECT_EQ(created[0].peRed, 30);
  EXPECT_EQ(created[0].peGreen, 20);
  EXPECT_EQ(created[0].peBlue, 10);
  EXPECT_EQ(created[0].peFlags, PC_EXPLICIT);
  // Bytes that text-mode reading would change arrive unchanged.
  for (int i : {10, 13, 26, 255}) {
    EXPECT_EQ(created[i].peBlue, i);
    EXPECT_EQ(created[i].peGreen, 255 - i);
    EXPECT_EQ(created[i].peRed, i ^ 0x5A);
  }
}

// The table follows the information header, whichever of its forms the file has (40 bytes
// in the oldest, 108 and 124 as drawing programs write them now); a table of fewer
// colours than 256 leaves the others black.
TEST_F(PaletteLibraryTest, TheColourTableFollowsTheInformationHeader) {
  struct Case {
    std::uint8_t header;
    std::uint32_t colors;  // the header's count of colours used; 0 for all 256
  } cases[] = {{40, 0}, {108, 0}, {124, 0}, {124, 20}, {40, 256}};
  next = &second;
  for (const Case& c : cases) {
    std::uint32_t held = c.colors ? c.colors : 256;
    std::size_t table = 14 + c.header;
    auto bytes = Bitmap(8, table + 4 * held, c.header);
    bytes[46] = static_cast<std::uint8_t>(c.colors);
    bytes[47] = static_cast<std::uint8_t>(c.colors >> 8);
    for (std::uint32_t i = 0; i < held; ++i) {
      bytes[table + 4 * i] = static_cast<std::uint8_t>(i);
      bytes[table + 4 * i + 1] = 7;
      bytes[table + 4 * i + 2] = static_cast<std::uint8_t>(255 - i);
    }
    dir.Write("table.bmp", bytes);
    std::memset(created, 0xAA, sizeof created);
    ASSERT_EQ(LoadPalette(2, dir.WindowsPath("table.bmp").c_str()), &second) << int{c.header};
    for (std::uint32_t i = 0; i < 256; ++i) {
      PALETTEENTRY expected =
          i < held ? PALETTEENTRY{static_cast<BYTE>(255 - i), 7, static_cast<BYTE>(i), PC_EXPLICIT}
                   : PALETTEENTRY{0, 0, 0, PC_EXPLICIT};
      EXPECT_EQ(std::memcmp(&created[i], &expected, sizeof expected), 0)
          << "header " << int{c.header} << ", " << c.colors << " colours, entry " << i;
    }
  }
}

TEST_F(PaletteLibraryTest, RefusesWhatIsNoWholeEightBitColourTable) {
  NewPalette(2);
  dir.Write("deep.bmp", Bitmap(24, 54 + 1024));
  auto notBitmap = Bitmap(8, 54 + 1024);
  notBitmap[0] = 'X';
  dir.Write("other.bmp", notBitmap);
  dir.Write("short.bmp", Bitmap(8, 54 + 1023));
  dir.Write("shortafter124.bmp", Bitmap(8, 138 + 1023, 124));
  auto fewer = Bitmap(8, 54 + 4 * 20 - 1);
  fewer[46] = 20;
  dir.Write("fewer.bmp", fewer);
  // The 12-byte header of old has other fields in other places; no form is larger than 124.
  dir.Write("core.bmp", Bitmap(8, 26 + 1024, 12));
  dir.Write("unknown.bmp", Bitmap(8, 14 + 200 + 1024, 200));
  dir.Write("empty.bmp", {});
  EXPECT_CALL(directDraw, CreatePalette(_, _, _, _)).Times(0);
  for (const char* name : {"deep.bmp", "other.bmp", "short.bmp", "shortafter124.bmp", "fewer.bmp",
                           "core.bmp", "unknown.bmp", "empty.bmp", "missing.bmp"}) {
    EXPECT_EQ(LoadPalette(2, dir.WindowsPath(name).c_str()), nullptr) << name;
    EXPECT_EQ(UsePalette(2), &first) << name;
  }
}

// Loaded under the current palette's number, the new palette is current: the entry-level
// operations reach it, not nothing. Under another number the current one stays.
TEST_F(PaletteLibraryTest, ALoadUnderTheCurrentNumberMakesTheLoadedPaletteCurrent) {
  dir.Write("table.bmp", Bitmap(8, 54 + 1024));
  NewPalette(3);
  next = &second;
  EXPECT_EQ(LoadPalette(3, dir.WindowsPath("table.bmp").c_str()), &second);
  EXPECT_EQ(Current(), &second);
  EXPECT_CALL(second, SetEntries(0, 9, 1, _));
  SetPaletteColor(9, MakeRGB(1, 2, 3));
  NiceMock<PaletteDouble> third;
  next = &third;
  EXPECT_EQ(LoadPalette(4, dir.WindowsPath("table.bmp").c_str()), &third);
  EXPECT_EQ(Current(), &second);
  FreePalette(4);
}

// Only the colour table is read: a file larger than any memory the process can have loads
// like a small one.
TEST_F(PaletteLibraryTest, AHugeFileGivesItsColourTable) {
  auto bytes = Bitmap(8, 54 + 1024);
  bytes[54 + 4 * 7 + 2] = 99;
  dir.Write("huge.bmp", bytes);
  std::filesystem::resize_file(dir.path() / "huge.bmp", std::uintmax_t{1} << 41);
  next = &second;
  EXPECT_EQ(LoadPalette(2, dir.WindowsPath("huge.bmp").c_str()), &second);
  EXPECT_EQ(created[7].peRed, 99);
}

TEST_F(PaletteLibraryTest, ATableTooLargeToHaveIsAFailure) {
  EndPalettes();
  EXPECT_EQ(InitPalettes(std::numeric_limits<std::int32_t>::max()), 0u);
  EXPECT_EQ(InitPalettes(-5), 0u);
  EXPECT_EQ(NewPalette(0), nullptr);
  EXPECT_NE(InitPalettes(0), 0u);
  EXPECT_EQ(NewPalette(0), &first);
}

// A new table leaves the current palette as it was: only NewPalette, UsePalette and
// ShowPalette change it.
TEST_F(PaletteLibraryTest, ANewTableKeepsTheCurrentPalette) {
  NewPalette(1);
  ASSERT_NE(InitPalettes(8), 0u);
  EXPECT_CALL(first, SetEntries(0, 4, 1, _));
  SetPaletteColor(4, MakeRGB(1, 2, 3));
}

TEST_F(PaletteLibraryTest, ShowingAttachesToThePrimarySurface) {
  NiceMock<SurfaceDouble> primary;
  IDirectDrawSurface7* savedPrimary = ScreenState.primary;
  ScreenState.primary = &primary;
  NewPalette(0);
  EXPECT_CALL(primary, SetPalette(&first));
  ShowPalette(0);
  EXPECT_EQ(Current(), &first);
  ScreenState.primary = savedPrimary;
}

TEST_F(PaletteLibraryTest, StartingBeforeTheScreenBindsTheSharedObjectWithoutCounting) {
  EndPalettes();
  ScreenState.directDraw = nullptr;
  standin::RemoveModule("DDRAW.DLL");
  EXPECT_EQ(InitPalettes(4), 0u);
  EXPECT_EQ(PaletteSlots, 5);  // the table is there all the same
  InstallDirectDrawDouble(&directDraw);
  EXPECT_NE(InitPalettes(4), 0u);
  EXPECT_EQ(NewPalette(4), &first);
  // The screen library's first user finds the object there, and its close is the last.
  EXPECT_EQ(OpenDirectDraw(), &directDraw);
  EXPECT_CALL(directDraw, Release()).Times(1);
  CloseDirectDraw();
  ::testing::Mock::VerifyAndClearExpectations(&directDraw);
}

}  // namespace
