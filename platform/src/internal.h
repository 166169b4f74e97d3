// Objects of the platform layer and the handle tables that own them.
// Shared by the layer's sources only; nothing outside platform/ includes it.
#pragma once

#include <SDL.h>

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "platform/win32.h"

namespace platform {

// A handle is kind (4 bits) | generation (12 bits) | slot index (16 bits).
// The generation changes whenever a slot is freed, so stale handles miss.
enum HandleKind : uint32_t {
  kWindowHandle = 1,
  kDcHandle = 2,
  kGlrcHandle = 3,
  kGdiHandle = 4,
  kCursorHandle = 5,
  kGlobalHandle = 6,
  kModuleHandle = 7,
};

template <class T, HandleKind Kind>
class HandleTable {
 public:
  uint32_t Add(T value) {
    size_t index = 0;
    while (index < slots_.size() && slots_[index].used) ++index;
    if (index >= 0xFFFF) return 0;
    if (index == slots_.size()) slots_.emplace_back();
    Slot& slot = slots_[index];
    slot.used = true;
    slot.value = std::move(value);
    return (uint32_t(Kind) << 28) | (uint32_t(slot.generation) << 16) | uint32_t(index + 1);
  }
  T* Get(uint32_t handle) {
    if ((handle >> 28) != Kind) return nullptr;
    size_t index = (handle & 0xFFFF);
    if (index == 0 || index > slots_.size()) return nullptr;
    Slot& slot = slots_[index - 1];
    if (!slot.used || slot.generation != ((handle >> 16) & 0xFFF)) return nullptr;
    return &slot.value;
  }
  bool Remove(uint32_t handle) {
    if (!Get(handle)) return false;
    Slot& slot = slots_[(handle & 0xFFFF) - 1];
    slot.used = false;
    slot.value = T();
    slot.generation = uint16_t((slot.generation % 0xFFF) + 1);
    return true;
  }
  template <class F>
  void ForEach(F&& f) {
    for (size_t i = 0; i < slots_.size(); ++i)
      if (slots_[i].used)
        f((uint32_t(Kind) << 28) | (uint32_t(slots_[i].generation) << 16) | uint32_t(i + 1),
          slots_[i].value);
  }

 private:
  struct Slot {
    bool used = false;
    uint16_t generation = 1;
    T value{};
  };
  std::vector<Slot> slots_;
};

// ------------------------------------------------------------------ windows
struct WindowClass {
  std::string name;
  WNDCLASSEXA record{};  // string pointers are not kept: see menu/class names
};

struct Window {
  std::string class_name;
  WNDPROC proc = nullptr;
  HWND parent = 0;
  int id = 0;  // the child identifier passed as hMenu
  DWORD style = 0;
  std::string title;
  // Top-level: client area in screen coordinates. Child: client area in the
  // parent's client coordinates.
  int x = 0, y = 0, width = 0, height = 0;
  bool visible = false;
  bool invalid = false;  // has an update region waiting for WM_PAINT
  bool destroying = false;
  HCURSOR cursor = 0;
  HRGN region = 0;  // owned by the window once set (SetWindowRgn)
  std::map<std::string, HANDLE> props;
  std::vector<HWND> children;       // in creation order, last drawn on top
  SDL_Window* sdl = nullptr;        // top-level windows only
  std::vector<uint32_t> backing;    // child windows: BGRA pixels, width*height, top row first
  std::vector<int> status_parts;    // status window (SB_SETPARTS)
  int pixel_format = 0;
};
using WindowTable = HandleTable<Window, kWindowHandle>;
WindowTable& Windows();
// The window's client origin in screen coordinates.
POINT ClientOriginOnScreen(HWND hwnd);
// The top-level ancestor of a window (itself for a top-level window).
HWND TopLevelOf(HWND hwnd);

// -------------------------------------------------------------- GDI objects
enum class GdiKind { None, Bitmap, Palette, Region, Brush };

struct GdiBitmap {
  int width = 0;
  int height = 0;  // rows, always positive
  int bits = 0;    // 1, 4, 8, 16, 24 or 32
  int stride = 0;  // bytes per row, a multiple of 4
  bool top_down = false;  // false: first row in memory is the image's bottom row
  std::vector<uint8_t> pixels;
  std::vector<RGBQUAD> colors;  // colour table of images of 8 bits or fewer
  // 16 and 32-bit channel masks (red, green, blue); 0 means the BI_RGB defaults
  uint32_t masks[3] = {0, 0, 0};
};

struct GdiPalette {
  std::vector<PALETTEENTRY> entries;
};

// A region is a set of non-overlapping rectangles (y-x banded is not required).
struct GdiRegion {
  std::vector<RECT> rects;
};

struct GdiObject {
  GdiKind kind = GdiKind::None;
  bool stock = false;  // stock objects and system brushes ignore DeleteObject
  int selected_count = 0;  // how many device contexts hold it
  GdiBitmap bitmap;
  GdiPalette palette;
  GdiRegion region;
  COLORREF brush_color = 0;
};
using GdiTable = HandleTable<GdiObject, kGdiHandle>;
GdiTable& GdiObjects();

// ----------------------------------------------------------- device contexts
struct DeviceContext {
  HWND window = 0;  // window DCs (GetDC, BeginPaint); 0 for memory DCs
  bool memory = false;
  HBITMAP bitmap = 0;  // selected into a memory DC (0: the DC's 1x1 default)
  HPALETTE palette = 0;
};
using DcTable = HandleTable<DeviceContext, kDcHandle>;
DcTable& DeviceContexts();

// ------------------------------------------------ BMP files (bmp_file.cpp)
// Reads a BMP file and decodes it with SDL after checking that its header is
// consistent with the file's size; nullptr for anything SDL should not see.
SDL_Surface* LoadBmpSurface(const char* path);

// ------------------------------------------------ cursors and icons (dialog.cpp)
void ApplyCursor(HCURSOR cursor);
void ApplyIcon(SDL_Window* window, HICON icon);

// ----------------------------------------------------- video (message.cpp)
// Starts SDL's video subsystem once; false when no video driver works.
bool EnsureVideo();

// ------------------------------------------- testing hooks (memory.cpp, gdi.cpp)
// Make allocations fail past a limit, so that tests reach the paths that
// clean up after a failed allocation. 0 lifts the limit.
void SetGlobalBlockLimitForTesting(size_t bytes);
int LiveGlobalBlocksForTesting();
void SetMemoryDcLimitForTesting(int count);

// ------------------------------------------------- child windows (compose.cpp)
// Draws the visible child windows of a top-level window over its GL back
// buffer, clipped to their regions, leaving the GL state as it found it.
void ComposeChildren(HWND top);

}  // namespace platform
