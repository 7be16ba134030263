// Memory blocks, peek, poke and copy, and colour values.
#include "runtime/memory.h"

#include <cstring>

#include "runtime/runtime_state.h"
#include "tests/support/heap_blocks.h"
#include "tests/support/runtime_fixture.h"

namespace {

using MemoryBlocksTest = RuntimeTest;
using PeekPokeTest = RuntimeTest;

TEST_F(MemoryBlocksTest, FrameSizedBlockIsZeroAndCurrent) {
  Address block = MemoryAllocate(0, 64000);
  ASSERT_NE(block, 0u);
  EXPECT_EQ(MemoryAddress(), block);
  for (Address offset = 0; offset < 64000; ++offset) {
    ASSERT_EQ(PeekByte(block + offset), 0) << offset;
  }
}

TEST_F(MemoryBlocksTest, NonPositiveSizeChangesNothing) {
  Address block = MemoryAllocate(0, 16);
  EXPECT_EQ(MemoryAllocate(0, 0), 0u);
  EXPECT_EQ(MemoryAllocate(0, -5), 0u);
  EXPECT_EQ(MemoryBlockTable[0], block);
  EXPECT_EQ(MemoryAddress(), block);
}

TEST_F(MemoryBlocksTest, ReallocatingANumberFreesTheOldBlock) {
  Address first = MemoryAllocate(2, 100);
  PokeByte(first, 55);
  ASSERT_EQ(LiveBlocks(MemoryBlockHeap), 1u);
  Address second = MemoryAllocate(2, 100);
  ASSERT_NE(second, 0u);
  EXPECT_EQ(LiveBlocks(MemoryBlockHeap), 1u);
  for (Address offset = 0; offset < 100; ++offset) EXPECT_EQ(PeekByte(second + offset), 0);
}

TEST_F(MemoryBlocksTest, TableGrowsToNumberPlusFifty) {
  EXPECT_EQ(MemoryBlockCapacity, 10);
  Address block = MemoryAllocate(11, 16);
  ASSERT_NE(block, 0u);
  EXPECT_EQ(MemoryBlockCapacity, 61);
  for (int n = 0; n <= 61; ++n) EXPECT_EQ(MemoryBlockTable[n], n == 11 ? block : 0u) << n;
}

TEST_F(MemoryBlocksTest, NegativeNumberFreesEveryBlock) {
  MemoryAllocate(1, 8);
  MemoryAllocate(40, 8);
  MemoryFree(-1);
  EXPECT_EQ(MemoryBlockCapacity, 10);
  Address block = MemoryAllocate(3, 8);
  ASSERT_NE(block, 0u);
  for (int n = 0; n <= MemoryBlockCapacity; ++n) {
    EXPECT_EQ(MemoryBlockTable[n] != 0, n == 3) << n;
  }
  EXPECT_EQ(LiveBlocks(MemoryBlockHeap), 1u);
}

TEST_F(MemoryBlocksTest, NumbersOutsideTheTableAreRefused) {
  EXPECT_EQ(MemoryAllocate(-1, 8), 0u);
  MemoryFree(500);  // beyond the capacity: nothing to free, nothing touched
  EXPECT_EQ(MemoryBlockCapacity, 10);
  MemoryFree(4);  // holds no block
}

TEST_F(MemoryBlocksTest, MemoryCopyReturnsTheEndOfTheDestination) {
  Address source = MemoryAllocate(0, 320);
  Address destination = MemoryAllocate(1, 320);
  for (int i = 0; i < 320; ++i) PokeByte(source + i, i);
  EXPECT_EQ(MemoryCopy(source, destination, 320), destination + 320);
  EXPECT_EQ(std::memcmp(AtAddress<void>(source), AtAddress<void>(destination), 320), 0);
  EXPECT_EQ(MemoryCopy(source, destination, -3), destination);
}

TEST_F(MemoryBlocksTest, OverlappingCopyKeepsTheSourceBytes) {
  Address block = MemoryAllocate(0, 16);
  for (int i = 0; i < 16; ++i) PokeByte(block + i, i);
  MemoryCopy(block, block + 4, 8);
  for (int i = 0; i < 8; ++i) EXPECT_EQ(PeekByte(block + 4 + i), i);
}

TEST_F(PeekPokeTest, IntegersWrapAndSignExtend) {
  Address a = MemoryAllocate(0, 16);
  PokeByte(a, 300);
  EXPECT_EQ(PeekByte(a), 44);
  PokeByte(a, 200);
  EXPECT_EQ(PeekByte(a), -56);
  PokeWord(a + 1, 70000);  // unaligned on purpose
  EXPECT_EQ(PeekWord(a + 1), 4464);
  EXPECT_EQ(PeekByte(a + 1), 0x70);  // low byte first
  PokeLong(a + 3, -2);
  EXPECT_EQ(PeekLong(a + 3), -2);
  EXPECT_EQ(PeekWord(a + 3), -2);
  PokeFloat(a + 8, 1.5f);
  EXPECT_EQ(PeekFloat(a + 8), 1.5);
  EXPECT_EQ(static_cast<std::uint32_t>(PeekLong(a + 8)), 0x3FC00000u);
}

TEST_F(PeekPokeTest, PokeStringsWriteTheirTerminator) {
  Address a = MemoryAllocate(0, 16);
  std::memset(AtAddress<void>(a), 'z', 16);
  EXPECT_EQ(PokeString(a, "hello"), 5);
  EXPECT_STREQ(AtAddress<char>(a), "hello");
  EXPECT_EQ(PeekByte(a + 6), 'z');
  std::memset(AtAddress<void>(a), 'z', 16);
  EXPECT_EQ(PokeStringLimited(a, "hello", 3), 3);
  EXPECT_STREQ(AtAddress<char>(a), "hel");
  EXPECT_EQ(PeekByte(a + 4), 'z');
  EXPECT_EQ(PokeStringLimited(a, "hello", 0), 0);
  EXPECT_EQ(PokeStringLimited(a, nullptr, 4), 0);
  EXPECT_EQ(PokeString(a + 1, nullptr), 0);
  EXPECT_EQ(PeekByte(a), 0);
  EXPECT_EQ(PeekByte(a + 1), 0);
}

TEST_F(PeekPokeTest, PeekStringsCopyIntoTheWorkArea) {
  Address a = MemoryAllocate(0, 16);
  PokeString(a, "hello");
  char* whole = PeekStringLimited(a, -1);
  EXPECT_STREQ(whole, "hello");
  char* three = PeekStringLimited(a, 3);
  EXPECT_STREQ(three, "hel");
  EXPECT_EQ(three, whole + 5);  // appended after the first, on its terminator
  EXPECT_STREQ(whole, "hellohel");
  EXPECT_STREQ(PeekStringLimited(a, 0), "");
  EXPECT_STREQ(PeekString(0), "");
  EXPECT_STREQ(PeekString(a), "hello");
}

TEST(ColorValues, PackAndUnpack) {
  EXPECT_EQ(MakeRGB(255, 128, 64), 4227327u);
  EXPECT_EQ(MakeRGB(256, 0, 0), MakeRGB(0, 1, 0));
  EXPECT_EQ(MakeRGB(256, 0, 0), 256u);
  EXPECT_EQ(MakeRGB(-1, 0, 0), 0xFFFFFFFFu);
  std::uint32_t color = MakeRGB(1, 2, 3);
  EXPECT_EQ(ColorRed(color), 1);
  EXPECT_EQ(ColorGreen(color), 2);
  EXPECT_EQ(ColorBlue(color), 3);
  EXPECT_EQ(ColorBlue(0xFFFFFFFFu), 255);
}

}  // namespace
