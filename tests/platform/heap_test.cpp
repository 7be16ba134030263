// Heap behaviour the libraries rely on, checked on both the stand-in and Windows.
#include <gtest/gtest.h>

#include <cstdint>
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

// A request larger than the process's address space. This one assumes 32-bit addresses:
// a 32-bit Windows process has 2 GiB, and the stand-in keeps that limit on any host.
constexpr SIZE_T kBeyond32BitAddresses = 0x7FFFFFF0u;
// The same in a 64-bit Windows process, which has 128 TiB (there 2 GiB is an ordinary
// request).
constexpr std::uint64_t kBeyond64BitAddresses = std::uint64_t{1} << 48;

void ImpossibleRequestFails(SIZE_T bytes) {
  HANDLE heap = HeapCreate(0, 4000, 0);
  EXPECT_EQ(HeapAlloc(heap, 0, bytes), nullptr);
  void* block = HeapAlloc(heap, 0, 16);
  EXPECT_EQ(HeapReAlloc(heap, 0, block, bytes), nullptr);
  EXPECT_EQ(HeapSize(heap, 0, block), 16u);  // the failed resize kept the block
  HeapDestroy(heap);
}

TEST(Heap, ImpossibleRequestsFail) {
  if (sizeof(void*) == 4 || StandInHeaps()) {
    SCOPED_TRACE("beyond 32-bit addresses");
    ImpossibleRequestFails(kBeyond32BitAddresses);
  }
  if constexpr (sizeof(SIZE_T) == 8) {
    SCOPED_TRACE("beyond 64-bit Windows' addresses");
    ImpossibleRequestFails(static_cast<SIZE_T>(kBeyond64BitAddresses));
  }
}

}  // namespace
