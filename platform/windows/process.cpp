// Structured exception frames and the runtime library's argument vector on 32-bit
// Windows.
#include "platform/win32.h"

namespace {
struct StartupInfo {
  int newMode;
};
}  // namespace

extern "C" int __cdecl __getmainargs(int* argc, char*** argv, char*** env, int expandWildcards,
                                     StartupInfo* startupInfo);

// The thread's handler chain starts at fs:[0]; a record is linked in front of it and
// must stay on the stack of the function that pushed it until it is popped again.
void PushExceptionFrame(ExceptionRegistration* frame, ExceptionFrameHandler handler) {
  frame->handler = reinterpret_cast<void*>(handler);
  asm volatile("movl %%fs:0, %0" : "=r"(frame->previous));
  asm volatile("movl %0, %%fs:0" : : "r"(frame) : "memory");
}

void PopExceptionFrame(ExceptionRegistration* frame) {
  asm volatile("movl %0, %%fs:0" : : "r"(frame->previous) : "memory");
}

void GetMainArgs(int* argumentCount, char*** arguments, char*** environment) {
  StartupInfo startupInfo{0};
  __getmainargs(argumentCount, arguments, environment, 0, &startupInfo);
}

std::FILE* OpenStream(const char* fileName, const char* mode) { return std::fopen(fileName, mode); }
