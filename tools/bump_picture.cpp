// bump-picture IMAGE PICTURE.pcx: makes the demonstration's picture from a PNG, JPEG, GIF or
// BMP image (tools/height_picture.h says how). The picture is written whole or not at all:
// into a file beside it, which then takes its name. Exit code 0 when written, 1 when the
// image or the picture could not be read or written (said on standard error), 2 for a
// wrong command line.
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>
#include <system_error>
#include <vector>

#include "tools/height_picture.h"

namespace {

int Fail(const std::string& name, const std::string& why) {
  std::cerr << "bump-picture: " << name << ": " << why << '\n';
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::cerr << "usage: bump-picture IMAGE PICTURE.pcx\n"
                 "Makes a 320 x 200 picture for bump-paris, bump-morph and bump-morphose from a\n"
                 "PNG, JPEG, GIF or BMP image: the image fitted to the picture's shape, its\n"
                 "brightness as the heights.\n";
    return 2;
  }
  const std::string imageName = argv[1];
  const std::filesystem::path pictureName = argv[2];

  std::ifstream image(imageName, std::ios::binary);
  if (!image) return Fail(imageName, std::strerror(errno));
  image.seekg(0, std::ios::end);
  const std::streamoff size = image.tellg();
  image.seekg(0);
  if (size < 0) return Fail(imageName, "cannot be read");
  if (static_cast<std::uintmax_t>(size) > height_picture::kMaxFileBytes) {
    return Fail(imageName, "the file is larger than 50 MB");
  }
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size));
  image.read(reinterpret_cast<char*>(bytes.data()), size);
  if (!image) return Fail(imageName, "cannot be read");

  const height_picture::Made made = height_picture::FromImageFile(bytes);
  if (made.pcx.empty()) return Fail(imageName, made.error);

  std::filesystem::path partial = pictureName;
  partial += ".part";
  {
    std::ofstream out(partial, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(made.pcx.data()),
              static_cast<std::streamsize>(made.pcx.size()));
    out.close();
    if (!out) {
      std::error_code ignored;
      std::filesystem::remove(partial, ignored);
      return Fail(pictureName.string(), "cannot be written");
    }
  }
  std::error_code error;
  std::filesystem::rename(partial, pictureName, error);
  if (error) {
    std::error_code ignored;
    std::filesystem::remove(partial, ignored);
    return Fail(pictureName.string(), error.message());
  }
  return 0;
}
