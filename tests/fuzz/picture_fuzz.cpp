// Any bytes as the picture: the height map is decoded through the file library, ends,
// and holds only pixel values.
#include <cstdint>

#include "demo/demo.h"
#include "tests/fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::WriteProgramFile("picture.pcx", data, size);
  fuzz::StartRuntime(false, &Demo, sizeof Demo);
  if (!DimensionDemoArrays()) fuzz::Fail("no height map");
  LoadHeightMap("picture.pcx");
  for (std::int32_t row = 0; row < kFrameHeight; ++row) {
    if (*HeightCell(0, row) != 0) fuzz::Fail("column 0 was written");
    for (std::int32_t column = 1; column <= kFrameWidth; ++column) {
      std::int16_t height = *HeightCell(column, row);
      if (height < 0 || height > 255) fuzz::Fail("a height that is no pixel value");
    }
  }
  fuzz::EndRuntime();
  return 0;
}
