// Process entry, the start-up of every library and the program's one way out. The only
// part of the system that knows every library: it starts them in their order, connects
// the notifications the screen library sends upward, and ends them again.
#pragma once

#include <cstddef>

#include "platform/win32.h"

// Entry point of the executable: installs the process's exception frame and hands over
// to EnterProgram. Does not return.
[[noreturn]] void ProcessEntry();

// Finds the command-line tail and the instance handle and calls ProgramBody.
int EnterProgram(int argumentCount, char** arguments, char** environment);

// The program itself, supplied by the executable.
int ProgramBody(HINSTANCE instance, HINSTANCE previousInstance, char* commandLineTail,
                int showCommand);

// Prepares the runtime and starts every library. The program's own state block, if
// given, is cleared first together with the runtime's.
void StartRuntime(HINSTANCE instance, void* programState = nullptr,
                  std::size_t programStateSize = 0);
// The runtime's own part of the start-up: everything up to the string work area, before
// the screen and input libraries start.
void StartRuntimeCore(HINSTANCE instance, void* programState = nullptr,
                      std::size_t programStateSize = 0);

// Ends every library, destroys the runtime heap and ends the process with exit code 0.
[[noreturn]] void EndProgram();
// EndProgram without the end of the process, for running the runtime again in one
// process; and its first step, ending the libraries alone.
void EndRuntime();
void EndLibraries();

// Handler of the process's exception frame: offers a fault to the runtime library's
// signal handlers, then lets the system's search for a handler go on.
int FaultFrameHandler(void* exceptionRecord, void* establisherFrame, void* context,
                      void* dispatcherContext);

// What the last fault that reached the frame handler carried.
extern void* FaultExceptionRecord;
extern void* FaultContext;
