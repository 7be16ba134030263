// Loading sprites: an image file or an image in memory, examined, given a slot's storage
// and converted into it. Bitmaps are read in place; other formats go through the
// registered decoders into a temporary 24-bit block.
#include <cstdlib>
#include <cstring>

#include "runtime/little_endian.h"
#include "runtime/runtime_state.h"
#include "screen/screen.h"
#include "screen/screen_state.h"
#include "sprite/decoders.h"
#include "sprite/sprite.h"
#include "sprite_table/sprite_table.h"

namespace {

constexpr std::size_t kBitmapFieldsEnd = 34;  // past biCompression, the last field read
// The slot keeps sizes in 16-bit fields: a larger side would be recorded wrongly, and
// everything that places or clips the sprite would go wrong with it.
constexpr std::int32_t kLargestSide = 32767;
constexpr std::uint64_t kLargestBlock = 0x7FFFFFFF;
constexpr std::int32_t kDecodedDepth = 24;

// The pixels of an examined image, in rows `stride` bytes apart.
struct SourceImage {
  const BYTE* pixels = nullptr;
  std::int32_t width = 0;
  std::int32_t height = 0;
  std::int32_t depth = 0;
  std::size_t stride = 0;
  bool bottomUp = false;
  // A decoding's block, released once the pixels are converted.
  HGLOBAL block = nullptr;

  const BYTE* Row(std::int32_t y) const {
    std::int32_t stored = bottomUp ? height - 1 - y : y;
    return pixels + static_cast<std::size_t>(stored) * stride;
  }
};

bool SideFits(std::int64_t side) { return side >= 1 && side <= kLargestSide; }

// A bitmap whose fields describe pixels inside the file: only the pixels are read, not the
// padding after the last row, and they may begin anywhere, inside the headers too. An
// image in memory comes without its size: its fields must at least agree with each
// other, whole rows after whole headers within what one block can hold.
bool ExamineBitmap(const BYTE* image, std::size_t size, SourceImage* source) {
  if (size != kUnknownImageSize && size < kBitmapFieldsEnd) return false;
  if (Read32(image + 30) != 0) return false;
  std::uint64_t offset = Read32(image + 10);
  auto width = static_cast<std::int32_t>(Read32(image + 18));
  auto height = static_cast<std::int32_t>(Read32(image + 22));
  auto bits = static_cast<std::int32_t>(Read16(image + 28));
  if (bits != 8 && bits != 16 && bits != 24 && bits != 32) return false;
  if (!SideFits(width) || !SideFits(height)) return false;
  std::uint64_t rowBytes = std::uint64_t{static_cast<std::uint32_t>(width)} * (bits / 8);
  std::uint64_t stride = (rowBytes + 3) & ~std::uint64_t{3};
  std::uint64_t lastRow = offset + stride * static_cast<std::uint32_t>(height - 1);
  if (size == kUnknownImageSize) {
    if (offset < kBitmapFieldsEnd || lastRow + stride > kLargestBlock) return false;
  } else if (lastRow + rowBytes > size) {
    return false;
  }
  source->pixels = image + offset;
  source->width = width;
  source->height = height;
  source->depth = bits;
  source->stride = static_cast<std::size_t>(stride);
  source->bottomUp = true;
  return true;
}

// Another format, decoded by the first decoder that accepts it.
bool DecodeWithRegisteredDecoder(const void* image, SourceImage* source) {
  if (!FindImageDecoder(nullptr, image)) return false;
  std::int32_t width = DecoderImageWidth();
  std::int32_t height = DecoderImageHeight();
  if (!SideFits(width) || !SideFits(height)) return false;
  std::int32_t stride = 3 * width + width % 4;
  std::uint64_t bytes =
      std::uint64_t{static_cast<std::uint32_t>(stride)} * (static_cast<std::uint32_t>(height) + 1);
  if (bytes > kLargestBlock) return false;
  source->block = GlobalAlloc(GMEM_FIXED, static_cast<SIZE_T>(bytes));
  if (!source->block) return false;
  DecodeImage(source->block, stride, 0);
  source->pixels = static_cast<const BYTE*>(source->block);
  source->width = width;
  source->height = height;
  source->depth = kDecodedDepth;
  source->stride = static_cast<std::size_t>(stride);
  return true;
}

bool ExamineImage(const void* image, std::size_t size, SourceImage* source) {
  if (!image || size == 0) return false;
  const auto* bytes = static_cast<const BYTE*>(image);
  if (size >= 2 && bytes[0] == 'B' && bytes[1] == 'M') return ExamineBitmap(bytes, size, source);
  return DecodeWithRegisteredDecoder(image, source);
}

void CopyIntoMemoryImage(BYTE* block, const SourceImage& source) {
  for (std::int32_t y = 0; y < source.height; ++y) {
    std::memcpy(block + static_cast<std::size_t>(y) * source.width, source.Row(y),
                static_cast<std::size_t>(source.width));
  }
}

struct Rgb {
  std::uint32_t red, green, blue, extra;
};

// A 16-bit 5-5-5 pixel's channels take the top bits of 8-bit channels.
Rgb ReadRgb(const BYTE* row, std::int32_t x, std::int32_t depth) {
  switch (depth) {
    case 16: {
      std::uint32_t value = Read16(row + 2 * x);
      return {((value >> 10) & 31) << 3, ((value >> 5) & 31) << 3, (value & 31) << 3, 0};
    }
    case 24:
      return {row[3 * x + 2], row[3 * x + 1], row[3 * x], 0};
    default:
      return {row[4 * x + 2], row[4 * x + 1], row[4 * x], row[4 * x + 3]};
  }
}

void Write16(BYTE* p, std::uint32_t value) {
  p[0] = static_cast<BYTE>(value);
  p[1] = static_cast<BYTE>(value >> 8);
}

void ConvertRow(BYTE* to, const BYTE* from, const SourceImage& source, std::int32_t screenDepth,
                std::int32_t code) {
  for (std::int32_t x = 0; x < source.width; ++x) {
    if (screenDepth == 8) {
      to[x] = from[x];
      continue;
    }
    if (screenDepth == 16 && code == kPixel555 && source.depth == 16) {
      Write16(to + 2 * x, Read16(from + 2 * x));
      continue;
    }
    Rgb c = ReadRgb(from, x, source.depth);
    if (screenDepth == 16) {
      Write16(to + 2 * x, ScreenPixel(c.red | c.green << 8 | c.blue << 16));
      continue;
    }
    BYTE* pixel = to + (screenDepth / 8) * x;
    pixel[0] = static_cast<BYTE>(c.blue);
    pixel[1] = static_cast<BYTE>(c.green);
    pixel[2] = static_cast<BYTE>(c.red);
    if (screenDepth == 32) pixel[3] = static_cast<BYTE>(c.extra);
  }
}

// False when the screen's depth is none that sprites are converted to, or the image's
// depth does not go with it (8-bit images only on 8-bit screens).
bool ConvertPixels(const DDSURFACEDESC2& locked, const SourceImage& source) {
  std::int32_t screenDepth = ScreenState.depth;
  if (screenDepth != 8 && screenDepth != 16 && screenDepth != 24 && screenDepth != 32) {
    return false;
  }
  if ((screenDepth == 8) != (source.depth == 8)) return false;
  auto* surface = static_cast<BYTE*>(locked.lpSurface);
  for (std::int32_t y = 0; y < source.height; ++y) {
    ConvertRow(surface + static_cast<std::ptrdiff_t>(y) * locked.lPitch, source.Row(y), source,
               screenDepth, PixelFormatCode());
  }
  return true;
}

IDirectDrawSurface7* ConvertIntoSurface(IDirectDrawSurface7* surface, const SourceImage& source) {
  DDSURFACEDESC2& locked = ScreenState.spriteDescription;
  std::memset(&locked, 0, sizeof locked);
  locked.dwSize = sizeof locked;
  if (surface->Lock(nullptr, &locked, DDLOCK_WAIT, nullptr) != DD_OK) return nullptr;
  bool converted = ConvertPixels(locked, source);
  surface->Unlock(nullptr);
  surface->SetColorKey(DDCKEY_SRCBLT, &ScreenState.transparentColor);
  return converted ? surface : nullptr;
}

char* CopyName(const char* name) {
  if (!name) name = "";
  std::size_t length = std::strlen(name) + 1;
  auto* copy = static_cast<char*>(std::malloc(length));
  if (copy) std::memcpy(copy, name, length);
  return copy;
}

DWORD SurfaceCaps(std::int32_t kind) {
  switch (kind) {
    case kSpriteSystemMemory:
      return DDSCAPS_OFFSCREENPLAIN | DDSCAPS_SYSTEMMEMORY;
    case kSpriteTexture:
      return DDSCAPS_TEXTURE;
    default:
      return DDSCAPS_OFFSCREENPLAIN;
  }
}

}  // namespace

Address CreateSpriteSurface(SpriteSlot* slot, std::int32_t width, std::int32_t height,
                            std::int32_t depth, std::int32_t kind) {
  *slot = {};
  slot->width = slot->drawingWidth = static_cast<std::int16_t>(width);
  slot->height = slot->drawingHeight = static_cast<std::int16_t>(height);
  slot->depth = static_cast<std::int16_t>(depth);
  slot->kind = static_cast<std::int16_t>(kind);
  if (!SideFits(width) || !SideFits(height)) return 0;
  if (kind == kSpriteMemoryImage) {
    if (depth != 0 && depth != 8) return 0;
    void* block = HeapAlloc(RuntimeHeap, 0, static_cast<SIZE_T>(width) * height);
    if (!block) return 0;
    slot->storage = block;
    slot->depth = kMemoryImageDepth;
    return AddressOf(block);
  }
  // A closed screen has no depth, whatever the last one had.
  std::int32_t screenDepth = ScreenState.primary ? ScreenState.depth : 0;
  if (screenDepth == 0 || !ScreenState.directDraw) return 0;
  if (depth != 0 && depth != screenDepth && !(depth >= 16 && screenDepth >= 16)) return 0;
  DDSURFACEDESC2 description;
  std::memset(&description, 0, sizeof description);
  description.dwSize = sizeof description;
  description.dwFlags = DDSD_CAPS | DDSD_HEIGHT | DDSD_WIDTH;
  description.dwHeight = static_cast<DWORD>(height);
  description.dwWidth = static_cast<DWORD>(width);
  description.ddsCaps.dwCaps = SurfaceCaps(kind);
  IDirectDrawSurface7* surface = nullptr;
  if (ScreenState.directDraw->CreateSurface(&description, &surface, nullptr) != DD_OK) return 0;
  slot->storage = surface;
  return AddressOf(surface);
}

Address StoreSpriteImage(std::int32_t sprite, const void* image, std::int32_t kind,
                         const char* name, std::size_t imageSize) {
  if (sprite < 0) return 0;
  GrowSpriteTable(sprite);
  if (sprite >= SpriteTableCapacity) return 0;
  // The name may be the slot's own, which emptying the slot releases.
  char* nameCopy = CopyName(name);
  FreeSprite(sprite);
  if (!nameCopy) return 0;
  SourceImage source;
  if (!ExamineImage(image, imageSize, &source)) {
    std::free(nameCopy);
    return 0;
  }
  SpriteSlot& slot = SpriteTable[sprite];
  if (!CreateSpriteSurface(&slot, source.width, source.height, source.depth, kind)) {
    std::free(nameCopy);
    if (source.block) GlobalFree(source.block);
    return 0;
  }
  slot.fileName = nameCopy;
  void* result = slot.storage;
  if (slot.depth == kMemoryImageDepth) {
    CopyIntoMemoryImage(static_cast<BYTE*>(slot.storage), source);
  } else {
    result = ConvertIntoSurface(static_cast<IDirectDrawSurface7*>(slot.storage), source);
  }
  if (source.block) GlobalFree(source.block);
  return AddressOf(result);
}

Address LoadSpriteFromMemory(std::int32_t sprite, const void* image, std::int32_t kind) {
  return StoreSpriteImage(sprite, image, kind, "");
}

Address LoadSprite(std::int32_t sprite, const char* fileName, std::int32_t kind) {
  if (!fileName) return 0;
  HANDLE file = CreateFileA(fileName, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return 0;
  DWORD size = GetFileSize(file, nullptr);
  HGLOBAL block = size == INVALID_FILE_SIZE ? nullptr : GlobalAlloc(GMEM_FIXED, size);
  if (!block) {
    CloseHandle(file);
    return 0;
  }
  // A file that gives fewer bytes than it claimed is only as long as what was read.
  DWORD read = 0;
  if (!ReadFile(file, block, size, &read, nullptr)) read = 0;
  Address result = StoreSpriteImage(sprite, block, kind, fileName, read);
  GlobalFree(block);
  CloseHandle(file);
  return result;
}

namespace {

const SpriteSlot* Slot(std::int32_t sprite) {
  if (!SpriteTable || sprite < 0 || sprite >= SpriteTableCapacity) return nullptr;
  return SpriteTable[sprite].storage ? &SpriteTable[sprite] : nullptr;
}

}  // namespace

std::int32_t SpriteWidth(std::int32_t sprite) {
  const SpriteSlot* slot = Slot(sprite);
  return slot ? slot->width : 0;
}

std::int32_t SpriteHeight(std::int32_t sprite) {
  const SpriteSlot* slot = Slot(sprite);
  return slot ? slot->height : 0;
}

void ReloadSprites() {
  for (std::int32_t sprite = 0; sprite < SpriteTableCapacity; ++sprite) {
    const SpriteSlot& slot = SpriteTable[sprite];
    if (HoldsSurface(slot) && slot.kind == kSpriteOffScreen) LoadSprite(sprite, slot.fileName);
  }
}
