// The process entry: the exception frame, the command-line tail and the program body.
#include <cstdlib>

#include "runtime/command_line.h"
#include "startup/startup.h"

int EnterProgram(int, char**, char**) {
  char* tail = const_cast<char*>(CommandLineTail(GetCommandLineA()));
  HINSTANCE instance = GetModuleHandleA(nullptr);
  return ProgramBody(instance, nullptr, tail, 1);
}

namespace {

int EnterWithMainArgs(void*) {
  int argumentCount = 0;
  char** arguments = nullptr;
  char** environment = nullptr;
  GetMainArgs(&argumentCount, &arguments, &environment);
  return EnterProgram(argumentCount, arguments, environment);
}

}  // namespace

void ProcessEntry() {
  std::exit(CallInExceptionFrame(FaultFrameHandler, EnterWithMainArgs, nullptr));
}
