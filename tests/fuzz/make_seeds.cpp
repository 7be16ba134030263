// Writes the fuzz targets' seed inputs: one directory per target under the directory
// given, each holding a few well-formed inputs and their usual damages.
//   make-fuzz-seeds DIRECTORY
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "tests/support/bitmaps.h"
#include "tools/pcx.h"

namespace {

std::filesystem::path root;

void Seed(const std::string& target, const std::string& name, const Bytes& bytes) {
  std::filesystem::create_directories(root / target);
  std::ofstream file(root / target / name, std::ios::binary | std::ios::trunc);
  file.write(reinterpret_cast<const char*>(bytes.data()),
             static_cast<std::streamsize>(bytes.size()));
}

Bytes Text(const std::string& text) { return Bytes(text.begin(), text.end()); }

Bytes Prefixed(std::uint8_t first, const Bytes& rest) {
  Bytes bytes{first};
  bytes.insert(bytes.end(), rest.begin(), rest.end());
  return bytes;
}

Bytes Truncated(Bytes bytes, std::size_t size) {
  bytes.resize(size);
  return bytes;
}

void PictureSeeds() {
  pcx::Image image = pcx::Grayscale(320, 200);
  for (int i = 0; i < 320 * 200; ++i)
    image.pixels[i] = static_cast<std::uint8_t>((i / 320 + i % 320) % 256);
  Bytes full = pcx::Encode(image);
  Seed("picture", "gradient.pcx", full);
  Seed("picture", "cut-in-half.pcx", Truncated(full, full.size() / 2));
  Bytes endsInRun = Truncated(full, 200);
  endsInRun.push_back(192);
  Seed("picture", "ends-with-192.pcx", endsInRun);
  Seed("picture", "header-only.pcx", Truncated(full, 128));
}

void SpriteSeeds() {
  // The selector byte: screen 0 (8 bits), 1 (16, 5-6-5), 2 (16, 5-5-5), 3 (32); kind in
  // bits 2 and 3.
  int n = 0;
  for (int bits : {8, 16, 24, 32}) {
    Bytes bitmap = BitmapFile(7, 5, bits, [](std::int32_t x, std::int32_t y) {
      return static_cast<std::uint32_t>(x * 37 + y * 101);
    });
    for (std::uint8_t selector : {0, 1, 2, 3, 4, 9, 14}) {
      if ((bits == 8) != ((selector & 3) == 0)) continue;
      std::string name = "bitmap-" + std::to_string(bits) + "-" + std::to_string(n++);
      Seed("sprite_file", name, Prefixed(selector, bitmap));
      Seed("sprite_memory", name, Prefixed(selector, bitmap));
    }
    Seed("sprite_file", "cut-" + std::to_string(bits), Prefixed(1, Truncated(bitmap, 60)));
  }
}

void PaletteSeeds() {
  Bytes bitmap = BitmapFile(2, 2, 8, [](std::int32_t x, std::int32_t) { return x; });
  Seed("palette", "grey.bmp", bitmap);
  Seed("palette", "short.bmp", Truncated(bitmap, 54 + 1023));
  Bytes deep = BitmapFile(2, 2, 24, [](std::int32_t x, std::int32_t) { return x; });
  Seed("palette", "not-8-bits.bmp", deep);
}

void ReaderSeeds() {
  // Opened read-write; bytes, words, a line, a block, a seek, the end, many lines.
  Bytes program{0, 0, 1, 3, 3, 4 | 8 << 3, 5 | 1 << 3, 2, 6, 7 | 3 << 3, 3, 0, 1, 2, 3, 6};
  Bytes lines = program;
  for (const char* line : {"first\r\n", "second\n", "third\r", "\n", "last"}) {
    Bytes text = Text(line);
    lines.insert(lines.end(), text.begin(), text.end());
  }
  Seed("file_readers", "lines", lines);
  Bytes binary = program;
  binary[0] = 1;
  for (int i = 0; i < 300; ++i) binary.push_back(static_cast<std::uint8_t>(i * 7));
  Seed("file_readers", "binary", binary);
  Bytes none = program;
  none[0] = 3;
  Seed("file_readers", "no-file", none);
}

void CommandLineSeeds() {
  Seed("command_line", "quoted", Text("\"C:\\Program Files\\bump\\bump-paris.exe\"  -window 2"));
  Seed("command_line", "plain", Text("bump-paris.exe\t-x  tail"));
  Seed("command_line", "unclosed", Text("\"bump-paris.exe -x"));
  Seed("command_line", "name-only", Text("bump-paris"));
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s DIRECTORY\n", argv[0]);
    return 2;
  }
  root = argv[1];
  PictureSeeds();
  SpriteSeeds();
  PaletteSeeds();
  ReaderSeeds();
  CommandLineSeeds();
  return 0;
}
