// Numbered sequential files, opened relative to the program's directory: bytes, integers,
// floats, texts, lines and blocks, little-endian, through the Windows file calls.
#include "file/file.h"

#include <cstring>

#include "file/file_state.h"
#include "runtime/heap.h"
#include "runtime/runtime_state.h"

HANDLE* FileTable = nullptr;
std::uint32_t FileTableCapacity = 0;
HANDLE CurrentFile = nullptr;

namespace {

std::uint8_t transferBuffer[4] = {0, 0, 0, 0};
DWORD transferCount = 0;

constexpr std::uint32_t kInitialCapacity = 10;
constexpr std::uint32_t kGrowth = 10;

// Makes room for the number; on failure the table stays as it was.
bool MakeRoomFor(std::uint32_t number) {
  if (number < FileTableCapacity) return true;
  std::uint64_t capacity = std::uint64_t{number} + kGrowth;
  void* table = ResizeTable(FileTable, capacity, sizeof(HANDLE));
  if (!table) return false;
  FileTable = static_cast<HANDLE*>(table);
  FileTableCapacity = static_cast<std::uint32_t>(capacity);
  return true;
}

HANDLE Open(std::uint32_t number, const char* name, DWORD access, DWORD share, DWORD disposition) {
  if (!MakeRoomFor(number)) {
    CurrentFile = nullptr;
    return nullptr;
  }
  WorkBesideProgram();
  HANDLE file =
      CreateFileA(name, access, share, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) file = nullptr;
  FileTable[number] = file;
  CurrentFile = file;
  return file;
}

HANDLE Entry(std::uint32_t number) {
  return number < FileTableCapacity ? FileTable[number] : nullptr;
}

void Read(DWORD bytes) { ReadFile(CurrentFile, transferBuffer, bytes, &transferCount, nullptr); }

BOOL Write(DWORD bytes) {
  return WriteFile(CurrentFile, transferBuffer, bytes, &transferCount, nullptr);
}

void PutLittleEndian(std::uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) transferBuffer[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

std::uint32_t TakeLittleEndian(int bytes) {
  std::uint32_t value = 0;
  for (int i = bytes - 1; i >= 0; --i) value = value << 8 | transferBuffer[i];
  return value;
}

}  // namespace

void InitFileLibrary() {
  FileTable = static_cast<HANDLE*>(
      HeapAlloc(RuntimeHeap, HEAP_ZERO_MEMORY, kInitialCapacity * sizeof(HANDLE)));
  FileTableCapacity = FileTable ? kInitialCapacity : 0;
  CurrentFile = nullptr;
  // A read that transfers nothing yields the last byte transferred since this start-up.
  std::memset(transferBuffer, 0, sizeof transferBuffer);
  transferCount = 0;
}

void EndFileLibrary() {}

HANDLE FileCreate(std::uint32_t number, const char* name) {
  return Open(number, name, GENERIC_WRITE, FILE_SHARE_READ, CREATE_ALWAYS);
}

HANDLE FileOpen(std::uint32_t number, const char* name) {
  return Open(number, name, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, OPEN_ALWAYS);
}

HANDLE FileOpenExclusive(std::uint32_t number, const char* name) {
  return Open(number, name, GENERIC_READ | GENERIC_WRITE, 0, OPEN_EXISTING);
}

HANDLE FileOpenRead(std::uint32_t number, const char* name) {
  return Open(number, name, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING);
}

BOOL WorkBesideProgram() { return SetCurrentDirectoryA(ProgramDirectory); }

HANDLE FileSelect(std::uint32_t number) {
  CurrentFile = Entry(number);
  return CurrentFile;
}

// The entry and the current file forget the handle, so it never reaches the platform
// again once released.
BOOL FileClose(std::uint32_t number) {
  HANDLE file = Entry(number);
  if (!file) return FALSE;
  FileTable[number] = nullptr;
  if (CurrentFile == file) CurrentFile = nullptr;
  return CloseHandle(file);
}

std::int32_t FileAtEnd(std::uint32_t number) {
  HANDLE file = Entry(number);
  if (!file) return -1;
  if (!ReadFile(file, transferBuffer, 1, &transferCount, nullptr) || transferCount == 0) {
    return -1;
  }
  SetFilePointer(file, -1, nullptr, FILE_CURRENT);
  return 0;
}

DWORD FileSeek(std::int32_t offset) {
  return SetFilePointer(CurrentFile, offset, nullptr, FILE_BEGIN);
}
DWORD FilePosition() { return SetFilePointer(CurrentFile, 0, nullptr, FILE_CURRENT); }
DWORD FileLength() { return GetFileSize(CurrentFile, nullptr); }

std::int32_t FileReadByte() {
  Read(1);
  return static_cast<std::int8_t>(transferBuffer[0]);
}

std::int32_t FileReadWord() {
  Read(2);
  return static_cast<std::int16_t>(TakeLittleEndian(2));
}

std::int32_t FileReadLong() {
  Read(4);
  return static_cast<std::int32_t>(TakeLittleEndian(4));
}

double FileReadFloat() {
  Read(4);
  std::uint32_t bits = TakeLittleEndian(4);
  float value;
  std::memcpy(&value, &bits, sizeof value);
  return value;
}

// A line ends at line feed, at carriage return (which takes the next byte with it), at a
// zero byte or where the file yields nothing. A line longer than the room left in the
// work area is cut there; the rest of it is still read past.
char* FileReadLine() {
  static char empty[1] = {'\0'};
  char* start = WorkPointer();
  char* write = start;
  char* last = start ? WorkAreaEnd() - 1 : nullptr;
  for (;;) {
    transferBuffer[0] = 0;
    Read(1);
    std::uint8_t byte = transferBuffer[0];
    if (byte == 0 || byte == 10) break;
    if (byte == 13) {
      Read(1);
      break;
    }
    if (write < last) *write++ = static_cast<char>(byte);
  }
  if (!start) return empty;
  *write = '\0';
  SetWorkPointer(write);
  return start;
}

std::int32_t FileReadBlock(Address destination, std::int32_t count) {
  transferCount = 0;
  if (count <= 0) return 0;
  ReadFile(CurrentFile, AtAddress<void>(destination), static_cast<DWORD>(count), &transferCount,
           nullptr);
  return static_cast<std::int32_t>(transferCount);
}

BOOL FileWriteByte(std::int32_t value) {
  PutLittleEndian(static_cast<std::uint32_t>(value), 1);
  return Write(1);
}

BOOL FileWriteWord(std::int32_t value) {
  PutLittleEndian(static_cast<std::uint32_t>(value), 2);
  return Write(2);
}

BOOL FileWriteLong(std::int32_t value) {
  PutLittleEndian(static_cast<std::uint32_t>(value), 4);
  return Write(4);
}

BOOL FileWriteFloat(double value) {
  float single = static_cast<float>(value);
  std::uint32_t bits;
  std::memcpy(&bits, &single, sizeof bits);
  PutLittleEndian(bits, 4);
  return Write(4);
}

BOOL FileWriteText(const char* text) {
  if (!text) return FALSE;
  return WriteFile(CurrentFile, text, static_cast<DWORD>(std::strlen(text)), &transferCount,
                   nullptr);
}

BOOL FileWriteLine(const char* text) {
  if (text) FileWriteText(text);
  transferBuffer[0] = 13;
  transferBuffer[1] = 10;
  return Write(2);
}

std::int32_t FileWriteBlock(Address source, std::int32_t count) {
  transferCount = 0;
  if (count <= 0) return 0;
  WriteFile(CurrentFile, AtAddress<const void>(source), static_cast<DWORD>(count), &transferCount,
            nullptr);
  return static_cast<std::int32_t>(transferCount);
}
