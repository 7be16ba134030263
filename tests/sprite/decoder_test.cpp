// The image decoders: a small format of the test's own ("SD", width, height, then R, G, B
// bytes row by row from the top) found in files and in memory, decoded into the loader's
// block and converted into sprites.
#include <cstring>

#include "runtime/runtime_state.h"
#include "sprite/decoder_registry.h"
#include "sprite/decoders.h"
#include "sprite_table/sprite_table.h"
#include "tests/sprite/screen_fixture.h"

namespace {

Bytes SmallImage(std::uint8_t width, std::uint8_t height) {
  Bytes image{'S', 'D', width, height};
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      image.push_back(static_cast<std::uint8_t>(10 * x));  // red
      image.push_back(static_cast<std::uint8_t>(y));       // green
      image.push_back(0xC0);                               // blue
    }
  }
  return image;
}

// What the decoders saw.
struct Seen {
  std::vector<long> checkPositions;  // stream position at each check, per decoder
  int refusals = 0;
  std::int32_t stride = -1;
  std::int32_t flags = -1;
  int decodes = 0;
};
Seen seen;

// Declines everything, after reading from the stream it is given.
int Decline(std::FILE* stream, const void*, const char*) {
  if (stream) {
    seen.checkPositions.push_back(std::ftell(stream));
    char header[4];
    EXPECT_EQ(std::fread(header, 1, 4, stream), 4u);
  }
  ++seen.refusals;
  return 0;
}

Bytes current;  // the accepted image, read whole

int CheckSmall(std::FILE* stream, const void* image, const char* name) {
  if (stream) {
    EXPECT_NE(name, nullptr);
    EXPECT_EQ(image, nullptr);
    seen.checkPositions.push_back(std::ftell(stream));
    current.assign(4, 0);
    if (std::fread(current.data(), 1, 4, stream) != 4) return 0;
    if (current[0] != 'S' || current[1] != 'D') return 0;
    current.resize(4 + 3 * current[2] * current[3]);
    return std::fread(current.data() + 4, 1, current.size() - 4, stream) == current.size() - 4;
  }
  EXPECT_EQ(name, nullptr);
  const auto* bytes = static_cast<const std::uint8_t*>(image);
  if (bytes[0] != 'S' || bytes[1] != 'D') return 0;
  current.assign(bytes, bytes + 4 + 3 * bytes[2] * bytes[3]);
  return 1;
}

std::int32_t SmallWidth() { return current[2]; }
std::int32_t SmallHeight() { return current[3]; }

// B, G, R top-down; every other byte of the block, the row after the last included, is
// written too, so a block smaller than stride * (height + 1) would be overrun.
int DecodeSmall(void* buffer, std::int32_t stride, std::int32_t flags) {
  ++seen.decodes;
  seen.stride = stride;
  seen.flags = flags;
  auto* block = static_cast<std::uint8_t*>(buffer);
  std::memset(block, 0xEE, static_cast<std::size_t>(stride) * (SmallHeight() + 1));
  for (int y = 0; y < SmallHeight(); ++y) {
    for (int x = 0; x < SmallWidth(); ++x) {
      const std::uint8_t* rgb = &current[4 + 3 * (y * SmallWidth() + x)];
      std::uint8_t* pixel = block + y * stride + 3 * x;
      pixel[0] = rgb[2];
      pixel[1] = rgb[1];
      pixel[2] = rgb[0];
    }
  }
  return 1;
}

const ImageDecoder kDecliner{Decline, DecodeSmall, SmallWidth, SmallHeight};
const ImageDecoder kSmall{CheckSmall, DecodeSmall, SmallWidth, SmallHeight};

class ImageDecoderTest : public SpriteScreenTest {
 protected:
  void SetUp() override {
    SpriteScreenTest::SetUp();
    seen = {};
    current.clear();
  }
  void TearDown() override {
    if (DecoderStream) std::fclose(DecoderStream);
    DecoderStream = nullptr;
    SpriteScreenTest::TearDown();
  }
  // The sprite's pixels as the small image gave them, on a 32-bit screen.
  void ExpectSmallPixels(std::int32_t sprite, int width, int height) {
    for (int y = 0; y < height; ++y) {
      for (int x = 0; x < width; ++x) {
        EXPECT_EQ(SurfaceBytes(Storage(sprite), x, y, 4),
                  (Bytes{0xC0, static_cast<std::uint8_t>(y), static_cast<std::uint8_t>(10 * x), 0}))
            << x << "," << y;
      }
    }
  }
};

TEST_F(ImageDecoderTest, TheStartUpForgetsEveryDecoder) {
  ASSERT_EQ(RegisterImageDecoder(kSmall), 1);
  StopRuntime();
  StartRuntimeCore(GetModuleHandleA(nullptr));
  EXPECT_EQ(ImageDecoderCount, 0);
  EXPECT_EQ(CurrentImageDecoder, nullptr);
  EXPECT_EQ(DecoderStream, nullptr);
  Bytes image = SmallImage(2, 2);
  EXPECT_EQ(FindImageDecoder(nullptr, image.data()), 0);
}

// The current decoder stays from one image found to the next: a search that finds none
// leaves it, and the size of its image, as they were.
TEST_F(ImageDecoderTest, ASearchThatFindsNoneKeepsTheCurrentDecoder) {
  RegisterImageDecoder(kSmall);
  Bytes image = SmallImage(3, 2);
  ASSERT_EQ(FindImageDecoder(nullptr, image.data()), 1);
  Bytes other{'X', 'Y', 9, 9};
  EXPECT_EQ(FindImageDecoder(nullptr, other.data()), 0);
  EXPECT_EQ(DecoderImageWidth(), 3);
  EXPECT_EQ(DecoderImageHeight(), 2);
}

// The registry keeps the caller's record: one changed after its registration is asked as
// it is then.
TEST_F(ImageDecoderTest, TheRegistryKeepsTheCallersRecord) {
  static ImageDecoder record;
  record = kDecliner;
  RegisterImageDecoder(record);
  record = kSmall;
  Bytes image = SmallImage(2, 2);
  EXPECT_EQ(FindImageDecoder(nullptr, image.data()), 1);
  EXPECT_EQ(seen.refusals, 0);
}

TEST_F(ImageDecoderTest, TheRegistryHoldsAHundredDecoders) {
  for (int i = 0; i < kMaxImageDecoders; ++i) ASSERT_EQ(RegisterImageDecoder(kDecliner), 1) << i;
  EXPECT_EQ(RegisterImageDecoder(kSmall), 0);
  EXPECT_EQ(ImageDecoderCount, kMaxImageDecoders);
  Bytes image = SmallImage(2, 2);
  EXPECT_EQ(FindImageDecoder(nullptr, image.data()), 0);
  EXPECT_EQ(seen.refusals, kMaxImageDecoders);
}

TEST_F(ImageDecoderTest, AFileIsOfferedToEachDecoderFromItsStartAndClosedAfterDecoding) {
  RegisterImageDecoder(kDecliner);
  RegisterImageDecoder(kSmall);
  std::string name = Write("picture.sd", SmallImage(5, 2));
  ASSERT_EQ(FindImageDecoder(name.c_str(), nullptr), 1);
  EXPECT_EQ(seen.checkPositions, (std::vector<long>{0, 0}));
  EXPECT_EQ(CurrentImageDecoder, &kSmall);
  EXPECT_NE(DecoderStream, nullptr);
  EXPECT_EQ(DecoderImageWidth(), 5);
  EXPECT_EQ(DecoderImageHeight(), 2);
  std::vector<std::uint8_t> block(16 * 3);
  EXPECT_EQ(DecodeImage(block.data(), 16, 0), 1);
  EXPECT_EQ(DecoderStream, nullptr);
  EXPECT_EQ(block[16 + 3 * 4 + 2], 40);  // red of (4, 1)
}

TEST_F(ImageDecoderTest, AFileNoDecoderTakesIsClosed) {
  RegisterImageDecoder(kDecliner);
  RegisterImageDecoder(kSmall);
  std::string name = Write("other.bin", {'X', 'Y', 1, 1, 0, 0, 0});
  EXPECT_EQ(FindImageDecoder(name.c_str(), nullptr), 0);
  EXPECT_EQ(seen.checkPositions, (std::vector<long>{0, 0}));
  EXPECT_EQ(DecoderStream, nullptr);
  EXPECT_EQ(CurrentImageDecoder, nullptr);
  EXPECT_EQ(FindImageDecoder(dir.WindowsPath("missing.sd").c_str(), nullptr), 0);
  EXPECT_EQ(seen.refusals, 1);
  // A file found but never decoded is closed by the next search.
  ASSERT_EQ(FindImageDecoder(Write("picture.sd", SmallImage(1, 1)).c_str(), nullptr), 1);
  ASSERT_NE(DecoderStream, nullptr);
  Bytes image = SmallImage(1, 1);
  EXPECT_EQ(FindImageDecoder(nullptr, image.data()), 1);
  EXPECT_EQ(DecoderStream, nullptr);
}

TEST_F(ImageDecoderTest, ADecodedFileBecomesATrueColourSprite) {
  RegisterImageDecoder(kDecliner);
  RegisterImageDecoder(kSmall);
  Open(32);
  std::string name = Write("picture.sd", SmallImage(5, 3));
  ASSERT_NE(LoadSprite(9, name.c_str()), 0u);
  EXPECT_EQ(seen.stride, 16);  // 3 * 5 + 5 % 4
  EXPECT_EQ(seen.flags, 0);
  EXPECT_EQ(seen.decodes, 1);
  const SpriteSlot& slot = SpriteTable[9];
  EXPECT_EQ(slot.width, 5);
  EXPECT_EQ(slot.height, 3);
  EXPECT_EQ(slot.depth, 24);
  EXPECT_STREQ(slot.fileName, name.c_str());
  ExpectSmallPixels(9, 5, 3);
  // The decoder was asked about the bytes in memory, not the file.
  EXPECT_TRUE(seen.checkPositions.empty());
}

TEST_F(ImageDecoderTest, ADecodedImageInMemoryBecomesASprite) {
  RegisterImageDecoder(kSmall);
  Open(16);
  Bytes image = SmallImage(3, 2);
  ASSERT_NE(LoadSpriteFromMemory(0, image.data()), 0u);
  EXPECT_EQ(seen.stride, 12);  // 3 * 3 + 3 % 4
  // Red 20, green 1, blue 0xC0 -> 2 << 11 | 0 << 5 | 24.
  EXPECT_EQ(SurfacePixel(Storage(0), 2, 1, 2), (2u << 11) | 24u);
  Open(32);
  image = SmallImage(4, 2);
  ASSERT_NE(LoadSpriteFromMemory(0, image.data()), 0u);
  EXPECT_EQ(seen.stride, 12);  // 3 * 4 + 0
  ExpectSmallPixels(0, 4, 2);
}

TEST_F(ImageDecoderTest, DecodedImagesThatCannotBeSpritesAreRefused) {
  RegisterImageDecoder(kSmall);
  Open(32);
  std::size_t blocks = standin::HeapBlockCount(RuntimeHeap);
  Bytes image = SmallImage(2, 2);
  // A memory image takes 8-bit pixels only.
  EXPECT_EQ(LoadSpriteFromMemory(0, image.data(), 2), 0u);
  EXPECT_EQ(Storage(0), nullptr);
  EXPECT_EQ(SpriteTable[0].fileName, nullptr);
  // A decoder that reports no pixels.
  Bytes empty = SmallImage(0, 2);
  EXPECT_EQ(LoadSpriteFromMemory(0, empty.data()), 0u);
  EXPECT_EQ(Storage(0), nullptr);
  EXPECT_EQ(standin::HeapBlockCount(RuntimeHeap), blocks);
  // No decoder takes it.
  Bytes unknown{'Z', 'Z', 1, 1, 0, 0, 0};
  EXPECT_EQ(LoadSpriteFromMemory(0, unknown.data()), 0u);
  EXPECT_EQ(seen.decodes, 1);
}

}  // namespace
