// The few process services that the Windows API offers only through its runtime
// library or its calling conventions, given one portable shape here.
#pragma once

#include <cstdio>

// One record of the thread's chain of structured exception handlers. On Windows the
// record is linked into the chain that the system walks when a fault occurs; on POSIX
// faults are delivered as signals straight to their handlers, so there is no chain to
// join and the record stays unlinked.
struct ExceptionRegistration {
  ExceptionRegistration* previous;
  void* handler;
};

// Handler of a registration record, called by the system's exception dispatcher.
// Returns 1 (continue the search) or 0 (continue execution).
using ExceptionFrameHandler = int (*)(void* exceptionRecord, void* establisherFrame, void* context,
                                      void* dispatcherContext);

void PushExceptionFrame(ExceptionRegistration* frame, ExceptionFrameHandler handler);
void PopExceptionFrame(ExceptionRegistration* frame);

// The argument count, vector and environment of the process, as the runtime library
// gathers them before the program starts.
void GetMainArgs(int* argumentCount, char*** arguments, char*** environment);

// The runtime library's fopen for a file named the way the Windows calls name it.
std::FILE* OpenStream(const char* fileName, const char* mode);
