// Heap behaviour the libraries rely on, checked on both the stand-in and Windows.
#include <gtest/gtest.h>

#include <cstring>

#include "platform/win32.h"
#include "tests/support/heap_blocks.h"

namespace {

TEST(Heap, ZeroFilledBlocksAndTheirSizes) {
  HANDLE heap = HeapCreate(0, 4000, 0);
  ASSERT_NE(heap, nullptr);
  auto* block = static_cast<unsigned char*>(HeapAlloc(heap, HEAP_ZERO_MEMORY, 100000));
  ASSERT_NE(block, nullptr);
  for (int i = 0; i < 100000; ++i) ASSERT_EQ(block[i], 0) << i;
  EXPECT_EQ(HeapSize(heap, 0, block), 100000u);
  EXPECT_NE(HeapAlloc(heap, 0, 0), nullptr);
  EXPECT_TRUE(HeapDestroy(heap));
}

TEST(Heap, GrowingKeepsContentAndZeroesTheNewPart) {
  HANDLE heap = HeapCreate(0, 4000, 0);
  auto* block = static_cast<unsigned char*>(HeapAlloc(heap, HEAP_ZERO_MEMORY, 40));
  std::memset(block, 0xAB, 40);
  block = static_cast<unsigned char*>(HeapReAlloc(heap, HEAP_ZERO_MEMORY, block, 4000));
  ASSERT_NE(block, nullptr);
  for (int i = 0; i < 40; ++i) EXPECT_EQ(block[i], 0xAB) << i;
  for (int i = 40; i < 4000; ++i) ASSERT_EQ(block[i], 0) << i;
  EXPECT_EQ(HeapSize(heap, 0, block), 4000u);
  HeapDestroy(heap);
}

TEST(Heap, HeapsOwnTheirBlocks) {
  HANDLE first = HeapCreate(0, 4000, 0);
  HANDLE second = HeapCreate(0, 4000, 0);
  void* a = HeapAlloc(first, 0, 16);
  void* b = HeapAlloc(first, 0, 16);
  HeapAlloc(second, 0, 16);
  EXPECT_EQ(LiveBlocks(first), 2u);
  EXPECT_EQ(LiveBlocks(second), 1u);
  EXPECT_TRUE(HeapFree(first, 0, a));
  EXPECT_EQ(LiveBlocks(first), 1u);
  (void)b;
  // Destroying a heap releases all it holds at once, and touches no other heap.
  EXPECT_TRUE(HeapDestroy(first));
  EXPECT_EQ(LiveBlocks(second), 1u);
  HeapDestroy(second);
}

TEST(Heap, ImpossibleRequestsFail) {
  HANDLE heap = HeapCreate(0, 4000, 0);
  EXPECT_EQ(HeapAlloc(heap, 0, 0x7FFFFFF0u), nullptr);
  void* block = HeapAlloc(heap, 0, 16);
  EXPECT_EQ(HeapReAlloc(heap, 0, block, 0x7FFFFFF0u), nullptr);
  EXPECT_EQ(HeapSize(heap, 0, block), 16u);  // the failed resize kept the block
  HeapDestroy(heap);
}

}  // namespace
