// The runtime core started and ended around each test.
#include "tests/support/runtime_fixture.h"

#include "runtime/heap.h"
#include "screen/screen_state.h"
#include "startup/startup.h"

void StopRuntime() { EndRuntime(); }

void ForgetScreenWindow() {
  ScreenState.window = ScreenState.savedWindow = nullptr;
  ScreenState.windowCreated = 0;
}

void RuntimeTest::SetUp() { StartRuntimeCore(GetModuleHandleA(nullptr)); }
void RuntimeTest::TearDown() { StopRuntime(); }
