// What every fuzz target shares: a runtime started once in a scratch program directory,
// over the stand-in's headless display, and checks that nothing leaked between inputs.
#include "tests/fuzz/fuzz_support.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "platform/posix/displays/headless/headless_display.h"
#include "platform/posix/standin.h"
#include "screen/screen.h"
#include "startup/startup.h"

namespace fuzz {
namespace {

std::filesystem::path directory;
std::size_t heapsBefore = 0;

// Descriptors open on files of the program's directory; the fuzzer's own come and go.
int OpenProgramFiles() {
  int count = 0;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd", error)) {
    std::filesystem::path target = std::filesystem::read_symlink(entry.path(), error);
    if (!error && target.parent_path() == directory) ++count;
  }
  return count;
}

}  // namespace

std::string WindowsPath(const std::string& name) {
  std::string path = (directory / name).string();
  for (char& c : path) {
    if (c == '/') c = '\\';
  }
  return path;
}

void WriteProgramFile(const std::string& name, const std::uint8_t* data, std::size_t size) {
  std::ofstream file(directory / name, std::ios::binary | std::ios::trunc);
  file.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  if (!file) Fail("cannot write the input's file");
}

void StartRuntime(bool withScreenLibrary, void* programState, std::size_t programStateSize) {
  StartRuntimeCore(GetModuleHandleA(nullptr), programState, programStateSize);
  if (withScreenLibrary && !InitScreenLibrary()) Fail("the screen library did not start");
}

void EndRuntime() {
  ::EndRuntime();
  if (standin::HeapCount() != heapsBefore) Fail("a heap outlived the input");
  if (OpenProgramFiles() != 0) Fail("a file stayed open");
  if (standin::ModuleReferences("DDRAW.DLL") != 0) Fail("DDRAW.DLL stayed loaded");
}

void Fail(const char* what) {
  std::fprintf(stderr, "fuzz: %s\n", what);
  std::abort();
}

}  // namespace fuzz

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  using namespace fuzz;
  char pattern[] = "/tmp/bump-fuzz-XXXXXX";
  if (!mkdtemp(pattern)) Fail("no temporary directory");
  directory = pattern;
  standin::SetModuleFileName(WindowsPath("fuzz.exe"));
  // Only the latest frame is kept: a long run presents millions.
  standin::UseHeadlessDisplay().KeepLastFrames(1);
  // The global memory's heap comes with its first block and lives as long as the process.
  GlobalFree(GlobalAlloc(GMEM_FIXED, 1));
  heapsBefore = standin::HeapCount();
  // The directory goes when the process ends normally; a finding leaves it for a look.
  std::atexit([] { std::filesystem::remove_all(directory); });
  return 0;
}
