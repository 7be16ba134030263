// Measures how many frames per second the native demonstration shows on the current
// display: the program runs as delivered, and every frame reads the tick count once, so
// counting the reads over real time counts the frames.
//   measure-fps [SECONDS] (needs DISPLAY; the picture Paris.pcx beside the executable)
#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "platform/posix/standin.h"
#include "startup/startup.h"

extern const char PictureName[] = "Paris.pcx";

namespace {

struct TimeUp {};

}  // namespace

int main(int argc, char** argv) {
  double seconds = argc > 1 ? std::atof(argv[1]) : 10.0;
  using Clock = std::chrono::steady_clock;
  Clock::time_point start = Clock::now();
  long reads = 0;
  long readsAtFirstFrame = -1;
  Clock::time_point firstFrame;
  standin::SetTickSource([&]() -> DWORD {
    Clock::time_point now = Clock::now();
    // Start-up reads the clock twice; the frames' reads follow.
    if (++reads == 3) {
      firstFrame = now;
      readsAtFirstFrame = reads;
    }
    if (readsAtFirstFrame > 0 && now - firstFrame > std::chrono::duration<double>(seconds)) {
      throw TimeUp{};
    }
    return static_cast<DWORD>(
        std::chrono::duration_cast<std::chrono::milliseconds>(now - start).count());
  });
  try {
    ProgramBody(GetModuleHandleA(nullptr), nullptr, nullptr, 1);
  } catch (const TimeUp&) {
    double elapsed = std::chrono::duration<double>(Clock::now() - firstFrame).count();
    std::printf("%.1f frames per second (%ld frames in %.2f s)\n",
                (reads - readsAtFirstFrame) / elapsed, reads - readsAtFirstFrame, elapsed);
    std::fflush(stdout);
    std::_Exit(0);
  }
  std::printf("the program ended before the time was up\n");
  return 1;
}
