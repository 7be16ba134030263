// sprite-garden: sprites over a lawn, one of them following the mouse.
//
// An 800 x 600 screen of 32 bits. Three sprites come from bitmap files beside the
// program: a flower of 8 bits, whose colours are its file's colour table (loaded as a
// palette), and a bee and a ladybird of 24 bits. The sprite at the mouse follows the
// buffered mouse events; the wheel changes which sprite it is, the left button drops a
// copy where it stands, the right button clears the dropped ones. Black is transparent,
// as the sprite library makes it. Any key ends the program.
//
// Each sprite is turned once into a memory block of screen pixels, so that a frame is
// only copies: the lawn's rows, then every sprite's visible pixels.
#include <cstdint>

#include "file/file.h"
#include "input/keyboard.h"
#include "input/mouse.h"
#include "palette/palette.h"
#include "runtime/memory.h"
#include "screen/drawing.h"
#include "screen/screen.h"
#include "sprite/sprite.h"
#include "startup/startup.h"

namespace {

constexpr std::int32_t kWidth = 800;
constexpr std::int32_t kHeight = 600;
constexpr std::int32_t kBytesPerPixel = 4;

// Memory block numbers: the lawn, then one per sprite.
constexpr std::int32_t kLawnBlock = 0;
constexpr std::int32_t kFirstSpriteBlock = 1;

struct Picture {
  const char* file;
  std::int32_t width = 0;
  std::int32_t height = 0;
  Address pixels = 0;  // width * height screen pixels, 0 where transparent
};

Picture Pictures[] = {{"flower.bmp"}, {"bee.bmp"}, {"ladybird.bmp"}};
constexpr std::int32_t kPictureCount = sizeof Pictures / sizeof Pictures[0];

struct Drop {
  std::int32_t picture, x, y;
};
constexpr std::int32_t kMostDrops = 256;
Drop Drops[kMostDrops];
std::int32_t DropCount = 0;
std::int32_t NextDrop = 0;  // the oldest is replaced once the garden is full

// An 8-bit bitmap: its pixels as a memory image, its colours through a palette.
bool Copy8Bit(std::int32_t number, const Picture& picture, Address indices) {
  if (!LoadPalette(number, picture.file)) return false;
  UsePalette(number);
  std::uint32_t colors[256];
  for (std::int32_t i = 0; i < 256; ++i) colors[i] = ScreenPixel(GetPaletteColor(i));
  colors[0] = 0;  // index 0 is the transparent one
  std::int32_t count = picture.width * picture.height;
  for (std::int32_t p = 0; p < count; ++p) {
    std::int32_t index = PeekByte(indices + static_cast<Address>(p)) & 0xFF;
    PokeLong(picture.pixels + static_cast<Address>(p * kBytesPerPixel),
             static_cast<std::int32_t>(colors[index]));
  }
  return true;
}

// A bitmap of 16 bits or more: a surface in the screen's format, read once with Lock.
bool CopyTrueColor(const Picture& picture, IDirectDrawSurface7* surface) {
  DDCOLORKEY key = {};
  surface->GetColorKey(DDCKEY_SRCBLT, &key);
  DDSURFACEDESC2 description = {};
  description.dwSize = sizeof description;
  if (surface->Lock(nullptr, &description, DDLOCK_WAIT, nullptr) != DD_OK) return false;
  Address rows = AddressOf(description.lpSurface);
  for (std::int32_t y = 0; y < picture.height; ++y) {
    for (std::int32_t x = 0; x < picture.width; ++x) {
      std::uint32_t pixel = static_cast<std::uint32_t>(
          PeekLong(rows + static_cast<Address>(y * description.lPitch + x * kBytesPerPixel)));
      pixel &= 0xFFFFFF;
      if (pixel == key.dwColorSpaceLowValue) pixel = 0;
      PokeLong(picture.pixels + static_cast<Address>((y * picture.width + x) * kBytesPerPixel),
               static_cast<std::int32_t>(pixel));
    }
  }
  surface->Unlock(nullptr);
  return true;
}

// A memory image takes only 8-bit bitmaps; the deeper ones load as surfaces.
bool LoadPicture(std::int32_t number) {
  Picture& picture = Pictures[number];
  Address indices = LoadSprite(number, picture.file, kSpriteMemoryImage);
  auto* surface =
      indices ? nullptr : reinterpret_cast<IDirectDrawSurface7*>(LoadSprite(number, picture.file));
  if (!indices && !surface) return false;
  picture.width = SpriteWidth(number);
  picture.height = SpriteHeight(number);
  if (picture.width > 256 || picture.height > 256) return false;
  picture.pixels =
      MemoryAllocate(kFirstSpriteBlock + number, picture.width * picture.height * kBytesPerPixel);
  if (!picture.pixels) return false;
  bool loaded = indices ? Copy8Bit(number, picture, indices) : CopyTrueColor(picture, surface);
  if (!loaded) picture.pixels = 0;
  return loaded;
}

// A lawn: stripes of mown grass, lighter towards the top.
Address DrawLawn() {
  Address lawn = MemoryAllocate(kLawnBlock, kWidth * kHeight * kBytesPerPixel);
  if (!lawn) return 0;
  for (std::int32_t y = 0; y < kHeight; ++y) {
    for (std::int32_t x = 0; x < kWidth; ++x) {
      std::int32_t stripe = ((x + y / 3) / 50) % 2;
      std::int32_t green = 150 - y / 8 + 18 * stripe;
      std::uint32_t color = MakeRGB(40 + stripe * 10 - y / 40, green, 30 + y / 30);
      PokeLong(lawn + static_cast<Address>((y * kWidth + x) * kBytesPerPixel),
               static_cast<std::int32_t>(ScreenPixel(color)));
    }
  }
  return lawn;
}

// The picture centred on (cx, cy), cut at the screen's edges; transparent pixels skipped.
void DrawPicture(const Picture& picture, std::int32_t cx, std::int32_t cy, Address buffer,
                 std::int32_t pitch) {
  if (!picture.pixels) return;
  std::int32_t left = cx - picture.width / 2;
  std::int32_t top = cy - picture.height / 2;
  for (std::int32_t y = 0; y < picture.height; ++y) {
    std::int32_t sy = top + y;
    if (sy < 0 || sy >= kHeight) continue;
    for (std::int32_t x = 0; x < picture.width; ++x) {
      std::int32_t sx = left + x;
      if (sx < 0 || sx >= kWidth) continue;
      std::int32_t pixel =
          PeekLong(picture.pixels + static_cast<Address>((y * picture.width + x) * kBytesPerPixel));
      if (pixel != 0)
        PokeLong(buffer + static_cast<Address>(sy * pitch + sx * kBytesPerPixel), pixel);
    }
  }
}

void DrawFrame(Address lawn, std::int32_t current) {
  BeginDrawing(ScreenTarget());
  Address buffer = DrawingBufferAddress();
  std::int32_t pitch = DrawingBufferPitch();
  if (buffer) {
    for (std::int32_t y = 0; y < kHeight; ++y) {
      MemoryCopy(lawn + static_cast<Address>(y * kWidth * kBytesPerPixel),
                 buffer + static_cast<Address>(y * pitch), kWidth * kBytesPerPixel);
    }
    for (std::int32_t i = 0; i < DropCount; ++i) {
      DrawPicture(Pictures[Drops[i].picture], Drops[i].x, Drops[i].y, buffer, pitch);
    }
    DrawPicture(Pictures[current], MousePositionX(), MousePositionY(), buffer, pitch);
  }
  EndDrawing();
}

}  // namespace

int ProgramBody(HINSTANCE instance, HINSTANCE, char*, int) {
  StartRuntime(instance);
  WorkBesideProgram();
  if (!OpenScreen(kWidth, kHeight, 32, "Sprite garden")) EndProgram();
  InitPalettes(kPictureCount);
  Address lawn = DrawLawn();
  if (!lawn) EndProgram();
  for (std::int32_t i = 0; i < kPictureCount; ++i) LoadPicture(i);

  std::int32_t current = 0;
  std::int32_t wasDown = 0;
  SetMousePosition(kWidth / 2, kHeight / 2);
  for (;;) {
    PollMouse();
    // The wheel turns through the pictures, both ways round.
    current = ((current + MouseWheelMotion()) % kPictureCount + kPictureCount) % kPictureCount;
    std::int32_t down = MouseButtonDown(1);
    if (down && !wasDown && Pictures[current].pixels) {
      Drops[NextDrop] = {current, MousePositionX(), MousePositionY()};
      NextDrop = (NextDrop + 1) % kMostDrops;
      if (DropCount < kMostDrops) ++DropCount;
    }
    wasDown = down;
    if (MouseButtonDown(2)) DropCount = NextDrop = 0;

    DrawFrame(lawn, current);
    FlipBuffers();
    PollKeyboard();
    if (KeyDown(kAnyKey)) break;
  }
  EndProgram();
}

int main() { ProcessEntry(); }
