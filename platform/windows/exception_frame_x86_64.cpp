// Exception frames on 64-bit Windows. There is no chain at fs:[0]: the system finds a
// function's handler in the unwind tables the compiler writes, so the frame is a function
// of its own, ExceptionFrameCall, whose table entry names ExceptionFrameDispatch as its
// handler for exceptions and unwinding. It is written in assembly because the compiler
// gives a C++ function no handler of our choosing. A fault in the body that nothing inside
// takes reaches it before the handlers of the functions that called it (among them the
// runtime library's start-up, which would resume a faulting program after its signal
// handler).
#include <cstring>

#include "platform/win32.h"

extern "C" int ExceptionFrameCall(int (*body)(void*), void* argument,
                                  ExceptionFrameHandler handler);
extern "C" EXCEPTION_DISPOSITION ExceptionFrameDispatch(EXCEPTION_RECORD* record, void* frame,
                                                        CONTEXT* context,
                                                        DISPATCHER_CONTEXT* dispatcherContext);

// The frame keeps its handler in its own stack, above the 32 bytes the callee may use;
// the system gives the handler the frame's stack pointer as the establisher frame. The
// nop keeps the return address off the epilogue, where the unwinder would take the frame
// for one already left.
asm(R"(
  .text
  .globl ExceptionFrameCall
  .def ExceptionFrameCall; .scl 2; .type 32; .endef
  .seh_proc ExceptionFrameCall
ExceptionFrameCall:
  subq $40, %rsp
  .seh_stackalloc 40
  .seh_endprologue
  .seh_handler ExceptionFrameDispatch, @except, @unwind
  movq %r8, 32(%rsp)
  movq %rcx, %rax
  movq %rdx, %rcx
  call *%rax
  nop
  addq $40, %rsp
  ret
  .seh_endproc
)");

// Where ExceptionFrameCall keeps its handler: 32(%rsp) above.
constexpr int kHandlerOffset = 32;

EXCEPTION_DISPOSITION ExceptionFrameDispatch(EXCEPTION_RECORD* record, void* frame,
                                             CONTEXT* context,
                                             DISPATCHER_CONTEXT* dispatcherContext) {
  ExceptionFrameHandler handler;
  std::memcpy(&handler, static_cast<char*>(frame) + kHandlerOffset, sizeof handler);
  return static_cast<EXCEPTION_DISPOSITION>(handler(record, frame, context, dispatcherContext));
}

int CallInExceptionFrame(ExceptionFrameHandler handler, int (*body)(void*), void* argument) {
  return ExceptionFrameCall(body, argument, handler);
}
