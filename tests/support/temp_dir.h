// A fresh directory for one test's files, removed afterwards, with its path in both the
// host's form and the Windows form that the libraries speak.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::filesystem::path& path() const { return path_; }
  // The directory with a trailing backslash, as the program directory holds it.
  std::string WindowsPath() const;
  // A file name inside the directory in Windows form.
  std::string WindowsPath(const std::string& name) const;

  void Write(const std::string& name, const std::vector<std::uint8_t>& bytes) const;
  std::vector<std::uint8_t> Read(const std::string& name) const;
  bool Exists(const std::string& name) const;

 private:
  std::filesystem::path path_;
};

// Whether a file without write permission refuses to be opened for writing, as Windows
// and the stand-in refuse it; Wine run as root lets it be written.
bool ReadOnlyIsEnforced(const std::string& windowsPath);

// Makes the directory the program's directory, where the file openers look.
void UseAsProgramDirectory(const TempDir& directory);
