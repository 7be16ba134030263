// The runtime core started and ended around each test.
#include "tests/support/runtime_fixture.h"

#include "runtime/heap.h"
#include "startup/startup.h"

void StopRuntime() { EndRuntime(); }

void RuntimeTest::SetUp() { StartRuntimeCore(GetModuleHandleA(nullptr)); }
void RuntimeTest::TearDown() { StopRuntime(); }
