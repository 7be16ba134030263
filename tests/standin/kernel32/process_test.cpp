// The stand-in's process services: the module file name and command line in Windows
// form, the scripted clock and sleep, the handle count, and the runtime's start and end
// over them.
#include <gtest/gtest.h>

#include <cstring>

#include "platform/posix/standin.h"
#include "platform/win32.h"
#include "runtime/runtime_state.h"
#include "startup/startup.h"
#include "tests/support/runtime_fixture.h"
#include "tests/support/temp_dir.h"

namespace {

struct Exited {
  UINT code;
};

class ProcessTest : public ::testing::Test {
 protected:
  void TearDown() override {
    standin::SetCommandLine("");
    standin::SetModuleFileName("");
    standin::SetExitHook({});
    standin::SetTickSource({});
    standin::SetSleepHook({});
  }
};

TEST_F(ProcessTest, ModuleFileNameSpeaksWindowsPaths) {
  char path[MAX_PATH];
  DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
  ASSERT_GT(length, 0u);
  EXPECT_EQ(path[0], '\\');
  EXPECT_EQ(std::strchr(path, '/'), nullptr);
  EXPECT_EQ(standin::HostPath(path).find('\\'), std::string::npos);
  // A buffer too small is filled, terminated and reported full.
  char small[5];
  EXPECT_EQ(GetModuleFileNameA(nullptr, small, sizeof small), 5u);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
  EXPECT_EQ(small[4], '\0');
}

TEST_F(ProcessTest, ProgramDirectoryKeepsTheLastBackslash) {
  standin::SetModuleFileName("\\opt\\demo\\bin\\bump-paris");
  StartRuntime(GetModuleHandleA(nullptr));
  EXPECT_STREQ(ProgramDirectory, "\\opt\\demo\\bin\\");
  StopRuntime();
  standin::SetModuleFileName("bump-paris");
  StartRuntime(GetModuleHandleA(nullptr));
  EXPECT_STREQ(ProgramDirectory, "");
  StopRuntime();
}

TEST_F(ProcessTest, RealCommandLineQuotesTheProgramPath) {
  const char* line = GetCommandLineA();
  ASSERT_EQ(line[0], '"');
  EXPECT_NE(std::strchr(line + 1, '"'), nullptr);
}

TEST_F(ProcessTest, EnterProgramHandsTheTailToTheBody) {
  standin::SetCommandLine("\"\\bin\\bump\"  the tail");
  EXPECT_EQ(EnterProgram(0, nullptr, nullptr), 42);
}

TEST_F(ProcessTest, ScriptedClockAndSleep) {
  standin::SetTickSource([] { return DWORD{1234}; });
  EXPECT_EQ(GetTickCount(), 1234u);
  DWORD slept = 0;
  standin::SetSleepHook([&](DWORD ms) { slept = ms; });
  Sleep(250);
  EXPECT_EQ(slept, 250u);
  standin::SetTickSource({});
  DWORD before = GetTickCount();
  standin::SetSleepHook({});
  Sleep(20);
  EXPECT_GE(GetTickCount() - before, 20u);
}

TEST_F(ProcessTest, EndProgramEndsWithCodeZeroAndTheHeapGone) {
  standin::SetExitHook([](UINT code) { throw Exited{code}; });
  std::size_t heaps = standin::HeapCount();
  StartRuntime(GetModuleHandleA(nullptr));
  EXPECT_EQ(standin::HeapCount(), heaps + 2);  // runtime heap and memory-block heap
  try {
    EndProgram();
  } catch (const Exited& exited) {
    EXPECT_EQ(exited.code, 0u);
  }
  EXPECT_EQ(standin::HeapCount(), heaps);
  EXPECT_EQ(RuntimeHeap, nullptr);
}

TEST_F(ProcessTest, HandlesAreCountedFromCreationToClosing) {
  TempDir dir;
  std::size_t before = standin::HandleCount();
  HANDLE heap = HeapCreate(0, 0, 0);
  ASSERT_NE(heap, nullptr);
  HANDLE file = CreateFileA(dir.WindowsPath("counted").c_str(), GENERIC_WRITE, 0, nullptr,
                            CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  EXPECT_EQ(standin::HandleCount(), before + 2);
  EXPECT_TRUE(CloseHandle(file));
  EXPECT_EQ(standin::HandleCount(), before + 1);
  EXPECT_TRUE(HeapDestroy(heap));
  EXPECT_EQ(standin::HandleCount(), before);
}

TEST_F(ProcessTest, StartRuntimeWithoutMemoryEndsQuietly) {
  standin::SetExitHook([](UINT code) { throw Exited{code}; });
  std::size_t heaps = standin::HeapCount();
  for (unsigned failing = 1; failing <= 8; ++failing) {
    standin::FailHeapAllocationsFrom(failing);
    bool exited = false;
    try {
      StartRuntime(GetModuleHandleA(nullptr));
    } catch (const Exited& e) {
      EXPECT_EQ(e.code, 0u);
      exited = true;
    }
    standin::FailHeapAllocationsFrom(0);
    if (!exited) StopRuntime();
    EXPECT_EQ(standin::HeapCount(), heaps) << failing;
  }
}

}  // namespace

// The body that EnterProgram calls in this test program.
int ProgramBody(HINSTANCE instance, HINSTANCE previous, char* tail, int show) {
  EXPECT_EQ(instance, GetModuleHandleA(nullptr));
  EXPECT_EQ(previous, nullptr);
  EXPECT_STREQ(tail, "the tail");
  EXPECT_EQ(show, 1);
  return 42;
}
