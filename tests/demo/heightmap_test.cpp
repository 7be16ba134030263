// The height map loader: run-length decoding into rows of 320, where it stops, and what
// it does with short, missing and read-only pictures.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "demo/demo.h"
#include "file/file.h"
#include "runtime/heap.h"
#include "tests/support/runtime_fixture.h"
#include "tests/support/temp_dir.h"
#include "tools/pcx.h"

// body.cpp, which holds Demo, opens the picture this names.

namespace {

using Bytes = std::vector<std::uint8_t>;
using Pixels = std::vector<int>;

constexpr int kColumns = 321;
constexpr int kRows = 201;
// Pixels up to and including the first of row 199, where loading stops.
constexpr std::size_t kPixelsToLastRow = 199 * 320 + 1;

// A picture file: a 128-byte header of `headerFill` bytes, then the body.
Bytes WithHeader(const Bytes& body, std::uint8_t headerFill = 0) {
  Bytes file(128 + body.size(), headerFill);
  std::copy(body.begin(), body.end(), file.begin() + 128);
  return file;
}

// Literal bytes (all below 192) for `count` pixels, with their values.
void AppendLiterals(std::size_t count, Bytes& body, Pixels& pixels) {
  for (std::size_t k = 0; k < count; ++k) {
    int value = static_cast<int>(k % 150) + 1;
    body.push_back(static_cast<std::uint8_t>(value));
    pixels.push_back(value);
  }
}

// What reading past the end yields when every read repeats `last`: single pixels below
// 192, else whole runs of last - 192, until the last row is reached.
Pixels RepeatingToLastRow(Pixels pixels, int last) {
  int runLength = last < 192 ? 1 : last - 192;
  while (pixels.size() < kPixelsToLastRow) pixels.insert(pixels.end(), runLength, last);
  return pixels;
}

class HeightMapTest : public RuntimeTest {
 protected:
  void SetUp() override {
    RuntimeTest::SetUp();
    UseAsProgramDirectory(dir);
    Demo = DemoState{};
    Demo.HeightMapDimensions[0] = kColumns;
    Demo.HeightMapDimensions[1] = kRows;
    DimensionArray(&Demo.HeightMap, 2, kWordElements, 2, Demo.HeightMapDimensions);
    ASSERT_NE(Demo.HeightMap, 0u);
  }
  void TearDown() override {
    Demo = DemoState{};
    RuntimeTest::TearDown();
  }

  // Puts a known byte into the file library's transfer buffer, as a read of it would.
  void PrimeTransferBuffer(std::uint8_t byte) {
    dir.Write("prime", {byte});
    ASSERT_NE(FileOpenRead(1, "prime"), nullptr);
    FileReadByte();
    FileClose(1);
  }

  void Load(const Bytes& file) {
    dir.Write("picture.pcx", file);
    LoadHeightMap("picture.pcx");
  }

  void Fill(std::int16_t value) {
    for (int c = 0; c < kColumns; ++c) {
      for (int r = 0; r < kRows; ++r) *HeightCell(c, r) = value;
    }
  }

  // Pixel k belongs at column k mod 320 + 1 of row k div 320; every other cell holds
  // `untouched`.
  void ExpectHeightMap(const Pixels& pixels, std::int16_t untouched = 0) {
    std::vector<int> expected(kColumns * kRows, untouched);
    for (std::size_t k = 0; k < pixels.size(); ++k) {
      expected[(k % 320 + 1) * kRows + k / 320] = pixels[k];
    }
    int mismatches = 0;
    for (int r = 0; r < kRows; ++r) {
      for (int c = 0; c < kColumns; ++c) {
        int actual = *HeightCell(c, r);
        if (actual == expected[c * kRows + r]) continue;
        if (++mismatches <= 5) {
          ADD_FAILURE() << "HeightMap(" << c << ", " << r << ") is " << actual << ", expected "
                        << expected[c * kRows + r];
        }
      }
    }
    EXPECT_EQ(mismatches, 0);
  }

  TempDir dir;
};

TEST_F(HeightMapTest, LiteralsAndRunsDecodeToPixels) {
  // 193,5: one 5; 192,7: nothing; 255,32: 63 of 32; 191: itself; 194,200: two of 200.
  Load(WithHeader({193, 5, 192, 7, 255, 32, 191, 194, 200, 0}));
  Pixels pixels{5};
  pixels.insert(pixels.end(), 63, 32);
  pixels.insert(pixels.end(), {191, 200, 200});
  ExpectHeightMap(pixels);
}

TEST_F(HeightMapTest, RunCrossesTheRowEnd) {
  Bytes body;
  Pixels pixels;
  AppendLiterals(3 * 320 + 315, body, pixels);
  body.insert(body.end(), {202, 99, 0});
  pixels.insert(pixels.end(), 10, 99);
  Load(WithHeader(body));
  for (int c = 316; c <= 320; ++c) EXPECT_EQ(*HeightCell(c, 3), 99) << "column " << c;
  for (int c = 1; c <= 5; ++c) EXPECT_EQ(*HeightCell(c, 4), 99) << "column " << c;
  EXPECT_EQ(*HeightCell(6, 4), 0);
  ExpectHeightMap(pixels);
}

TEST_F(HeightMapTest, EncodedPictureFillsRowsUpTo198AndOnePixelOf199) {
  pcx::Image image = pcx::Grayscale(320, 200);
  // Runs of four, values above 191 among them; the last row alternates, so its first
  // pixel is a run of its own.
  auto value = [](int x, int y) { return y < 199 ? ((x / 4) * 13 + y * 7) % 256 : 10 + x % 2; };
  Pixels pixels;
  for (int y = 0; y < 200; ++y) {
    for (int x = 0; x < 320; ++x) {
      image.pixels[y * 320 + x] = static_cast<std::uint8_t>(value(x, y));
      if (pixels.size() < kPixelsToLastRow) pixels.push_back(value(x, y));
    }
  }
  Load(pcx::Encode(image));
  EXPECT_EQ(*HeightCell(1, 0), value(0, 0));
  EXPECT_EQ(*HeightCell(320, 198), value(319, 198));
  EXPECT_EQ(*HeightCell(1, 199), value(0, 199));
  EXPECT_EQ(*HeightCell(2, 199), 0);
  ExpectHeightMap(pixels);
}

TEST_F(HeightMapTest, HeaderIsSkippedAndItsSizeIgnored) {
  {
    SCOPED_TRACE("a 160 x 400 picture is still read 320 to a row");
    pcx::Image image = pcx::Grayscale(160, 400);
    auto value = [](int x, int y) { return y == 398 ? 20 + x % 2 : (x * 3 + y * 5) % 256; };
    Pixels pixels;
    for (int y = 0; y < 400; ++y) {
      for (int x = 0; x < 160; ++x) {
        image.pixels[y * 160 + x] = static_cast<std::uint8_t>(value(x, y));
        if (pixels.size() < kPixelsToLastRow) pixels.push_back(value(x, y));
      }
    }
    Load(pcx::Encode(image));
    EXPECT_EQ(*HeightCell(161, 0), value(0, 1));
    ExpectHeightMap(pixels);
  }
  {
    SCOPED_TRACE("header bytes that would decode as runs");
    Fill(0);
    Load(WithHeader({3, 4, 0}, 255));
    ExpectHeightMap({3, 4});
  }
}

TEST_F(HeightMapTest, StopsAfterTheByteOrRunThatReachesRow199) {
  {
    SCOPED_TRACE("a literal reaches row 199");
    Bytes body;
    Pixels pixels;
    AppendLiterals(kPixelsToLastRow, body, pixels);
    body.insert(body.end(), {255, 77, 255, 77});
    Load(WithHeader(body));
    ExpectHeightMap(pixels);
  }
  {
    SCOPED_TRACE("a run from row 198 into row 199");
    Fill(0);
    Bytes body;
    Pixels pixels;
    AppendLiterals(kPixelsToLastRow - 3, body, pixels);
    body.insert(body.end(), {197, 44, 255, 77});
    pixels.insert(pixels.end(), 5, 44);
    Load(WithHeader(body));
    EXPECT_EQ(*HeightCell(320, 198), 44);
    EXPECT_EQ(*HeightCell(3, 199), 44);
    ExpectHeightMap(pixels);
  }
}

TEST_F(HeightMapTest, CellsBeyondThePixelsKeepTheirValues) {
  Fill(-1);
  Bytes body;
  Pixels pixels;
  AppendLiterals(kPixelsToLastRow, body, pixels);
  Load(WithHeader(body));
  ExpectHeightMap(pixels, -1);
}

TEST_F(HeightMapTest, ShortFileRepeatsItsLastByte) {
  struct Case {
    Bytes body;
    Pixels stored;  // by the body itself
    int last;
  };
  const Case cases[] = {
      {{1, 2, 3, 40}, {1, 2, 3}, 40},
      {{5, 191}, {5}, 191},
      {{1, 2, 200}, {1, 2}, 200},  // each repeat is a run of 8 of 200
      {{7, 255}, {7}, 255},        // runs of 63: the last one reaches 14 pixels into row 199
  };
  for (const Case& c : cases) {
    SCOPED_TRACE("last byte " + std::to_string(c.last));
    Fill(0);
    Load(WithHeader(c.body));
    ExpectHeightMap(RepeatingToLastRow(c.stored, c.last));
  }
}

TEST_F(HeightMapTest, LastByte192StopsAtTheEndOfTheFile) {
  struct Case {
    Bytes body;
    Pixels stored;
  };
  const Case cases[] = {
      {{1, 2, 192}, {1, 2}},
      {{193, 192}, {192}},  // 192 as a run's value
      {{192}, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE("body of " + std::to_string(c.body.size()) + " bytes");
    Fill(0);
    Load(WithHeader(c.body));
    ExpectHeightMap(c.stored);
  }
}

TEST_F(HeightMapTest, EmptyRunAsTheLastPairStillRepeatsTheLastByte) {
  // The file ends in 192, v: the last byte is v, not 192, so reading goes on.
  for (int last : {7, 200}) {
    SCOPED_TRACE("file ends 192, " + std::to_string(last));
    Fill(0);
    Load(WithHeader({1, 192, static_cast<std::uint8_t>(last)}));
    ExpectHeightMap(RepeatingToLastRow({1}, last));
  }
}

TEST_F(HeightMapTest, MissingPictureIsCreatedEmptyInTheProgramDirectory) {
  PrimeTransferBuffer(0);
  LoadHeightMap("absent.pcx");
  ASSERT_TRUE(dir.Exists("absent.pcx"));
  EXPECT_TRUE(dir.Read("absent.pcx").empty());
  ExpectHeightMap({});
}

TEST_F(HeightMapTest, MissingPictureRepeatsThePreviousTransferByte) {
  PrimeTransferBuffer(9);
  LoadHeightMap("absent.pcx");
  EXPECT_TRUE(dir.Exists("absent.pcx"));
  ExpectHeightMap(RepeatingToLastRow({}, 9));
}

// The pixels of a picture body decoded byte by byte as the file library yields them: past
// the end every byte is the last one transferred, `before` when the body has none.
Pixels DecodedByteByByte(const Bytes& body, int before) {
  std::size_t position = 0;
  int last = before;
  auto next = [&] {
    if (position < body.size()) last = body[position++];
    return last;
  };
  Pixels pixels;
  while (pixels.size() <= 199 * 320) {
    int byte = next();
    if (byte < 192) {
      pixels.push_back(byte);
      continue;
    }
    int value = next();
    pixels.insert(pixels.end(), byte - 192, value);
    if (byte == 192 && value == 192 && position == body.size()) break;
  }
  return pixels;
}

// Random bodies, short and long, rich in run markers: the loader, which reads its file a
// block at a time, decodes them as reading byte by byte does.
TEST_F(HeightMapTest, DecodesAsReadingByteByByte) {
  std::mt19937 random(11);
  for (int trial = 0; trial < 60; ++trial) {
    std::size_t size = trial % 3 == 0 ? random() % 9000 : random() % 300;
    std::uniform_int_distribution<int> marker(192, 255);
    std::uniform_int_distribution<int> any(0, 255);
    Bytes body(size);
    for (auto& byte : body) {
      byte = static_cast<std::uint8_t>(random() % 2 ? marker(random) : any(random));
    }
    if (trial % 5 == 1) body.insert(body.end(), {192, 192});
    auto before = static_cast<std::uint8_t>(any(random));
    SCOPED_TRACE("trial " + std::to_string(trial) + ", " + std::to_string(size) + " bytes");
    PrimeTransferBuffer(before);
    Fill(0);
    Load(WithHeader(body));
    ExpectHeightMap(DecodedByteByByte(body, before));
  }
}

// A later read at the end of a file yields the last byte the loader took from the
// picture: not the bytes it left unread, nor any before.
TEST_F(HeightMapTest, TheLastByteTakenStaysInTheTransferBuffer) {
  Bytes body;
  Pixels pixels;
  AppendLiterals(kPixelsToLastRow, body, pixels);
  body.push_back(77);
  body.push_back(88);
  dir.Write("full.pcx", WithHeader(body));
  dir.Write("short.pcx", WithHeader({10, 20, 5}));
  PrimeTransferBuffer(9);
  LoadHeightMap("full.pcx");
  ExpectHeightMap(pixels);
  LoadHeightMap("absent.pcx");
  ExpectHeightMap(RepeatingToLastRow({}, pixels.back()));
  LoadHeightMap("short.pcx");
  ExpectHeightMap(RepeatingToLastRow({10, 20, 5}, 5));
  LoadHeightMap("absent.pcx");
  ExpectHeightMap(RepeatingToLastRow({}, 5));
}

TEST_F(HeightMapTest, ReadOnlyPictureIsNotRead) {
  Bytes body;
  Pixels pixels;
  AppendLiterals(kPixelsToLastRow, body, pixels);
  Bytes file = WithHeader(body);
  dir.Write("picture.pcx", file);
  std::filesystem::permissions(dir.path() / "picture.pcx",
                               std::filesystem::perms::owner_write |
                                   std::filesystem::perms::group_write |
                                   std::filesystem::perms::others_write,
                               std::filesystem::perm_options::remove);
  if (!ReadOnlyIsEnforced(dir.WindowsPath("picture.pcx"))) {
    GTEST_SKIP() << "a file without write permission can still be opened for writing here";
  }
  PrimeTransferBuffer(0);
  LoadHeightMap("picture.pcx");
  ExpectHeightMap({});
  EXPECT_EQ(dir.Read("picture.pcx"), file);
}

}  // namespace
