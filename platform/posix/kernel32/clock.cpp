// Tick count, performance counter and Sleep over the monotonic clock, each of which a
// test can replace with a script. In a browser, Sleep gives the thread back to it for the
// time (Asyncify), as a wait spun out on the clock would freeze a page's main thread and
// burn a worker's core.
#include <time.h>

#ifdef __EMSCRIPTEN__
#include <emscripten.h>
#endif

#include "platform/posix/standin.h"

namespace standin {
namespace {

std::function<DWORD()> tickSource;
std::function<BOOL(LARGE_INTEGER*)> counterSource;
std::function<BOOL(LARGE_INTEGER*)> frequencySource;
std::function<void(DWORD)> sleepHook;

// The performance counter ticks at 10 MHz, as it commonly does on Windows.
constexpr LONGLONG kCounterFrequency = 10'000'000;

// The clock that counts suspended time too, where the system has one (a browser has not).
timespec Now() {
  timespec now;
  if (clock_gettime(CLOCK_BOOTTIME, &now) != 0) clock_gettime(CLOCK_MONOTONIC, &now);
  return now;
}

}  // namespace

void SetTickSource(std::function<DWORD()> source) { tickSource = std::move(source); }

void SetPerformanceCounter(std::function<BOOL(LARGE_INTEGER*)> counter,
                           std::function<BOOL(LARGE_INTEGER*)> frequency) {
  counterSource = std::move(counter);
  frequencySource = std::move(frequency);
}

void SetSleepHook(std::function<void(DWORD)> hook) { sleepHook = std::move(hook); }

}  // namespace standin

using namespace standin;

DWORD GetTickCount() {
  if (tickSource) return tickSource();
  timespec now = Now();
  auto milliseconds = static_cast<unsigned long long>(now.tv_sec) * 1000u +
                      static_cast<unsigned long long>(now.tv_nsec) / 1'000'000u;
  return static_cast<DWORD>(milliseconds);  // wraps after 49.7 days, as on Windows
}

BOOL QueryPerformanceCounter(LARGE_INTEGER* count) {
  if (counterSource) return counterSource(count);
  timespec now = Now();
  count->QuadPart = static_cast<LONGLONG>(now.tv_sec) * kCounterFrequency +
                    now.tv_nsec / (1'000'000'000 / kCounterFrequency);
  return TRUE;
}

BOOL QueryPerformanceFrequency(LARGE_INTEGER* frequency) {
  if (frequencySource) return frequencySource(frequency);
  frequency->QuadPart = kCounterFrequency;
  return TRUE;
}

void Sleep(DWORD milliseconds) {
  if (sleepHook) {
    sleepHook(milliseconds);
    return;
  }
#ifdef __EMSCRIPTEN__
  emscripten_sleep(milliseconds);
#else
  timespec wait{static_cast<time_t>(milliseconds / 1000),
                static_cast<long>(milliseconds % 1000) * 1'000'000};
  while (nanosleep(&wait, &wait) != 0) {
  }
#endif
}
