// Checks a screenshot of the running demonstration (raw 800 x 600 RGB) against frames
// that our own shading code computes for the same picture: black outside the frame and
// on its one-pixel border, every colour on the black-to-orange ramp, and the frame equal
// to the shading for one of the schedule's fixed relief factors and a light angle that
// is a multiple of 5.
//   check-screenshot SCREENSHOT.rgb PICTURE.pcx [HIGHEST-ANGLE]
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "demo/demo.h"
#include "runtime/heap.h"
#include "runtime/memory.h"
#include "runtime/runtime_state.h"
#include "startup/startup.h"

namespace {

constexpr int kScreenWidth = 800;
constexpr int kScreenHeight = 600;

int Fail(const std::string& why) {
  std::printf("FAIL: %s\n", why.c_str());
  return 1;
}

// The Windows form of a host path, as the file library takes it.
std::string WindowsForm(std::string path) {
  for (char& c : path) {
    if (c == '/') c = '\\';
  }
  return path;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) return Fail("usage: check-screenshot SCREENSHOT.rgb PICTURE.pcx [HIGHEST-ANGLE]");
  int highestAngle = argc > 3 ? std::atoi(argv[3]) : 36000;

  std::ifstream in(argv[1], std::ios::binary);
  std::vector<unsigned char> rgb((std::istreambuf_iterator<char>(in)),
                                 std::istreambuf_iterator<char>());
  if (rgb.size() != kScreenWidth * kScreenHeight * 3) {
    return Fail("screenshot is " + std::to_string(rgb.size()) + " bytes, not 800 x 600 RGB");
  }

  // Every pixel must be a ramp colour (i, i / 2, i / 4); its index is its red value.
  std::vector<int> index(kScreenWidth * kScreenHeight);
  for (int p = 0; p < kScreenWidth * kScreenHeight; ++p) {
    int r = rgb[3 * p], g = rgb[3 * p + 1], b = rgb[3 * p + 2];
    if (g != r / 2 || b != r / 4) {
      return Fail("pixel (" + std::to_string(p % kScreenWidth) + ", " +
                  std::to_string(p / kScreenWidth) + ") is (" + std::to_string(r) + ", " +
                  std::to_string(g) + ", " + std::to_string(b) + "), not on the ramp");
    }
    index[p] = r;
  }
  auto at = [&](int x, int y) { return index[y * kScreenWidth + x]; };
  for (int y = 0; y < kScreenHeight; ++y) {
    for (int x = 0; x < kScreenWidth; ++x) {
      bool inside = x > kFrameLeft && x < kFrameLeft + kFrameWidth - 1 && y > kFrameTop &&
                    y < kFrameTop + kFrameHeight - 1;
      if (!inside && at(x, y) != 0) {
        return Fail("pixel (" + std::to_string(x) + ", " + std::to_string(y) +
                    ") outside the shaded area is not black");
      }
    }
  }

  // The picture through the same loader and shading as the program.
  std::string picture = WindowsForm(argv[2]);
  std::size_t slash = picture.find_last_of('\\');
  StartRuntimeCore(GetModuleHandleA(nullptr), &Demo, sizeof Demo);
  std::string directory = slash == std::string::npos ? "" : picture.substr(0, slash + 1);
  std::strncpy(ProgramDirectory, directory.c_str(), kProgramDirectorySize - 1);
  DimensionDemoArrays();
  LoadHeightMap(picture.substr(slash == std::string::npos ? 0 : slash + 1).c_str());
  Demo.FrameBuffer = MemoryAllocate(0, kFrameBytes);
  BuildLightMap();

  std::set<std::tuple<float, int, int>> tried;
  // The screenshot is taken some ten seconds in: the likeliest factors come first.
  for (float relief : {1.0f, 0.5f, 3.0f, 2.0f}) {
    for (int angle = 0; angle <= highestAngle; angle += 5) {
      int lightX = LightXAt(angle);
      int lightY = LightYAt(angle);
      if (!tried.insert({relief, lightX, lightY}).second) continue;
      Demo.ReliefFactor = relief;
      Demo.LightX = lightX;
      Demo.LightY = lightY;
      ShadeFrame();
      bool same = true;
      for (int y = 0; y < kFrameHeight && same; ++y) {
        for (int x = 0; x < kFrameWidth; ++x) {
          if (PeekByte(Demo.FrameBuffer + y * kFrameWidth + x) !=
              static_cast<std::int8_t>(at(kFrameLeft + x, kFrameTop + y))) {
            same = false;
            break;
          }
        }
      }
      if (same) {
        std::printf("ok: frame matches relief %.1f, light angle %d at (%d, %d)\n", relief, angle,
                    lightX, lightY);
        return 0;
      }
    }
  }
  return Fail("the frame matches no shading of the picture for angles up to " +
              std::to_string(highestAngle));
}
