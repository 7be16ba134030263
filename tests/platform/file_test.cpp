// File behaviour the file library relies on: dispositions, access, sharing between the
// handles of the process, positions and failure values. The same tests run on the
// stand-in and on Windows.
#include <gtest/gtest.h>

#include <filesystem>

#include "platform/win32.h"
#include "tests/support/temp_dir.h"

namespace {

bool UnderWine() {
  HMODULE ntdll = GetModuleHandleA("ntdll.dll");
  return ntdll && GetProcAddress(ntdll, "wine_get_version");
}

class PlatformFileTest : public ::testing::Test {
 protected:
  HANDLE Open(const std::string& name, DWORD access, DWORD share, DWORD disposition) {
    HANDLE file = CreateFileA(dir.WindowsPath(name).c_str(), access, share, nullptr, disposition,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) opened.push_back(file);
    return file;
  }
  void TearDown() override {
    for (HANDLE file : opened) CloseHandle(file);
  }
  TempDir dir;
  std::vector<HANDLE> opened;
};

TEST_F(PlatformFileTest, Dispositions) {
  EXPECT_EQ(Open("none", GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  EXPECT_FALSE(dir.Exists("none"));
  EXPECT_NE(Open("made", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, OPEN_ALWAYS),
            INVALID_HANDLE_VALUE);
  EXPECT_TRUE(dir.Exists("made"));
  dir.Write("full", {1, 2, 3});
  HANDLE file = Open("full", GENERIC_WRITE, FILE_SHARE_READ, CREATE_ALWAYS);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetFileSize(file, nullptr), 0u);
  dir.Write("kept", {1, 2, 3});
  file = Open("kept", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, OPEN_ALWAYS);
  EXPECT_EQ(GetFileSize(file, nullptr), 3u);
  EXPECT_EQ(SetFilePointer(file, 0, nullptr, FILE_CURRENT), 0u);
}

TEST_F(PlatformFileTest, MissingDirectoryIsAPathError) {
  EXPECT_EQ(Open("no-such-dir\\file", GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING),
            INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
  EXPECT_EQ(CreateFileA("", GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                        FILE_ATTRIBUTE_NORMAL, nullptr),
            INVALID_HANDLE_VALUE);
}

TEST_F(PlatformFileTest, DirectoryIsNoFile) {
  std::filesystem::create_directory(dir.path() / "sub");
  EXPECT_EQ(Open("sub", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, OPEN_ALWAYS),
            INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
}

TEST_F(PlatformFileTest, ReadingAtTheEndTransfersNothingAndKeepsTheBuffer) {
  dir.Write("one", {42});
  HANDLE file = Open("one", GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING);
  unsigned char buffer[4] = {9, 9, 9, 9};
  DWORD count = 77;
  EXPECT_TRUE(ReadFile(file, buffer, 4, &count, nullptr));
  EXPECT_EQ(count, 1u);
  EXPECT_EQ(buffer[0], 42);
  EXPECT_EQ(buffer[1], 9);
  buffer[0] = 5;
  EXPECT_TRUE(ReadFile(file, buffer, 1, &count, nullptr));
  EXPECT_EQ(count, 0u);
  EXPECT_EQ(buffer[0], 5);
}

TEST_F(PlatformFileTest, AccessIsChecked) {
  dir.Write("data", {1, 2});
  HANDLE reader = Open("data", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING);
  DWORD count = 5;
  char byte = 0;
  EXPECT_FALSE(WriteFile(reader, "x", 1, &count, nullptr));
  EXPECT_EQ(count, 0u);
  HANDLE writer = Open("data", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING);
  count = 5;
  EXPECT_FALSE(ReadFile(writer, &byte, 1, &count, nullptr));
  EXPECT_EQ(count, 0u);
  count = 5;
  EXPECT_FALSE(ReadFile(nullptr, &byte, 1, &count, nullptr));
  EXPECT_EQ(count, 0u);
}

TEST_F(PlatformFileTest, SharingIsEnforcedBetweenHandlesOfTheProcess) {
  dir.Write("shared", {1});
  HANDLE exclusive = Open("shared", GENERIC_READ | GENERIC_WRITE, 0, OPEN_EXISTING);
  ASSERT_NE(exclusive, INVALID_HANDLE_VALUE);
  EXPECT_EQ(Open("shared", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING),
            INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
  CloseHandle(exclusive);
  opened.clear();
  HANDLE reader = Open("shared", GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING);
  ASSERT_NE(reader, INVALID_HANDLE_VALUE);
  EXPECT_NE(Open("shared", GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING), INVALID_HANDLE_VALUE);
  // The first handle does not share writing; a handle that does not share the first
  // one's reading is refused as well.
  EXPECT_EQ(Open("shared", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, OPEN_EXISTING),
            INVALID_HANDLE_VALUE);
  EXPECT_EQ(Open("shared", GENERIC_READ, FILE_SHARE_WRITE, OPEN_EXISTING), INVALID_HANDLE_VALUE);
  // Truncation is refused too, and leaves the file as it was.
  EXPECT_EQ(Open("shared", GENERIC_WRITE, FILE_SHARE_READ, CREATE_ALWAYS), INVALID_HANDLE_VALUE);
  EXPECT_EQ(dir.Read("shared").size(), 1u);
}

// Wine run as root does not enforce the read-only attribute: only there is the test
// skipped, and only when the file really can be written.
TEST_F(PlatformFileTest, ReadOnlyAttributeRefusesWriting) {
  dir.Write("locked", {1, 2, 3});
  std::filesystem::permissions(dir.path() / "locked", std::filesystem::perms::owner_read |
                                                          std::filesystem::perms::group_read |
                                                          std::filesystem::perms::others_read);
  if (UnderWine() && !ReadOnlyIsEnforced(dir.WindowsPath("locked"))) {
    GTEST_SKIP() << "a file without write permission can still be opened for writing here";
  }
  EXPECT_EQ(Open("locked", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, OPEN_ALWAYS),
            INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
  EXPECT_EQ(Open("locked", GENERIC_WRITE, FILE_SHARE_READ, CREATE_ALWAYS), INVALID_HANDLE_VALUE);
  EXPECT_EQ(dir.Read("locked").size(), 3u);
  EXPECT_NE(Open("locked", GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING), INVALID_HANDLE_VALUE);
}

TEST_F(PlatformFileTest, PositionsAndTheirFailureValues) {
  dir.Write("ten", std::vector<std::uint8_t>(10, 1));
  HANDLE file = Open("ten", GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING);
  EXPECT_EQ(SetFilePointer(file, 4, nullptr, FILE_BEGIN), 4u);
  EXPECT_EQ(SetFilePointer(file, -1, nullptr, FILE_CURRENT), 3u);
  EXPECT_EQ(SetFilePointer(file, -2, nullptr, FILE_END), 8u);
  EXPECT_EQ(SetFilePointer(file, 100, nullptr, FILE_BEGIN), 100u);  // past the end is allowed
  EXPECT_EQ(SetFilePointer(file, -5, nullptr, FILE_BEGIN), INVALID_SET_FILE_POINTER);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NEGATIVE_SEEK));
  EXPECT_EQ(SetFilePointer(file, 0, nullptr, FILE_CURRENT), 100u);  // the failure moved nothing
  EXPECT_EQ(SetFilePointer(nullptr, 0, nullptr, FILE_BEGIN), INVALID_SET_FILE_POINTER);
  EXPECT_EQ(GetFileSize(nullptr, nullptr), INVALID_FILE_SIZE);
  EXPECT_EQ(GetFileSize(file, nullptr), 10u);
}

TEST_F(PlatformFileTest, CurrentDirectoryResolvesRelativeNames) {
  ASSERT_TRUE(SetCurrentDirectoryA(dir.WindowsPath().c_str()));
  HANDLE file = CreateFileA("relative", GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  CloseHandle(file);
  EXPECT_TRUE(dir.Exists("relative"));
  EXPECT_FALSE(SetCurrentDirectoryA(dir.WindowsPath("missing").c_str()));
  std::filesystem::current_path(std::filesystem::temp_directory_path());
}

}  // namespace
