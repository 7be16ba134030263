// A program whose body faults for real: it writes to an address no process owns, after
// putting in place the signal handler its command line names ("segv", "fpe", "segv-stays",
// whose handler puts itself back as handlers commonly do, or "none"). The handler prints
// what the exception frame recorded of the fault and returns, so that what follows is the
// system's: the process should end with the fault's code. Without a handler, the system's
// last filter says whether the frame saw the fault first.
#include <csignal>
#include <cstdio>
#include <cstring>

#include "startup/startup.h"

namespace {

// Read at run time, so that the compiler sees no write outside an object.
volatile ULONG_PTR unownedAddress = 0x40;

void SayWhatArrived(int signalNumber) {
  std::printf("signal %d", signalNumber);
  if (const auto* record = static_cast<const EXCEPTION_RECORD*>(FaultExceptionRecord)) {
    std::printf(", exception %08lx, %s at %#llx", static_cast<unsigned long>(record->ExceptionCode),
                record->ExceptionInformation[0] ? "writing" : "reading",
                static_cast<unsigned long long>(record->ExceptionInformation[1]));
  }
  std::printf("\n");
  std::fflush(stdout);
}

void SayAndStay(int signalNumber) {
  SayWhatArrived(signalNumber);
  std::signal(signalNumber, SayAndStay);
}

// A test waits for this process: the system is to end it as it does where no debugger is
// set up to start (Wine would start its own).
bool withoutHandlers = false;

LONG WINAPI EndWithoutDebugger(EXCEPTION_POINTERS* fault) {
  if (withoutHandlers) {
    std::printf("unhandled exception %08lx%s\n",
                static_cast<unsigned long>(fault->ExceptionRecord->ExceptionCode),
                FaultExceptionRecord ? ", seen by the frame" : "");
    std::fflush(stdout);
  }
  return EXCEPTION_EXECUTE_HANDLER;
}

}  // namespace

int ProgramBody(HINSTANCE, HINSTANCE, char* commandLineTail, int) {
  SetUnhandledExceptionFilter(EndWithoutDebugger);
  withoutHandlers = std::strcmp(commandLineTail, "none") == 0;
  if (std::strcmp(commandLineTail, "segv") == 0) std::signal(SIGSEGV, SayWhatArrived);
  if (std::strcmp(commandLineTail, "fpe") == 0) std::signal(SIGFPE, SayWhatArrived);
  if (std::strcmp(commandLineTail, "segv-stays") == 0) std::signal(SIGSEGV, SayAndStay);
  *reinterpret_cast<volatile int*>(unownedAddress) = 1;
  std::printf("the write went through\n");
  std::fflush(stdout);
  return 0;
}

int main() { ProcessEntry(); }
