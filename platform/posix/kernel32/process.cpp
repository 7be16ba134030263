// The process as the Windows calls describe it: command line, module file name (in
// Windows form, with backslashes), the argument vector, last error and exit.
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/posix/standin.h"
#include "platform/win32.h"

extern char** environ;

namespace standin {
namespace {

// Each thread's own; the web build has one thread, and its linker refuses thread-local
// storage alongside WebAssembly's bulk memory without threads.
#ifdef __EMSCRIPTEN__
DWORD lastError = ERROR_SUCCESS;
#else
thread_local DWORD lastError = ERROR_SUCCESS;
#endif
std::function<void(UINT)> exitHook;
std::string commandLineOverride;
std::string moduleFileNameOverride;

std::vector<std::string> ProcessArguments() {
  std::vector<std::string> arguments;
  std::FILE* in = std::fopen("/proc/self/cmdline", "rb");
  if (!in) return arguments;
  std::string current;
  for (int c = std::fgetc(in); c != EOF; c = std::fgetc(in)) {
    if (c == '\0') {
      arguments.push_back(current);
      current.clear();
    } else {
      current += static_cast<char>(c);
    }
  }
  std::fclose(in);
  if (!current.empty()) arguments.push_back(current);
  return arguments;
}

std::string WindowsForm(std::string path) {
  for (char& c : path) {
    if (c == '/') c = '\\';
  }
  return path;
}

// The command line as Windows would hand it over: the program path in quotes, then the
// arguments, each quoted when it holds white space.
std::string RealCommandLine() {
  std::vector<std::string> arguments = ProcessArguments();
  std::string line;
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string& argument = i == 0 ? WindowsForm(arguments[i]) : arguments[i];
    if (i > 0) line += ' ';
    bool quote = i == 0 || argument.empty() || argument.find_first_of(" \t") != std::string::npos;
    line += quote ? '"' + argument + '"' : argument;
  }
  return line;
}

std::string RealModuleFileName() {
  char path[PATH_MAX];
  ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
  if (length < 0) return "";
  return WindowsForm(std::string(path, static_cast<std::size_t>(length)));
}

}  // namespace

void SetExitHook(std::function<void(UINT)> hook) { exitHook = std::move(hook); }
void SetCommandLine(const std::string& commandLine) { commandLineOverride = commandLine; }
void SetModuleFileName(const std::string& windowsPath) { moduleFileNameOverride = windowsPath; }

}  // namespace standin

using namespace standin;

DWORD GetLastError() { return lastError; }
void SetLastError(DWORD error) { lastError = error; }

LPSTR GetCommandLineA() {
  // The text stays valid for the life of the process, as on Windows.
  static std::string line;
  line = commandLineOverride.empty() ? RealCommandLine() : commandLineOverride;
  return line.data();
}

HMODULE GetModuleHandleA(LPCSTR moduleName);  // modules.cpp

DWORD GetModuleFileNameA(HMODULE module, LPSTR fileName, DWORD size) {
  if (module && module != GetModuleHandleA(nullptr)) {
    SetLastError(ERROR_MOD_NOT_FOUND);
    return 0;
  }
  std::string path = moduleFileNameOverride.empty() ? RealModuleFileName() : moduleFileNameOverride;
  if (size == 0) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  // A path that does not fit is cut to the buffer and the full size is reported.
  if (path.size() + 1 > size) {
    std::memcpy(fileName, path.data(), size - 1);
    fileName[size - 1] = '\0';
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return size;
  }
  std::memcpy(fileName, path.c_str(), path.size() + 1);
  SetLastError(ERROR_SUCCESS);
  return static_cast<DWORD>(path.size());
}

void ExitProcess(UINT exitCode) {
  if (exitHook) exitHook(exitCode);
  std::exit(static_cast<int>(exitCode));
}

// POSIX delivers faults as signals straight to their handlers; there is no handler chain
// for a frame to join.
int CallInExceptionFrame(ExceptionFrameHandler, int (*body)(void*), void* argument) {
  return body(argument);
}

void GetMainArgs(int* argumentCount, char*** arguments, char*** environment) {
  static std::vector<std::string> texts;
  static std::vector<char*> vector;
  texts = ProcessArguments();
  vector.clear();
  for (std::string& text : texts) vector.push_back(text.data());
  vector.push_back(nullptr);
  *argumentCount = static_cast<int>(texts.size());
  *arguments = vector.data();
  *environment = environ;
}

std::FILE* OpenStream(const char* fileName, const char* mode) {
  return std::fopen(HostPath(fileName).c_str(), mode);
}
