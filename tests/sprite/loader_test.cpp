// Loading into the sprite table: its growth, what happens to a slot that already holds a
// sprite, images in memory, and damaged bitmaps, which must be refused without a byte
// being read outside the file.
#include <cstring>

#include "runtime/runtime_state.h"
#include "sprite/decoders.h"
#include "sprite_table/sprite_table.h"
#include "tests/sprite/screen_fixture.h"

namespace {

class SpriteLoaderTest : public SpriteScreenTest {
 protected:
  void SetUp() override {
    SpriteScreenTest::SetUp();
    Open(16);
    good = BitmapFile(2, 2, 24, [](std::int32_t, std::int32_t) { return 0xFFFFFFu; });
    goodName = Write("good.bmp", good);
  }
  Bytes good;
  std::string goodName;
};

TEST_F(SpriteLoaderTest, TheTableGrowsByFiftyPastTheLastSprite) {
  ASSERT_NE(LoadSprite(49, goodName.c_str()), 0u);
  EXPECT_EQ(SpriteTableCapacity, 50);
  void* kept = Storage(49);
  ASSERT_NE(LoadSprite(50, goodName.c_str()), 0u);
  EXPECT_EQ(SpriteTableCapacity, 100);
  EXPECT_EQ(Storage(49), kept);
  EXPECT_STREQ(SpriteTable[49].fileName, goodName.c_str());
  for (std::int32_t sprite = 51; sprite < 100; ++sprite) {
    EXPECT_EQ(Storage(sprite), nullptr) << sprite;
  }
  ASSERT_NE(LoadSprite(130, goodName.c_str()), 0u);
  EXPECT_EQ(SpriteTableCapacity, 180);
  EXPECT_EQ(LoadSprite(-1, goodName.c_str()), 0u);
  EXPECT_EQ(SpriteTableCapacity, 180);
}

// A sprite's size as loaded, surface or memory image; nothing for a slot without one.
TEST_F(SpriteLoaderTest, ASpriteTellsItsWidthAndHeight) {
  Bytes wide = BitmapFile(5, 3, 24, [](std::int32_t, std::int32_t) { return 0x808080u; });
  ASSERT_NE(LoadSprite(2, Write("wide.bmp", wide).c_str()), 0u);
  Bytes tall = BitmapFile(3, 7, 8, [](std::int32_t, std::int32_t) { return 1u; });
  ASSERT_NE(LoadSprite(60, Write("tall.bmp", tall).c_str(), kSpriteMemoryImage), 0u);
  EXPECT_EQ(SpriteWidth(2), 5);
  EXPECT_EQ(SpriteHeight(2), 3);
  EXPECT_EQ(SpriteWidth(60), 3);
  EXPECT_EQ(SpriteHeight(60), 7);
  for (std::int32_t nothing : {0, 59, -1, SpriteTableCapacity, 1 << 30}) {
    EXPECT_EQ(SpriteWidth(nothing), 0) << nothing;
    EXPECT_EQ(SpriteHeight(nothing), 0) << nothing;
  }
  FreeSprite(2);
  EXPECT_EQ(SpriteWidth(2), 0);
}

TEST_F(SpriteLoaderTest, AFileThatCannotBeOpenedLeavesTheSlotAsItWas) {
  ASSERT_NE(LoadSprite(3, goodName.c_str()), 0u);
  void* kept = Storage(3);
  EXPECT_EQ(LoadSprite(3, dir.WindowsPath("missing.bmp").c_str()), 0u);
  EXPECT_EQ(Storage(3), kept);
  EXPECT_STREQ(SpriteTable[3].fileName, goodName.c_str());
  EXPECT_EQ(LoadSprite(3, nullptr), 0u);
  EXPECT_EQ(Storage(3), kept);
}

TEST_F(SpriteLoaderTest, ASlotThatHoldsASpriteIsEmptiedOnceBeforeTheImageIsExamined) {
  std::size_t blocks = standin::HeapBlockCount(RuntimeHeap);
  Bytes eight = BitmapFile(2, 2, 8, [](std::int32_t, std::int32_t) { return 1u; });
  std::string eightName = Write("eight.bmp", eight);
  ASSERT_NE(LoadSprite(3, eightName.c_str(), 2), 0u);
  ASSERT_EQ(standin::HeapBlockCount(RuntimeHeap), blocks + 1);
  // Loaded again under its own stored name, the slot gets a new block and keeps the name.
  ASSERT_NE(StoreSpriteImage(3, eight.data(), 2, SpriteTable[3].fileName, eight.size()), 0u);
  EXPECT_STREQ(SpriteTable[3].fileName, eightName.c_str());
  EXPECT_EQ(standin::HeapBlockCount(RuntimeHeap), blocks + 1);
  // A refused image still empties the slot: its block is gone and nothing is left.
  Bytes refused = eight;
  SetField32(refused, 30, 1);
  EXPECT_EQ(StoreSpriteImage(3, refused.data(), 2, "refused", refused.size()), 0u);
  EXPECT_EQ(Storage(3), nullptr);
  EXPECT_EQ(SpriteTable[3].fileName, nullptr);
  EXPECT_EQ(standin::HeapBlockCount(RuntimeHeap), blocks);
  // A surface goes the same way.
  ASSERT_NE(LoadSprite(4, goodName.c_str()), 0u);
  EXPECT_EQ(LoadSpriteFromMemory(4, refused.data()), 0u);
  EXPECT_EQ(Storage(4), nullptr);
}

TEST_F(SpriteLoaderTest, AnImageInMemoryBecomesASpriteWithAnEmptyName) {
  // An exact copy on its own, so that reading past its end would be seen.
  std::vector<std::uint8_t> image(good);
  Address result = LoadSpriteFromMemory(7, image.data());
  ASSERT_NE(result, 0u);
  EXPECT_EQ(AddressOf(Storage(7)), result);
  EXPECT_STREQ(SpriteTable[7].fileName, "");
  EXPECT_EQ(SurfacePixel(Storage(7), 1, 1, 2), 65535u);
  EXPECT_EQ(LoadSpriteFromMemory(8, nullptr), 0u);
}

// Each damaged file is refused, and the slot that held a sprite before is left empty.
TEST_F(SpriteLoaderTest, DamagedBitmapFilesAreRefused) {
  struct Damage {
    const char* what;
    std::function<void(Bytes&)> apply;
  };
  const Damage damages[] = {
      {"last pixel byte missing", [](Bytes& f) { f.resize(f.size() - 3); }},
      {"header cut short", [](Bytes& f) { f.resize(33); }},
      {"only the signature", [](Bytes& f) { f.resize(2); }},
      {"pixels start past the end", [](Bytes& f) { SetField32(f, 10, 0x7FFFFFF0); }},
      {"zero width", [](Bytes& f) { SetField32(f, 18, 0); }},
      {"zero height", [](Bytes& f) { SetField32(f, 22, 0); }},
      {"negative width", [](Bytes& f) { SetField32(f, 18, static_cast<std::uint32_t>(-2)); }},
      {"top-down rows", [](Bytes& f) { SetField32(f, 22, static_cast<std::uint32_t>(-2)); }},
      {"wider than the file", [](Bytes& f) { SetField32(f, 18, 3); }},
      {"huge width", [](Bytes& f) { SetField32(f, 18, 0x7FFFFFFF); }},
      {"size overflows 32 bits",
       [](Bytes& f) {
         SetField32(f, 18, 0x10000);
         SetField32(f, 22, 0x10000);
       }},
      {"compressed", [](Bytes& f) { SetField32(f, 30, 1); }},
      {"4 bits per pixel", [](Bytes& f) { SetField16(f, 28, 4); }},
      {"48 bits per pixel", [](Bytes& f) { SetField16(f, 28, 48); }},
  };
  for (const Damage& damage : damages) {
    Bytes file = good;
    damage.apply(file);
    std::string name = Write("damaged.bmp", file);
    ASSERT_NE(LoadSprite(2, goodName.c_str()), 0u);
    EXPECT_EQ(LoadSprite(2, name.c_str()), 0u) << damage.what;
    EXPECT_EQ(Storage(2), nullptr) << damage.what;
    EXPECT_EQ(SpriteTable[2].fileName, nullptr) << damage.what;
  }
  // An empty file is no image either.
  std::string empty = Write("empty.bmp", {});
  ASSERT_NE(LoadSprite(2, goodName.c_str()), 0u);
  EXPECT_EQ(LoadSprite(2, empty.c_str()), 0u);
  EXPECT_EQ(Storage(2), nullptr);
}

// Every pixel that the conversion reads lies inside the file: a file without the padding
// of its last row, and pixels that begin inside the headers, are taken as they are.
TEST_F(SpriteLoaderTest, BitmapsWhosePixelsLieInTheFileAreTaken) {
  Bytes unpadded = good;
  unpadded.resize(unpadded.size() - 2);
  ASSERT_NE(LoadSprite(2, Write("unpadded.bmp", unpadded).c_str()), 0u);
  EXPECT_EQ(SurfacePixel(Storage(2), 1, 0, 2), 65535u);
  // Pixels from offset 2 on: the bottom row's first pixel is the bytes 0x46, 0, 0 of the
  // file's size and reserved fields, blue 0x46 and no green or red.
  Bytes early = good;
  SetField32(early, 10, 2);
  ASSERT_NE(LoadSprite(3, Write("early.bmp", early).c_str()), 0u);
  EXPECT_EQ(SurfacePixel(Storage(3), 0, 1, 2), 0x46u >> 3);
}

TEST_F(SpriteLoaderTest, ACompressedBitmapIsNotOfferedToTheDecoders) {
  static int checks = 0;
  checks = 0;
  static const ImageDecoder kTakesAll = {
      [](std::FILE*, const void*, const char*) { return ++checks, 1; },
      [](void*, std::int32_t, std::int32_t) { return 1; }, [] { return std::int32_t{1}; },
      [] { return std::int32_t{1}; }};
  RegisterImageDecoder(kTakesAll);
  Bytes file = good;
  SetField32(file, 30, 1);
  EXPECT_EQ(LoadSprite(2, Write("packed.bmp", file).c_str()), 0u);
  EXPECT_EQ(LoadSpriteFromMemory(2, file.data()), 0u);
  EXPECT_EQ(checks, 0);
}

// Without a size the header alone decides: fields that contradict each other are
// refused before any pixel is read.
TEST_F(SpriteLoaderTest, AnImageInMemoryWithInconsistentFieldsIsRefused) {
  const std::pair<std::size_t, std::uint32_t> damages[] = {
      {18, 0},     {22, 0}, {18, 0xFFFFFFFE}, {22, 0xFFFFFFFE}, {18, 32768},
      {22, 32768}, {10, 0}, {10, 33},         {18, 0x7FFFFFFF}, {10, 0x7FFFFFF0},
  };
  for (auto [offset, value] : damages) {
    Bytes image = good;
    SetField32(image, offset, value);
    ASSERT_NE(LoadSprite(2, goodName.c_str()), 0u);
    EXPECT_EQ(LoadSpriteFromMemory(2, image.data()), 0u) << offset << " " << value;
    EXPECT_EQ(Storage(2), nullptr) << offset << " " << value;
  }
}

TEST_F(SpriteLoaderTest, WhenTheSurfaceCannotBeMadeTheSlotIsLeftEmpty) {
  Bytes eight = BitmapFile(2, 2, 8, [](std::int32_t, std::int32_t) { return 1u; });
  ASSERT_NE(LoadSprite(2, goodName.c_str()), 0u);
  // The memory image's block is refused by the runtime heap.
  standin::RefuseHeapAllocations(
      [](HANDLE heap, SIZE_T bytes) { return heap == RuntimeHeap && bytes == 4; });
  EXPECT_EQ(LoadSprite(2, Write("eight.bmp", eight).c_str(), 2), 0u);
  EXPECT_EQ(Storage(2), nullptr);
  EXPECT_EQ(SpriteTable[2].fileName, nullptr);
  // The file's block cannot be had: the slot keeps its sprite.
  ASSERT_NE(LoadSprite(2, goodName.c_str()), 0u);
  std::size_t size = good.size();
  standin::RefuseHeapAllocations([size](HANDLE, SIZE_T bytes) { return bytes == size; });
  EXPECT_EQ(LoadSprite(2, goodName.c_str()), 0u);
  EXPECT_NE(Storage(2), nullptr);
}

}  // namespace
