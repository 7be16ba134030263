// GDI32: brushes, pens and device contexts, and Rectangle drawing into pixel buffers.
//
// A device context either draws into a pixel buffer (a DirectDraw surface's, through its
// GetDC) or belongs to a window, which has no pixels of its own here: drawing there
// succeeds and shows nothing. Every device context starts with the stock white brush and
// black pen, as on Windows. Colours become pixels as the buffer stores them: on 8 bits
// the nearest entry of the buffer's palette (the first of equally near ones), or of the
// twenty static colours of the default palette without one; on 16, 24 and 32 bits each
// channel keeps its high bits in the place of its mask.
//
// A pen or brush deleted while selected stays usable by that device context and is
// freed when deselected. Handles are never reused, so a stale one is refused.
//
// Limits: solid and null pens only; a pen wider than one pixel draws a band of that
// width around the outline, starting (width - 1) / 2 pixels outside it.
#include <algorithm>
#include <bit>
#include <cstring>
#include <map>
#include <memory>

#include "platform/posix/gdi32/gdi_internal.h"
#include "platform/win32.h"

namespace standin {
namespace {

struct GdiObject {
  virtual ~GdiObject() = default;
};

// A pen or a brush.
struct DrawingObject : GdiObject {
  bool stock = false;
  int selections = 0;  // device contexts that hold it
  bool deleted = false;
};

struct Brush final : DrawingObject {
  bool hollow = false;
  COLORREF color = 0;
};

struct Pen final : DrawingObject {
  int style = PS_SOLID;
  int width = 0;
  COLORREF color = 0;
};

struct DeviceContext final : GdiObject {
  bool drawsIntoBuffer = false;
  HWND window = nullptr;
  PixelBuffer buffer;
  HGDIOBJ pen = nullptr;
  HGDIOBJ brush = nullptr;
  UINT textAlign = TA_NOUPDATECP;
  COLORREF textColor = RGB(0, 0, 0);
};

constexpr int kStockObjects = NULL_PEN + 1;

struct Objects {
  using ByHandle = std::map<std::uintptr_t, std::unique_ptr<GdiObject>>;
  ByHandle byHandle;
  // The entry of the last buffer's device context given back, kept for the next one: a
  // surface lends its pixels every frame, and that allocates nothing.
  ByHandle::node_type spareBufferDC;
  std::uintptr_t next = 0x00A00010;
  HGDIOBJ stock[kStockObjects] = {};
};

HGDIOBJ Add(Objects& objects, std::unique_ptr<GdiObject> object) {
  std::uintptr_t handle = objects.next;
  objects.next += 4;
  objects.byHandle[handle] = std::move(object);
  return reinterpret_cast<HGDIOBJ>(handle);
}

std::unique_ptr<Brush> MakeBrush(COLORREF color, bool hollow) {
  auto brush = std::make_unique<Brush>();
  brush->color = color;
  brush->hollow = hollow;
  return brush;
}

std::unique_ptr<Pen> MakePen(int style, int width, COLORREF color) {
  auto pen = std::make_unique<Pen>();
  pen->style = style;
  pen->width = width;
  pen->color = color;
  return pen;
}

Objects& State() {
  static Objects objects = [] {
    Objects made;
    std::unique_ptr<DrawingObject> stock[kStockObjects] = {
        MakeBrush(RGB(255, 255, 255), false),     MakeBrush(RGB(192, 192, 192), false),
        MakeBrush(RGB(128, 128, 128), false),     MakeBrush(RGB(64, 64, 64), false),
        MakeBrush(RGB(0, 0, 0), false),           MakeBrush(RGB(0, 0, 0), true),
        MakePen(PS_SOLID, 0, RGB(255, 255, 255)), MakePen(PS_SOLID, 0, RGB(0, 0, 0)),
        MakePen(PS_NULL, 0, RGB(0, 0, 0)),
    };
    for (int i = 0; i < kStockObjects; ++i) {
      stock[i]->stock = true;
      made.stock[i] = Add(made, std::move(stock[i]));
    }
    return made;
  }();
  return objects;
}

template <class T>
T* Find(const void* handle) {
  auto& byHandle = State().byHandle;
  auto found = byHandle.find(reinterpret_cast<std::uintptr_t>(handle));
  T* object = found == byHandle.end() ? nullptr : dynamic_cast<T*>(found->second.get());
  if (!object) SetLastError(ERROR_INVALID_HANDLE);
  return object;
}

void Erase(const void* handle) { State().byHandle.erase(reinterpret_cast<std::uintptr_t>(handle)); }

void Deselect(HGDIOBJ handle) {
  auto* object = Find<DrawingObject>(handle);
  if (!object) return;
  --object->selections;
  if (object->deleted && object->selections == 0) Erase(handle);
}

HDC AddDC(std::unique_ptr<DeviceContext> context) {
  context->pen = State().stock[BLACK_PEN];
  context->brush = State().stock[WHITE_BRUSH];
  return reinterpret_cast<HDC>(Add(State(), std::move(context)));
}

void FreeDC(HDC dc, DeviceContext* context) {
  Deselect(context->pen);
  Deselect(context->brush);
  Erase(dc);
}

bool IsStaticEntry(int index) { return index < 10 || index >= 246; }

BYTE NearestIndex(const PixelBuffer& buffer, BYTE red, BYTE green, BYTE blue) {
  const Palette256& palette = buffer.palette ? *buffer.palette : DefaultSystemPalette();
  int best = 0;
  long bestDistance = -1;
  for (int i = 0; i < 256; ++i) {
    if (!buffer.palette && !IsStaticEntry(i)) continue;
    long dr = long{palette[i].peRed} - red;
    long dg = long{palette[i].peGreen} - green;
    long db = long{palette[i].peBlue} - blue;
    long distance = dr * dr + dg * dg + db * db;
    if (bestDistance < 0 || distance < bestDistance) {
      best = i;
      bestDistance = distance;
    }
  }
  return static_cast<BYTE>(best);
}

std::uint32_t ChannelBits(BYTE value, DWORD mask) {
  if (mask == 0) return 0;
  int bits = std::popcount(mask);
  std::uint32_t kept = bits >= 8 ? std::uint32_t{value} << (bits - 8) : value >> (8 - bits);
  return (kept << std::countr_zero(mask)) & mask;
}

// A colour reference of the form 0x01000000 | index names an entry of the palette.
constexpr COLORREF kPaletteIndexFlag = 0x01000000;

std::uint32_t PixelValue(const PixelBuffer& buffer, COLORREF color) {
  if ((color >> 24) == (kPaletteIndexFlag >> 24)) {
    BYTE index = static_cast<BYTE>(color);
    if (buffer.format.bitsPerPixel == 8) return index;
    const PALETTEENTRY& entry = DefaultSystemPalette()[index];
    color = RGB(entry.peRed, entry.peGreen, entry.peBlue);
  }
  BYTE red = static_cast<BYTE>(color);
  BYTE green = static_cast<BYTE>(color >> 8);
  BYTE blue = static_cast<BYTE>(color >> 16);
  if (buffer.format.bitsPerPixel == 8) return NearestIndex(buffer, red, green, blue);
  return ChannelBits(red, buffer.format.redMask) | ChannelBits(green, buffer.format.greenMask) |
         ChannelBits(blue, buffer.format.blueMask);
}

// Fills the pixels from (left, top) up to but not including (right, bottom), as far as
// they lie inside the buffer.
void Fill(const PixelBuffer& buffer, long left, long top, long right, long bottom,
          std::uint32_t value) {
  left = std::max(left, 0L);
  top = std::max(top, 0L);
  right = std::min(right, static_cast<long>(buffer.width));
  bottom = std::min(bottom, static_cast<long>(buffer.height));
  DWORD bytes = buffer.format.bitsPerPixel / 8;
  for (long y = top; y < bottom; ++y) {
    BYTE* row = buffer.pixels + static_cast<std::ptrdiff_t>(buffer.pitch) * y;
    if (bytes == 1) {
      if (right > left)
        std::memset(row + left, static_cast<BYTE>(value), static_cast<std::size_t>(right - left));
      continue;
    }
    for (long x = left; x < right; ++x) {
      BYTE* pixel = row + x * static_cast<long>(bytes);
      for (DWORD i = 0; i < bytes; ++i) pixel[i] = static_cast<BYTE>(value >> (8 * i));
    }
  }
}

}  // namespace

const Palette256& DefaultSystemPalette() {
  static const Palette256 palette = [] {
    Palette256 entries{};
    const BYTE low[10][3] = {{0, 0, 0},       {128, 0, 0},    {0, 128, 0},   {128, 128, 0},
                             {0, 0, 128},     {128, 0, 128},  {0, 128, 128}, {192, 192, 192},
                             {192, 220, 192}, {166, 202, 240}};
    const BYTE high[10][3] = {{255, 251, 240}, {160, 160, 164}, {128, 128, 128}, {255, 0, 0},
                              {0, 255, 0},     {255, 255, 0},   {0, 0, 255},     {255, 0, 255},
                              {0, 255, 255},   {255, 255, 255}};
    for (int i = 0; i < 10; ++i) {
      entries[i] = {low[i][0], low[i][1], low[i][2], 0};
      entries[246 + i] = {high[i][0], high[i][1], high[i][2], 0};
    }
    return entries;
  }();
  return palette;
}

HDC CreateBufferDC(const PixelBuffer& buffer) {
  Objects& state = State();
  DeviceContext fresh;
  fresh.drawsIntoBuffer = true;
  fresh.buffer = buffer;
  if (!state.spareBufferDC) return AddDC(std::make_unique<DeviceContext>(fresh));
  fresh.pen = state.stock[BLACK_PEN];
  fresh.brush = state.stock[WHITE_BRUSH];
  *static_cast<DeviceContext*>(state.spareBufferDC.mapped().get()) = fresh;
  state.spareBufferDC.key() = state.next;
  state.next += 4;
  return reinterpret_cast<HDC>(
      state.byHandle.insert(std::move(state.spareBufferDC)).position->first);
}

void DestroyBufferDC(HDC dc) {
  auto* context = Find<DeviceContext>(dc);
  if (!context || !context->drawsIntoBuffer) return;
  Objects& state = State();
  if (state.spareBufferDC) {
    FreeDC(dc, context);
    return;
  }
  Deselect(context->pen);
  Deselect(context->brush);
  state.spareBufferDC = state.byHandle.extract(reinterpret_cast<std::uintptr_t>(dc));
}

HDC CreateWindowDC(HWND window) {
  auto context = std::make_unique<DeviceContext>();
  context->window = window;
  return AddDC(std::move(context));
}

bool DestroyWindowDC(HWND window, HDC dc) {
  auto* context = Find<DeviceContext>(dc);
  if (!context || context->drawsIntoBuffer || context->window != window) return false;
  FreeDC(dc, context);
  return true;
}

}  // namespace standin

using namespace standin;

HGDIOBJ GetStockObject(int object) {
  if (object < 0 || object >= kStockObjects) return nullptr;
  return State().stock[object];
}

HBRUSH CreateSolidBrush(COLORREF color) { return Add(State(), MakeBrush(color, false)); }

HPEN CreatePen(int style, int width, COLORREF color) {
  if (style != PS_SOLID && style != PS_NULL) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  return Add(State(), MakePen(style, std::max(width, 0), color));
}

HGDIOBJ SelectObject(HDC dc, HGDIOBJ object) {
  auto* context = Find<DeviceContext>(dc);
  auto* drawing = Find<DrawingObject>(object);
  if (!context || !drawing || drawing->deleted) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  HGDIOBJ& slot = dynamic_cast<Pen*>(drawing) ? context->pen : context->brush;
  HGDIOBJ previous = slot;
  if (previous == object) return previous;
  ++drawing->selections;
  slot = object;
  Deselect(previous);
  return previous;
}

BOOL DeleteObject(HGDIOBJ object) {
  auto* drawing = Find<DrawingObject>(object);
  if (!drawing || drawing->deleted) return FALSE;
  if (drawing->stock) return TRUE;
  if (drawing->selections > 0) {
    drawing->deleted = true;
  } else {
    Erase(object);
  }
  return TRUE;
}

BOOL Rectangle(HDC dc, int left, int top, int right, int bottom) {
  auto* context = Find<DeviceContext>(dc);
  if (!context) return FALSE;
  if (!context->drawsIntoBuffer) return TRUE;
  if (left > right) std::swap(left, right);
  if (top > bottom) std::swap(top, bottom);
  if (left == right || top == bottom) return TRUE;
  const PixelBuffer& buffer = context->buffer;
  auto* pen = Find<Pen>(context->pen);
  auto* brush = Find<Brush>(context->brush);
  bool filled = brush && !brush->hollow;
  if (!pen || pen->style == PS_NULL) {
    // Without an outline the figure is one pixel narrower and shorter.
    if (filled) Fill(buffer, left, top, right - 1, bottom - 1, PixelValue(buffer, brush->color));
    return TRUE;
  }
  long width = std::max(pen->width, 1);
  long outside = (width - 1) / 2;
  long outerLeft = left - outside, outerTop = top - outside;
  long outerRight = right - 1 - outside + width, outerBottom = bottom - 1 - outside + width;
  long innerLeft = outerLeft + width, innerTop = outerTop + width;
  long innerRight = right - 1 - outside, innerBottom = bottom - 1 - outside;
  if (filled) {
    Fill(buffer, innerLeft, innerTop, innerRight, innerBottom, PixelValue(buffer, brush->color));
  }
  std::uint32_t ink = PixelValue(buffer, pen->color);
  Fill(buffer, outerLeft, outerTop, outerRight, innerTop, ink);
  Fill(buffer, outerLeft, std::max(innerBottom, innerTop), outerRight, outerBottom, ink);
  Fill(buffer, outerLeft, innerTop, innerLeft, innerBottom, ink);
  Fill(buffer, std::max(innerRight, innerLeft), innerTop, outerRight, innerBottom, ink);
  return TRUE;
}

UINT SetTextAlign(HDC dc, UINT align) {
  auto* context = Find<DeviceContext>(dc);
  if (!context) return static_cast<UINT>(GDI_ERROR);
  UINT previous = context->textAlign;
  context->textAlign = align;
  return previous;
}

UINT GetTextAlign(HDC dc) {
  auto* context = Find<DeviceContext>(dc);
  return context ? context->textAlign : static_cast<UINT>(GDI_ERROR);
}

COLORREF SetTextColor(HDC dc, COLORREF color) {
  auto* context = Find<DeviceContext>(dc);
  if (!context) return CLR_INVALID;
  COLORREF previous = context->textColor;
  context->textColor = color;
  return previous;
}

COLORREF GetTextColor(HDC dc) {
  auto* context = Find<DeviceContext>(dc);
  return context ? context->textColor : CLR_INVALID;
}

HGDIOBJ GetCurrentObject(HDC dc, UINT type) {
  auto* context = Find<DeviceContext>(dc);
  if (!context) return nullptr;
  switch (type) {
    case OBJ_PEN:
      return context->pen;
    case OBJ_BRUSH:
      return context->brush;
    default:
      SetLastError(ERROR_INVALID_PARAMETER);
      return nullptr;
  }
}

// A surface's device context goes back through the surface's ReleaseDC; a window's may
// be deleted, after which ReleaseDC no longer finds it.
BOOL DeleteDC(HDC dc) {
  auto* context = Find<DeviceContext>(dc);
  if (!context || context->drawsIntoBuffer) return FALSE;
  FreeDC(dc, context);
  return TRUE;
}
