// The memory blocks' own heap, watched and refused through the stand-in: a negative
// number makes a new heap, and without one no block is had and none is current.
#include "platform/posix/standin.h"
#include "runtime/memory.h"
#include "tests/support/runtime_fixture.h"

namespace {

class BlockHeapTest : public RuntimeTest {
 protected:
  void TearDown() override {
    standin::RefuseHeapAllocations({});
    RuntimeTest::TearDown();
  }
};

// HeapCreate asks the stand-in's heap supply with no heap and 0 bytes.
bool IsHeapCreation(HANDLE heap, SIZE_T bytes) { return heap == nullptr && bytes == 0; }

TEST_F(BlockHeapTest, ANegativeNumberGivesTheBlocksANewHeap) {
  MemoryAllocate(1, 8);
  int created = 0;
  std::size_t heaps = standin::HeapCount();
  standin::RefuseHeapAllocations([&](HANDLE heap, SIZE_T bytes) {
    created += IsHeapCreation(heap, bytes);
    return false;
  });
  MemoryFree(-1);
  EXPECT_EQ(created, 1);
  EXPECT_EQ(standin::HeapCount(), heaps);  // the old heap went
}

TEST_F(BlockHeapTest, WithoutAHeapNoBlockIsCurrent) {
  ASSERT_NE(MemoryAllocate(1, 8), 0u);
  standin::RefuseHeapAllocations(IsHeapCreation);
  MemoryFree(-1);
  EXPECT_EQ(MemoryAllocate(2, 8), 0u);
  EXPECT_EQ(MemoryAddress(), 0u);
}

}  // namespace
