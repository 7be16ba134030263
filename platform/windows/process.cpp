// The runtime library's argument vector and streams on Windows.
#include "platform/win32.h"

namespace {
struct StartupInfo {
  int newMode;
};
}  // namespace

extern "C" int __cdecl __getmainargs(int* argc, char*** argv, char*** env, int expandWildcards,
                                     StartupInfo* startupInfo);

void GetMainArgs(int* argumentCount, char*** arguments, char*** environment) {
  StartupInfo startupInfo{0};
  __getmainargs(argumentCount, arguments, environment, 0, &startupInfo);
}

std::FILE* OpenStream(const char* fileName, const char* mode) { return std::fopen(fileName, mode); }
