// The handler of the process's exception frame, which offers a fault to the C runtime's
// signal handlers.
#include <csignal>

#include "startup/startup.h"

void* FaultExceptionRecord = nullptr;
void* FaultContext = nullptr;

namespace {

constexpr int kContinueSearch = 1;

// Puts the default action in place for the signal; if a handler of the program's was
// there, puts it back and raises the signal to it. True when a handler was offered it.
// The default action is left in place afterwards, whatever the handler did: handlers
// commonly put themselves back, and the runtime library's own handlers further out would
// call such a handler again and resume the faulting instruction, which faults again, for
// ever. So the fault, once offered, goes on to the system's default handling.
bool OfferToHandler(int signalNumber) {
  auto previous = std::signal(signalNumber, SIG_DFL);
  if (previous == SIG_DFL || previous == SIG_ERR) return false;
  std::signal(signalNumber, previous);
  std::raise(signalNumber);
  std::signal(signalNumber, SIG_DFL);
  return true;
}

}  // namespace

// No try level is ever active in the program, so no filter or termination handler of
// the frame applies: a fault is only offered to the runtime library's signal handlers,
// and the search goes on to the system's default handling, which ends the process.
int FaultFrameHandler(void* exceptionRecord, void*, void* context, void*) {
  FaultExceptionRecord = exceptionRecord;
  FaultContext = context;
  if (!OfferToHandler(SIGSEGV)) OfferToHandler(SIGFPE);
  return kContinueSearch;
}
