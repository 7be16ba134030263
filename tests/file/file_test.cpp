// The file library on the platform's files: opening, reading and writing each kind of
// value, the current file, and failures.
#include "file/file.h"

#include <cstdio>
#include <cstring>

#include "file/file_state.h"
#include "runtime/heap.h"
#include "runtime/memory.h"
#include "runtime/runtime_state.h"
#include "startup/startup.h"
#include "tests/support/runtime_fixture.h"
#include "tests/support/temp_dir.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

class FileLibraryTest : public RuntimeTest {
 protected:
  void SetUp() override {
    RuntimeTest::SetUp();
    UseAsProgramDirectory(dir);
  }
  void TearDown() override {
    for (std::uint32_t n = 0; n < FileTableCapacity; ++n) FileClose(n);
    RuntimeTest::TearDown();
  }
  // Puts a known byte into the transfer buffer, as a read of it would.
  void PrimeTransferBuffer(std::uint8_t byte) {
    dir.Write("prime", {byte});
    FileOpenRead(9, "prime");
    FileReadByte();
    FileClose(9);
  }
  TempDir dir;
};

TEST_F(FileLibraryTest, OpenCreatesMissingFileButOpenReadDoesNot) {
  EXPECT_EQ(FileOpenRead(1, "absent.dat"), nullptr);
  EXPECT_EQ(CurrentFile, nullptr);
  EXPECT_EQ(FileTable[1], nullptr);
  EXPECT_FALSE(dir.Exists("absent.dat"));
  HANDLE file = FileOpen(0, "absent.dat");
  EXPECT_NE(file, nullptr);
  EXPECT_EQ(CurrentFile, file);
  EXPECT_TRUE(dir.Exists("absent.dat"));
  EXPECT_EQ(FileLength(), 0u);
}

TEST_F(FileLibraryTest, RelativeNamesResolveAgainstTheProgramDirectory) {
  TempDir elsewhere;
  SetCurrentDirectoryA(elsewhere.WindowsPath().c_str());
  ASSERT_NE(FileCreate(0, "made.dat"), nullptr);
  FileClose(0);
  EXPECT_TRUE(dir.Exists("made.dat"));
  EXPECT_FALSE(elsewhere.Exists("made.dat"));
}

// What opens names from the current directory (the sprite and palette loaders, the C
// library) finds the program's files once it works beside the program.
TEST_F(FileLibraryTest, WorkingBesideTheProgramMakesItsFolderCurrent) {
  dir.Write("beside.dat", {42});
  TempDir elsewhere;
  SetCurrentDirectoryA(elsewhere.WindowsPath().c_str());
  ASSERT_EQ(OpenStream("beside.dat", "rb"), nullptr);
  EXPECT_NE(WorkBesideProgram(), 0);
  std::FILE* beside = OpenStream("beside.dat", "rb");
  ASSERT_NE(beside, nullptr);
  EXPECT_EQ(std::fgetc(beside), 42);
  std::fclose(beside);
}

TEST_F(FileLibraryTest, SeekThenReadSignExtends) {
  Bytes bytes(200, 0);
  bytes[128] = 200;
  bytes[129] = 0x34;
  bytes[130] = 0x12;
  bytes[131] = 0xFF;
  bytes[132] = 0xFF;
  dir.Write("picture", bytes);
  ASSERT_NE(FileOpen(0, "picture"), nullptr);
  EXPECT_EQ(FilePosition(), 0u);  // not moved to the end
  EXPECT_EQ(FileSeek(128), 128u);
  EXPECT_EQ(FileReadByte(), -56);
  EXPECT_EQ(FileReadWord(), 4660);
  EXPECT_EQ(FileReadWord(), -1);
  EXPECT_EQ(FilePosition(), 133u);
  EXPECT_EQ(FileLength(), 200u);
}

TEST_F(FileLibraryTest, ReadsPastTheEndRepeatTheTransferBuffer) {
  PrimeTransferBuffer(0);
  dir.Write("empty", {});
  ASSERT_NE(FileOpenRead(0, "empty"), nullptr);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(FileReadByte(), 0);
  dir.Write("seven", {1, 2, 7});
  ASSERT_NE(FileOpenRead(1, "seven"), nullptr);
  FileSeek(2);
  for (int i = 0; i < 4; ++i) EXPECT_EQ(FileReadByte(), 7);
  // A short word read keeps the buffer's second byte.
  dir.Write("short", {0x11, 0x22, 0x33});
  ASSERT_NE(FileOpenRead(2, "short"), nullptr);
  EXPECT_EQ(FileReadWord(), 0x2211);
  EXPECT_EQ(FileReadWord(), 0x2233);
}

TEST_F(FileLibraryTest, AStartUpForgetsWhatTheLastRunTransferred) {
  PrimeTransferBuffer(0x5A);
  StopRuntime();
  StartRuntimeCore(GetModuleHandleA(nullptr));
  UseAsProgramDirectory(dir);
  dir.Write("empty", {});
  ASSERT_NE(FileOpenRead(0, "empty"), nullptr);
  EXPECT_EQ(FileReadByte(), 0);
  EXPECT_EQ(FileReadLong(), 0);
}

TEST_F(FileLibraryTest, LongsAndFloatsRoundTrip) {
  ASSERT_NE(FileCreate(0, "numbers"), nullptr);
  EXPECT_TRUE(FileWriteLong(-123456789));
  EXPECT_TRUE(FileWriteFloat(0.1));
  EXPECT_TRUE(FileWriteWord(0x12345));
  EXPECT_TRUE(FileWriteByte(0x1FF));
  FileClose(0);
  Bytes bytes = dir.Read("numbers");
  ASSERT_EQ(bytes.size(), 11u);
  EXPECT_EQ(bytes[0], 0xEB);  // -123456789 = 0xF8A432EB, low byte first
  EXPECT_EQ(bytes[3], 0xF8);
  EXPECT_EQ(bytes[8], 0x45);  // the word keeps its low 16 bits, 0x2345
  EXPECT_EQ(bytes[9], 0x23);
  EXPECT_EQ(bytes[10], 0xFF);
  ASSERT_NE(FileOpenRead(0, "numbers"), nullptr);
  EXPECT_EQ(FileReadLong(), -123456789);
  EXPECT_EQ(FileReadFloat(), static_cast<double>(0.1f));
}

TEST_F(FileLibraryTest, AtEndProbesWithoutMoving) {
  dir.Write("empty", {});
  FileOpenRead(0, "empty");
  EXPECT_EQ(FileAtEnd(0), -1);
  dir.Write("two", {5, 9});
  FileOpenRead(1, "two");
  FileSeek(1);
  EXPECT_EQ(FileAtEnd(1), 0);
  EXPECT_EQ(FilePosition(), 1u);
  EXPECT_EQ(FileReadByte(), 9);
  EXPECT_EQ(FileAtEnd(1), -1);
  EXPECT_EQ(FileAtEnd(7), -1);     // not open
  EXPECT_EQ(FileAtEnd(5000), -1);  // beyond the table
  FileCreate(2, "writeonly");
  EXPECT_EQ(FileAtEnd(2), -1);
}

TEST_F(FileLibraryTest, ReadLineHandlesEveryLineEnd) {
  dir.Write("lines", {'a', 'b', 13, 10, 'c', 'd', 10, 'e'});
  FileOpenRead(0, "lines");
  EXPECT_STREQ(FileReadLine(), "ab");
  EXPECT_STREQ(FileReadLine(), "cd");
  EXPECT_STREQ(FileReadLine(), "e");
  EXPECT_STREQ(FileReadLine(), "");
  EXPECT_EQ(FileAtEnd(0), -1);
  dir.Write("cr", {'a', 'b', 13, 'c', 'd'});
  FileOpenRead(1, "cr");
  EXPECT_STREQ(FileReadLine(), "ab");
  EXPECT_STREQ(FileReadLine(), "d");
}

TEST_F(FileLibraryTest, ReadLineBuildsInTheWorkArea) {
  dir.Write("lines", {'x', 10, 'y', 'z', 10});
  FileOpenRead(0, "lines");
  char* first = FileReadLine();
  EXPECT_EQ(first, AtAddress<char>(StringWorkArea));
  char* second = FileReadLine();
  EXPECT_EQ(second, first + 1);
  EXPECT_EQ(WorkPointer(), second + 2);
  char* kept = nullptr;
  StoreWorkString(&kept, second);
  EXPECT_STREQ(kept, "yz");
  EXPECT_EQ(WorkPointer(), second);
}

TEST_F(FileLibraryTest, LineLongerThanTheWorkAreaIsCutAndSkipped) {
  Bytes bytes(70000, 'q');
  bytes.push_back(10);
  bytes.push_back('n');
  dir.Write("long", bytes);
  FileOpenRead(0, "long");
  char* line = FileReadLine();
  EXPECT_EQ(std::strlen(line), kStringWorkAreaSize - 1);
  EXPECT_EQ(WorkPointer(), WorkAreaEnd() - 1);
  EXPECT_EQ(FileReadByte(), 'n');
}

TEST_F(FileLibraryTest, WritesTextsAndLines) {
  FileCreate(0, "out");
  EXPECT_TRUE(FileWriteLine("xy"));
  EXPECT_TRUE(FileWriteLine(nullptr));
  EXPECT_TRUE(FileWriteText("xy"));
  EXPECT_FALSE(FileWriteText(nullptr));
  FileClose(0);
  EXPECT_EQ(dir.Read("out"), (Bytes{'x', 'y', 13, 10, 13, 10, 'x', 'y'}));
}

TEST_F(FileLibraryTest, BlocksMoveRawBytes) {
  Address block = MemoryAllocate(0, 8);
  for (int i = 0; i < 8; ++i) PokeByte(block + i, 10 + i);
  FileCreate(0, "block");
  EXPECT_EQ(FileWriteBlock(block, 8), 8);
  EXPECT_EQ(FileWriteBlock(block, -1), 0);
  FileClose(0);
  Address back = MemoryAllocate(1, 16);
  FileOpenRead(0, "block");
  EXPECT_EQ(FileReadBlock(back, 16), 8);
  EXPECT_EQ(PeekByte(back + 7), 17);
  EXPECT_EQ(FileReadBlock(back, 4), 0);
  EXPECT_EQ(FileReadBlock(back, -4), 0);
}

TEST_F(FileLibraryTest, TableGrowsToNumberPlusTen) {
  EXPECT_EQ(FileTableCapacity, 10u);
  HANDLE file = FileOpen(25, "grown");
  ASSERT_NE(file, nullptr);
  EXPECT_EQ(FileTableCapacity, 35u);
  for (std::uint32_t n = 0; n < 35; ++n) EXPECT_EQ(FileTable[n], n == 25 ? file : nullptr) << n;
}

TEST_F(FileLibraryTest, SecondOpenUnderANumberLeavesTheFirstOpen) {
  dir.Write("a", {'A'});
  dir.Write("b", {'B'});
  HANDLE first = FileOpenRead(0, "a");
  HANDLE second = FileOpenRead(0, "b");
  ASSERT_NE(first, nullptr);
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(FileTable[0], second);
  EXPECT_EQ(CurrentFile, second);
  EXPECT_EQ(FileReadByte(), 'B');
  char byte = 0;
  DWORD count = 0;
  EXPECT_TRUE(ReadFile(first, &byte, 1, &count, nullptr));
  EXPECT_EQ(byte, 'A');
  CloseHandle(first);
}

TEST_F(FileLibraryTest, ClosedNumberIsForgotten) {
  dir.Write("data", {1, 2, 3});
  FileOpenRead(3, "data");
  EXPECT_TRUE(FileClose(3));
  EXPECT_EQ(FileTable[3], nullptr);
  EXPECT_EQ(CurrentFile, nullptr);
  EXPECT_FALSE(FileClose(3));
  EXPECT_EQ(FileSelect(3), nullptr);
  EXPECT_EQ(FileAtEnd(3), -1);
  EXPECT_EQ(FileSeek(0), INVALID_SET_FILE_POINTER);
  EXPECT_EQ(FileLength(), INVALID_FILE_SIZE);
  EXPECT_STREQ(FileReadLine(), "");
  EXPECT_FALSE(FileWriteByte(1));
  EXPECT_EQ(FileReadBlock(MemoryAllocate(0, 4), 4), 0);
}

TEST_F(FileLibraryTest, SelectSwitchesTheCurrentFile) {
  dir.Write("a", {'A'});
  dir.Write("b", {'B'});
  HANDLE a = FileOpenRead(0, "a");
  FileOpenRead(1, "b");
  EXPECT_EQ(FileSelect(0), a);
  EXPECT_EQ(FileReadByte(), 'A');
  EXPECT_EQ(FileSelect(77), nullptr);
  EXPECT_EQ(CurrentFile, nullptr);
}

TEST_F(FileLibraryTest, SharingBetweenTheOpeners) {
  dir.Write("shared", {1});
  ASSERT_NE(FileOpenExclusive(0, "shared"), nullptr);
  EXPECT_EQ(FileOpenRead(1, "shared"), nullptr);
  FileClose(0);
  ASSERT_NE(FileOpenRead(1, "shared"), nullptr);
  // Readers share reading only: a second writer is refused, a second reader is not.
  EXPECT_EQ(FileOpen(2, "shared"), nullptr);
  EXPECT_NE(FileOpenRead(3, "shared"), nullptr);
  EXPECT_EQ(FileOpenExclusive(4, "shared"), nullptr);
  EXPECT_EQ(FileOpenExclusive(5, "missing"), nullptr);
  FileClose(1);
  FileClose(3);

  // The writing openers share reading: while they hold the file, another program may read
  // it (sharing writing in turn), but not write it.
  for (auto opener : {FileOpen, FileCreate}) {
    ASSERT_NE(opener(6, "shared"), nullptr);
    std::string path = dir.WindowsPath("shared");
    HANDLE reader = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    EXPECT_NE(reader, INVALID_HANDLE_VALUE);
    if (reader != INVALID_HANDLE_VALUE) CloseHandle(reader);
    HANDLE writer = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    EXPECT_EQ(writer, INVALID_HANDLE_VALUE);
    if (writer != INVALID_HANDLE_VALUE) CloseHandle(writer);
    FileClose(6);
  }
}

// A created file is for writing only: reading what was just written gets nothing and
// leaves the position where it was.
TEST_F(FileLibraryTest, CreateTruncatesAndOnlyWrites) {
  dir.Write("old", {1, 2, 3, 4});
  ASSERT_NE(FileCreate(0, "old"), nullptr);
  EXPECT_EQ(FileLength(), 0u);
  FileWriteByte(7);
  FileWriteByte(9);  // a read that fails leaves this last byte transferred
  FileSeek(0);
  EXPECT_EQ(FileReadByte(), 9);
  EXPECT_EQ(FilePosition(), 0u);
}

}  // namespace
