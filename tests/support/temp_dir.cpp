// Scratch directories that tests make and remove.
#include "tests/support/temp_dir.h"

#include <atomic>
#include <cstring>
#include <fstream>
#include <iterator>

#include "runtime/runtime_state.h"

namespace {
std::atomic<int> counter{0};
}

TempDir::TempDir() {
  auto base = std::filesystem::temp_directory_path();
  for (;;) {
    auto candidate =
        base / ("bump-test-" + std::to_string(std::rand()) + "-" + std::to_string(counter++));
    if (std::filesystem::create_directory(candidate)) {
      path_ = candidate;
      break;
    }
  }
}

TempDir::~TempDir() {
  std::error_code ignored;
  // Windows keeps a process's current directory from being removed.
  std::filesystem::current_path(path_.parent_path(), ignored);
  // Read-only files left by a test must not keep the directory alive.
  for (auto& entry : std::filesystem::recursive_directory_iterator(path_, ignored)) {
    std::filesystem::permissions(entry.path(), std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ignored);
  }
  std::filesystem::remove_all(path_, ignored);
}

std::string TempDir::WindowsPath() const { return WindowsPath(""); }

std::string TempDir::WindowsPath(const std::string& name) const {
  std::string text = path_.string() + "/" + name;
  for (char& c : text) {
    if (c == '/') c = '\\';
  }
  return text;
}

void TempDir::Write(const std::string& name, const std::vector<std::uint8_t>& bytes) const {
  std::ofstream out(path_ / name, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
}

std::vector<std::uint8_t> TempDir::Read(const std::string& name) const {
  std::ifstream in(path_ / name, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

bool TempDir::Exists(const std::string& name) const {
  return std::filesystem::exists(path_ / name);
}

void UseAsProgramDirectory(const TempDir& directory) {
  std::string path = directory.WindowsPath();
  std::strncpy(ProgramDirectory, path.c_str(), kProgramDirectorySize - 1);
  ProgramDirectory[kProgramDirectorySize - 1] = '\0';
}

bool ReadOnlyIsEnforced(const std::string& windowsPath) {
  HANDLE file = CreateFileA(windowsPath.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return true;
  CloseHandle(file);
  return false;
}
