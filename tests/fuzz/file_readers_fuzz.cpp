// Any file read with any sequence of the file library's readers. The input's first byte
// chooses how the file is opened, the next 15 are the readers to call (each: a reader in
// the low 3 bits, its argument in the high 5), and the rest is the file.
#include <cstdint>
#include <cstring>

#include "file/file.h"
#include "runtime/heap.h"
#include "runtime/memory.h"
#include "tests/fuzz/fuzz_support.h"

namespace {

constexpr std::size_t kProgram = 16;
constexpr std::int32_t kBlockSize = 256;

void CheckLine(const char* line) {
  std::size_t length = std::strlen(line);
  if (length >= kStringWorkAreaSize) fuzz::Fail("a line longer than the work area");
  if (length > 0 &&
      (line < WorkAreaEnd() - kStringWorkAreaSize || line + length >= WorkAreaEnd())) {
    fuzz::Fail("a line outside the work area");
  }
  if (std::memchr(line, '\n', length) || std::memchr(line, '\r', length)) {
    fuzz::Fail("a line holding its line end");
  }
}

void Call(std::uint8_t step, Address block) {
  std::int32_t argument = step >> 3;
  switch (step & 7) {
    case 0:
      if (FileReadByte() > 127) fuzz::Fail("a byte that is not sign-extended");
      break;
    case 1:
      FileReadWord();
      FileReadLong();
      break;
    case 2:
      FileReadFloat();
      break;
    case 3:
      CheckLine(FileReadLine());
      break;
    case 4: {
      std::int32_t count = argument * 8;  // within the block
      if (FileReadBlock(block, count) > count) fuzz::Fail("a block read past its count");
      break;
    }
    case 5:
      FileSeek(argument * 37 - 64);
      break;
    case 6: {
      DWORD position = FilePosition();
      if (position != INVALID_SET_FILE_POINTER && position >= FileLength() && FileAtEnd(1) == 0) {
        fuzz::Fail("at the end, but FileAtEnd says not");
      }
      break;
    }
    default:
      // Many lines, until the work area is full.
      for (int line = 0; line < argument * 64; ++line) CheckLine(FileReadLine());
      break;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < kProgram) return 0;
  fuzz::WriteProgramFile("data", data + kProgram, size - kProgram);
  fuzz::StartRuntime(false);
  switch (data[0] & 3) {
    case 0:
      FileOpen(1, "data");
      break;
    case 1:
      FileOpenRead(1, "data");
      break;
    case 2:
      FileOpenExclusive(1, "data");
      break;
    default:
      // No file open: every reader must cope with none.
      break;
  }
  Address block = MemoryAllocate(1, kBlockSize);
  if (block == 0) fuzz::Fail("no memory block");
  for (std::size_t i = 1; i < kProgram; ++i) Call(data[i], block);
  FileClose(1);
  fuzz::EndRuntime();
  return 0;
}
