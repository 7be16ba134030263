// Process entry, the runtime's start-up and the program's one way out.
#pragma once

#include <cstddef>

#include "platform/win32.h"

// Entry point of the executable: installs the process's exception frame and hands over
// to EnterProgram. Does not return.
[[noreturn]] void ProcessEntry();

// Finds the command-line tail and the instance handle and calls ProgramBody.
int EnterProgram(int argumentCount, char** arguments, char** environment);

// The part of a command line after the program's name; see EnterProgram.
const char* CommandLineTail(const char* commandLine);

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

extern HANDLE RuntimeHeap;
extern HINSTANCE ProgramInstance;
// Directory of the executable with its trailing backslash.
constexpr std::size_t kProgramDirectorySize = 500;
extern char ProgramDirectory[kProgramDirectorySize];
