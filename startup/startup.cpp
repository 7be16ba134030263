// The order in which the libraries start and end, and who tells whom what.
#include "startup/startup.h"

#include <cstring>

#include "file/file.h"
#include "input/keyboard.h"
#include "input/mouse.h"
#include "palette/palette.h"
#include "runtime/heap.h"
#include "runtime/memory.h"
#include "runtime/random.h"
#include "runtime/runtime_state.h"
#include "screen/drawing.h"
#include "screen/screen.h"
#include "sprite/decoders.h"
#include "sprite/sprite.h"

namespace {

// Keeps the executable's directory: everything up to and including the last backslash.
void FindProgramDirectory() {
  GetModuleFileNameA(ProgramInstance, ProgramDirectory, kProgramDirectorySize);
  ProgramDirectory[kProgramDirectorySize - 1] = '\0';
  char* end = ProgramDirectory;
  for (char* p = ProgramDirectory; *p != '\0'; ++p) {
    if (*p == '\\') end = p + 1;
  }
  *end = '\0';
}

// The screen library stands below the libraries that act on its events: each gets its
// notification here, before any window or surface exists.
void ConnectScreenNotifications() {
  OnSurfacesRestored(ReloadSprites);
  OnWindowDeactivated(UncaptureMouse);
  OnWindowCloseRequested(EndProgram);
}

}  // namespace

void StartRuntimeCore(HINSTANCE instance, void* programState, std::size_t programStateSize) {
  RuntimeHeap = nullptr;
  ResetStringWorkArea(0);
  ProgramInstance = nullptr;
  std::memset(ProgramDirectory, 0, sizeof ProgramDirectory);
  if (programState) std::memset(programState, 0, programStateSize);

  ProgramInstance = instance;
  RuntimeHeap = HeapCreate(0, 4000, 0);
  // Every library keeps its tables in the runtime heap: without it nothing can run, and
  // the program ends quietly the one usual way.
  if (!RuntimeHeap) EndProgram();
  FindProgramDirectory();
  ConnectScreenNotifications();

  InitImageDecoders();
  InitDrawing();
  InitFileLibrary();
  InitMemoryBlocks();
  InitRandom();

  Address area = AddressOf(HeapAlloc(RuntimeHeap, HEAP_ZERO_MEMORY, kStringWorkAreaSize));
  if (area == 0) EndProgram();
  ResetStringWorkArea(area);
}

// The screen library has started before the input devices, which need its window.
void StartRuntime(HINSTANCE instance, void* programState, std::size_t programStateSize) {
  StartRuntimeCore(instance, programState, programStateSize);
  InitScreenLibrary();
  InitMouse();
  InitKeyboard();
}

void EndLibraries() {
  EndFileLibrary();
  EndKeyboard();
  EndMemoryBlocks();
  EndMouse();
  EndPalettes();
  EndScreenLibrary();
}

void EndRuntime() {
  EndLibraries();
  if (RuntimeHeap) HeapDestroy(RuntimeHeap);
  RuntimeHeap = nullptr;
  ResetStringWorkArea(0);
}

void EndProgram() {
  EndRuntime();
  ExitProcess(0);
}
