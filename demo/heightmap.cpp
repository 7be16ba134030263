// The picture loader: the run-length-encoded 8-bit pixels of a PCX file become the height
// map. Limits: no field of the header is read; rows are 320 pixels whatever it says.
#include "demo/demo.h"
#include "file/file.h"
#include "runtime/heap.h"

namespace {

constexpr std::int32_t kHeaderBytes = 128;
constexpr std::int32_t kLastRow = kFrameHeight - 1;
constexpr std::int32_t kBlockBytes = 4096;

// The picture's bytes as FileReadByte would give them one at a time, but read a block at
// a time: a system call per byte made loading the slowest part of the start. Past the end
// of the file every byte is the last one transferred, the file's own last byte or, when
// the file gave none, what the file library's transfer buffer held before.
class PictureBytes {
 public:
  std::int32_t Next() {
    if (next_ == size_ && !ended_) Fill();
    if (next_ < size_) {
      last_ = block_[next_++];
      ++consumed_;
      return last_;
    }
    if (consumed_ == 0) {
      // A read at the end transfers nothing and yields the buffer's byte.
      std::int32_t before = FileReadByte();
      last_ = static_cast<std::uint8_t>(before);
    }
    return last_;
  }
  bool AtEnd() {
    if (next_ == size_ && !ended_) Fill();
    return next_ == size_;
  }
  // Leaves the transfer buffer as reading byte by byte would have: holding the last byte
  // the file gave.
  void Settle() {
    if (consumed_ == 0) return;
    FileSeek(kHeaderBytes + consumed_ - 1);
    FileReadByte();
  }

 private:
  void Fill() {
    size_ = FileReadBlock(AddressOf(block_), kBlockBytes);
    next_ = 0;
    if (size_ <= 0) {
      size_ = 0;
      ended_ = true;
    }
  }
  std::uint8_t block_[kBlockBytes];
  std::int32_t size_ = 0;
  std::int32_t next_ = 0;
  bool ended_ = false;
  std::int32_t consumed_ = 0;
  std::uint8_t last_ = 0;
};

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

  PictureBytes bytes;
  for (;;) {
    std::int32_t byte = bytes.Next();
    if (byte < 192) {
      store(byte);
    } else {
      std::int32_t count = byte - 192;
      std::int32_t value = bytes.Next();
      for (std::int32_t n = 0; n < count; ++n) store(value);
      if (count == 0 && value == 192 && bytes.AtEnd()) break;
    }
    if (row == kLastRow) break;
  }
  bytes.Settle();

  FileClose(0);
  FreeString(name);
}
