// Exception frames on 32-bit Windows: the thread's handler chain starts at fs:[0], and
// the system walks it from the innermost record outwards when a fault occurs.
#include "platform/win32.h"

namespace {

struct Registration {
  Registration* previous;
  ExceptionFrameHandler handler;
};

}  // namespace

// The record is linked in front of the chain for the time of the call and stays on this
// function's stack meanwhile, as the system requires.
int CallInExceptionFrame(ExceptionFrameHandler handler, int (*body)(void*), void* argument) {
  Registration frame{nullptr, handler};
  asm volatile("movl %%fs:0, %0" : "=r"(frame.previous));
  asm volatile("movl %0, %%fs:0" : : "r"(&frame) : "memory");
  int result = body(argument);
  asm volatile("movl %0, %%fs:0" : : "r"(frame.previous) : "memory");
  return result;
}
