#include "demo/demo.h"
#include "file/file.h"
#include "runtime/heap.h"

namespace {

constexpr std::int32_t kHeaderBytes = 128;
constexpr std::int32_t kLastRow = kFrameHeight - 1;

}  // namespace

// Pixels fill rows of exactly 320 whatever the header says; picture column c lands in
// height-map column c + 1, so column 0 stays 0. The loop ends with the byte or run that
// first reaches row 199. Past the end of the file every read repeats the last byte; when
// that byte is 192, an empty run of 192s, nothing more can ever be stored, so the loop
// stops there at the end of the file.
void LoadHeightMap(const char* fileName) {
  char* name = nullptr;
  NewString(&name, fileName);
  FileOpen(0, name ? name : fileName);
  FileSeek(kHeaderBytes);

  std::int32_t column = 0;
  std::int32_t row = 0;
  auto store = [&](std::int32_t value) {
    if (column > kFrameWidth - 1) {
      column = 0;
      ++row;
    }
    ++column;
    *HeightCell(column, row) = static_cast<std::int16_t>(value);
  };

  for (;;) {
    std::int32_t byte = FileReadByte();
    if (byte < 0) byte += 256;
    if (byte < 192) {
      store(byte);
    } else {
      std::int32_t count = byte - 192;
      std::int32_t value = FileReadByte();
      if (value < 0) value += 256;
      for (std::int32_t n = 0; n < count; ++n) store(value);
      if (count == 0 && value == 192 && FileAtEnd(0)) break;
    }
    if (row == kLastRow) break;
  }

  FileClose(0);
  FreeString(name);
}
