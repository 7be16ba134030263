// Arrays, strings and the string work area in the runtime heap.
#include <cstring>

#include "runtime/heap.h"
#include "runtime/runtime_state.h"
#include "tests/support/heap_blocks.h"
#include "tests/support/runtime_fixture.h"

namespace {

using ArraysTest = RuntimeTest;
using StringsTest = RuntimeTest;

std::uint32_t BlockSize(Address typeCodeField) {
  return static_cast<std::uint32_t>(HeapSize(RuntimeHeap, 0, AtAddress<void>(typeCodeField - 4)));
}

TEST_F(ArraysTest, LightMapShape) {
  std::uint32_t sizes[2] = {257, 257};
  Address block = AllocateArray(4, 2, sizes);
  ASSERT_NE(block, 0u);
  EXPECT_EQ(*AtAddress<std::uint32_t>(block - 4), 66049u);
  EXPECT_EQ(BlockSize(block), 264208u);
  EXPECT_EQ(sizes[0], 257u);
  EXPECT_EQ(sizes[1], 257u);
}

TEST_F(ArraysTest, HeightMapShapeAndAddressing) {
  std::uint32_t sizes[2] = {321, 201};
  Address variable = 0;
  DimensionArray(&variable, 2, kWordElements, 2, sizes);
  ASSERT_NE(variable, 0u);
  EXPECT_EQ(*AtAddress<std::uint32_t>(variable - 8), 64521u);
  EXPECT_EQ(*AtAddress<std::int32_t>(variable - 4), kWordElements);
  EXPECT_EQ(BlockSize(variable - 4), 129052u);
  EXPECT_EQ(sizes[0], 201u);
  EXPECT_EQ(sizes[1], 201u);
  // Element (x, y) at (x * 201 + y) words; the last one lies inside the block.
  auto* words = AtAddress<std::int16_t>(variable);
  words[320 * sizes[0] + 200] = 7;
  EXPECT_EQ(*AtAddress<std::int16_t>(variable + (320 * 201 + 200) * 2), 7);
}

TEST_F(ArraysTest, ThreeDimensionsBecomeMultipliers) {
  std::uint32_t sizes[3] = {4, 5, 6};
  Address block = AllocateArray(4, 3, sizes);
  ASSERT_NE(block, 0u);
  EXPECT_EQ(sizes[0], 30u);
  EXPECT_EQ(sizes[1], 6u);
  EXPECT_EQ(sizes[2], 6u);
  EXPECT_EQ(*AtAddress<std::uint32_t>(block - 4), 120u);
}

TEST_F(ArraysTest, ElementsAreZeroIncludingTheSpare) {
  Address block = AllocateElements(4, 257);
  ASSERT_NE(block, 0u);
  EXPECT_EQ(BlockSize(block), 1040u);
  EXPECT_EQ(*AtAddress<std::int32_t>(block), 0);  // type code until written
  for (int i = 0; i <= 257; ++i) EXPECT_EQ(AtAddress<std::int32_t>(block + 4)[i], 0) << i;
}

TEST_F(ArraysTest, RedimensioningFreesTheOldBlockAndStartsAtZero) {
  std::uint32_t sizes[2] = {10, 10};
  Address variable = 0;
  DimensionArray(&variable, 4, kLongElements, 2, sizes);
  ASSERT_NE(variable, 0u);
  AtAddress<std::int32_t>(variable)[5] = 99;
  std::size_t blocks = LiveBlocks(RuntimeHeap);
  sizes[0] = 10;
  sizes[1] = 10;
  DimensionArray(&variable, 4, kLongElements, 2, sizes);
  ASSERT_NE(variable, 0u);
  EXPECT_EQ(AtAddress<std::int32_t>(variable)[5], 0);
  EXPECT_EQ(LiveBlocks(RuntimeHeap), blocks);
}

TEST_F(ArraysTest, SizesBeyondThirtyTwoBitsAreRefused) {
  std::uint32_t sizes[2] = {65536, 65536};
  EXPECT_EQ(AllocateArray(2, 2, sizes), 0u);
  EXPECT_EQ(AllocateElements(8, 0x20000000u), 0u);
  std::uint32_t one[1] = {5};
  EXPECT_EQ(AllocateArray(4, 1, one), 0u);
  Address variable = 0;
  sizes[0] = sizes[1] = 65536;
  DimensionArray(&variable, 2, kWordElements, 2, sizes);
  EXPECT_EQ(variable, 0u);
  FreeArray(0);
}

TEST_F(StringsTest, NewStringCopiesIntoABlockOfLengthPlusTwo) {
  char* variable = nullptr;
  char text[] = "ninechars";
  NewString(&variable, text);
  ASSERT_NE(variable, nullptr);
  EXPECT_NE(variable, text);
  EXPECT_STREQ(variable, "ninechars");
  EXPECT_EQ(HeapSize(RuntimeHeap, 0, variable), 11u);
  char* kept = variable;
  NewString(&variable, nullptr);
  EXPECT_EQ(variable, kept);
  FreeString(variable);
  FreeString(nullptr);
}

TEST_F(StringsTest, AssignStringFreesTheOldValue) {
  char* variable = nullptr;
  NewString(&variable, "old");
  std::size_t blocks = LiveBlocks(RuntimeHeap);
  AssignString(&variable, nullptr);
  EXPECT_EQ(variable, nullptr);
  EXPECT_EQ(LiveBlocks(RuntimeHeap), blocks - 1);
  AssignString(&variable, "new");
  EXPECT_STREQ(variable, "new");
  // Assigning a string its own text keeps the text.
  AssignString(&variable, variable);
  EXPECT_STREQ(variable, "new");
}

TEST_F(StringsTest, WorkAreaBuildsAndStoresConcatenation) {
  char* start = WorkPointer();
  ASSERT_EQ(start, AtAddress<char>(StringWorkArea));
  AppendWorkString("abc");
  AppendWorkString("de");
  EXPECT_STREQ(start, "abcde");
  EXPECT_EQ(WorkPointer(), start + 5);
  std::memset(start + 5, 'x', 5);
  AppendWorkString(nullptr);  // four zero bytes, and the pointer stays
  EXPECT_EQ(WorkPointer(), start + 5);
  EXPECT_EQ(std::memcmp(start + 5, "\0\0\0\0x", 5), 0);
  char* variable = nullptr;
  StoreWorkString(&variable, start);
  EXPECT_STREQ(variable, "abcde");
  EXPECT_EQ(HeapSize(RuntimeHeap, 0, variable), 6u);
  EXPECT_EQ(WorkPointer(), start);
}

TEST_F(StringsTest, WorkAreaNeverOverruns) {
  std::string longText(70000, 'x');
  char* start = CopyToWorkArea(longText.c_str(), -1);
  EXPECT_EQ(std::strlen(start), kStringWorkAreaSize - 1);
  EXPECT_EQ(WorkPointer(), WorkAreaEnd() - 1);
  AppendWorkString("more");
  EXPECT_EQ(WorkPointer(), WorkAreaEnd() - 1);
  AppendWorkString(nullptr);
  EXPECT_EQ(*(WorkAreaEnd() - 1), '\0');
}

TEST(StringCompare, OrderIsBytewiseUnsignedWithoutCase) {
  EXPECT_EQ(StringLess("abc", "abd"), 1);
  EXPECT_EQ(StringLess("ab", "abc"), 1);
  EXPECT_EQ(StringLess("abc", "abc"), 0);
  EXPECT_EQ(StringGreater("abc", "abc"), 0);
  EXPECT_EQ(StringGreater("a\xc8", "a\x64"), 1);
  EXPECT_EQ(StringLess("a\xc8", "a\x64"), 0);
  EXPECT_EQ(StringEqual(nullptr, ""), 1);
  EXPECT_EQ(StringEqual("A", "a"), 0);
  EXPECT_EQ(StringLess(nullptr, "a"), 1);
  EXPECT_EQ(StringGreater("a", nullptr), 1);
}

}  // namespace
