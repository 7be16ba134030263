#include "tests/support/runtime_fixture.h"

#include "runtime/heap.h"
#include "runtime/startup.h"

void StopRuntime() {
  EndLibraries();
  if (RuntimeHeap) HeapDestroy(RuntimeHeap);
  RuntimeHeap = nullptr;
  ResetStringWorkArea(0);
}

void RuntimeTest::SetUp() { StartRuntimeCore(GetModuleHandleA(nullptr)); }
void RuntimeTest::TearDown() { StopRuntime(); }
