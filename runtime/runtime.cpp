// The runtime's process-wide values, filled by the start-up.
#include "runtime/runtime_state.h"

HANDLE RuntimeHeap = nullptr;
HINSTANCE ProgramInstance = nullptr;
char ProgramDirectory[kProgramDirectorySize];
