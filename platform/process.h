// The few process services that the Windows API offers only through its runtime
// library or its calling conventions, given one portable shape here.
#pragma once

#include <cstdio>

// Handler of an exception frame, called by the system's exception dispatcher with the
// exception record, the frame, the processor context and the dispatcher's own record.
// Returns 1 (continue the search) or 0 (continue execution).
using ExceptionFrameHandler = int (*)(void* exceptionRecord, void* establisherFrame, void* context,
                                      void* dispatcherContext);

// Calls body(argument) inside an exception frame of its own whose handler is `handler`, and
// returns what the body returns: a fault in the body that no handler inside it takes
// reaches `handler` before any handler outside. On 32-bit Windows the frame is a record
// linked into the thread's chain at fs:[0]; on 64-bit Windows, where handlers are found
// through the tables the compiler writes for each function, it is the handler of a small
// function of its own; on POSIX faults are delivered as signals straight to their
// handlers, so there is no frame to install and the body is simply called.
int CallInExceptionFrame(ExceptionFrameHandler handler, int (*body)(void*), void* argument);

// The argument count, vector and environment of the process, as the runtime library
// gathers them before the program starts.
void GetMainArgs(int* argumentCount, char*** arguments, char*** environment);

// The runtime library's fopen for a file named the way the Windows calls name it.
std::FILE* OpenStream(const char* fileName, const char* mode);
