// The frame loop allocates nothing: neither from the C++ free store (counted by this
// executable's own operator new) nor from the Windows heaps, over a hundred frames of the
// program on the headless display, which keeps only its latest frame.
#include <gtest/gtest.h>

#include <cstdlib>
#include <new>

#include "tests/demo/demonstration_fixture.h"

extern const char PictureName[] = "Paris.pcx";

namespace {

bool counting = false;
long freeStoreAllocations = 0;
long heapAllocations = 0;

}  // namespace

// Every form of new and delete is replaced, so that all blocks come from malloc and go
// back to free; out of line, so that no caller sees a block from new reach free.
namespace {

void* Allocate(std::size_t size) noexcept {
  if (counting) ++freeStoreAllocations;
  return std::malloc(size ? size : 1);
}

void* AllocateOrThrow(std::size_t size) {
  if (void* block = Allocate(size)) return block;
  throw std::bad_alloc();
}

}  // namespace

__attribute__((noinline)) void* operator new(std::size_t size) { return AllocateOrThrow(size); }
__attribute__((noinline)) void* operator new[](std::size_t size) { return AllocateOrThrow(size); }
__attribute__((noinline)) void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  return Allocate(size);
}
__attribute__((noinline)) void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
  return Allocate(size);
}
__attribute__((noinline)) void operator delete(void* block) noexcept { std::free(block); }
__attribute__((noinline)) void operator delete[](void* block) noexcept { std::free(block); }
__attribute__((noinline)) void operator delete(void* block, std::size_t) noexcept {
  std::free(block);
}
__attribute__((noinline)) void operator delete[](void* block, std::size_t) noexcept {
  std::free(block);
}
__attribute__((noinline)) void operator delete(void* block, const std::nothrow_t&) noexcept {
  std::free(block);
}
__attribute__((noinline)) void operator delete[](void* block, const std::nothrow_t&) noexcept {
  std::free(block);
}

namespace {

TEST_F(DemonstrationTest, FramesAllocateNothing) {
  WritePicture();
  display->KeepLastFrames(1);
  standin::RefuseHeapAllocations([](HANDLE, SIZE_T) {
    if (counting) ++heapAllocations;
    return false;
  });
  // Each frame reads the clock once; the first frames, which set things up, go uncounted.
  int reads = 0;
  standin::SetTickSource([&]() -> DWORD {
    ++reads;
    counting = reads >= 10 && reads < 110;
    if (reads == 110) display->SetKey(DIK_SPACE, true);
    return DWORD{1000} + 16 * reads;
  });
  EXPECT_EQ(Run(), 0);
  counting = false;
  EXPECT_GE(display->PresentCount(), 105u);
  EXPECT_EQ(freeStoreAllocations, 0);
  EXPECT_EQ(heapAllocations, 0);
}

}  // namespace
