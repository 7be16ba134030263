// A real access violation in a child program that the start-up entered: it reaches the
// program's signal handler through the exception frame, and then the system ends the
// process with the fault's code.
#include <gtest/gtest.h>

#include <string>

#include "platform/win32.h"

namespace {

struct Ended {
  DWORD exitCode;
  std::string output;
};

// Runs the faulting program beside this test with the given command-line tail and
// collects its standard output (text: lines end in CR LF); a program still running after
// 30 s is ended.
Ended RunFaultingProgram(const std::string& tail) {
  char path[MAX_PATH];
  DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string program(path, length);
  program = program.substr(0, program.find_last_of('\\') + 1) + "faulting_program.exe";
  std::string commandLine = "\"" + program + "\" " + tail;

  SECURITY_ATTRIBUTES inheritable{sizeof inheritable, nullptr, TRUE};
  HANDLE readEnd = nullptr;
  HANDLE writeEnd = nullptr;
  EXPECT_TRUE(CreatePipe(&readEnd, &writeEnd, &inheritable, 0));
  SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdOutput = writeEnd;
  startup.hStdError = writeEnd;
  startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  PROCESS_INFORMATION process{};
  bool started = CreateProcessA(program.c_str(), commandLine.data(), nullptr, nullptr, TRUE, 0,
                                nullptr, nullptr, &startup, &process);
  CloseHandle(writeEnd);
  Ended ended{0, ""};
  if (!started) {
    ADD_FAILURE() << "cannot start " << program;
    CloseHandle(readEnd);
    return ended;
  }
  // The few lines the program prints fit in the pipe; one that loops for ever fills it,
  // and is ended all the same.
  if (WaitForSingleObject(process.hProcess, 30000) != WAIT_OBJECT_0) {
    ADD_FAILURE() << "the program did not end";
    TerminateProcess(process.hProcess, 1);
    WaitForSingleObject(process.hProcess, INFINITE);
  }
  char buffer[256];
  DWORD read = 0;
  while (ReadFile(readEnd, buffer, sizeof buffer, &read, nullptr) && read > 0) {
    ended.output.append(buffer, read);
  }
  GetExitCodeProcess(process.hProcess, &ended.exitCode);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  CloseHandle(readEnd);
  return ended;
}

TEST(RealFault, ReachesTheProgramsSegvHandlerThenEndsTheProcess) {
  Ended ended = RunFaultingProgram("segv");
  EXPECT_EQ(ended.output, "signal 11, exception c0000005, writing at 0x40\r\n");
  EXPECT_EQ(ended.exitCode, EXCEPTION_ACCESS_VIOLATION);
}

TEST(RealFault, WithOnlyAnFpeHandlerThatOneGetsIt) {
  Ended ended = RunFaultingProgram("fpe");
  EXPECT_EQ(ended.output, "signal 8, exception c0000005, writing at 0x40\r\n");
  EXPECT_EQ(ended.exitCode, EXCEPTION_ACCESS_VIOLATION);
}

// A handler that puts itself back runs once: the runtime library's handlers do not run it
// again and resume the fault for ever.
TEST(RealFault, AHandlerThatPutsItselfBackRunsOnceThenTheProcessEnds) {
  Ended ended = RunFaultingProgram("segv-stays");
  EXPECT_EQ(ended.output, "signal 11, exception c0000005, writing at 0x40\r\n");
  EXPECT_EQ(ended.exitCode, EXCEPTION_ACCESS_VIOLATION);
}

TEST(RealFault, WithoutHandlersTheFrameSeesTheFaultAndTheSystemEndsTheProcess) {
  Ended ended = RunFaultingProgram("none");
  EXPECT_EQ(ended.output, "unhandled exception c0000005, seen by the frame\r\n");
  EXPECT_EQ(ended.exitCode, EXCEPTION_ACCESS_VIOLATION);
}

}  // namespace
