// The process entry: the exception frame, the command-line tail and the program body.
#include <cstdlib>

#include "runtime/command_line.h"
#include "startup/startup.h"

int EnterProgram(int, char**, char**) {
  char* tail = const_cast<char*>(CommandLineTail(GetCommandLineA()));
  HINSTANCE instance = GetModuleHandleA(nullptr);
  return ProgramBody(instance, nullptr, tail, 1);
}

void ProcessEntry() {
  ExceptionRegistration frame;
  PushExceptionFrame(&frame, FaultFrameHandler);
  int argumentCount = 0;
  char** arguments = nullptr;
  char** environment = nullptr;
  GetMainArgs(&argumentCount, &arguments, &environment);
  int result = EnterProgram(argumentCount, arguments, environment);
  PopExceptionFrame(&frame);
  std::exit(result);
}
