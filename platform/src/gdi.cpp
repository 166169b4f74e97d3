// Memory device contexts, DIB sections, palettes and the SRCCOPY blit that
// converts between any two pixel formats.
#include <algorithm>
#include <climits>
#include <cstring>
#include <iterator>
#include <new>
#include <unordered_map>

#include "internal.h"

namespace platform {
namespace {

// The standard colours every palette device reserves; they seed the default
// palette and the halftone palette.
const PALETTEENTRY kStaticColors[20] = {
    {0, 0, 0, 0},       {128, 0, 0, 0},     {0, 128, 0, 0},     {128, 128, 0, 0},
    {0, 0, 128, 0},     {128, 0, 128, 0},   {0, 128, 128, 0},   {192, 192, 192, 0},
    {192, 220, 192, 0}, {166, 202, 240, 0}, {255, 251, 240, 0}, {160, 160, 164, 0},
    {128, 128, 128, 0}, {255, 0, 0, 0},     {0, 255, 0, 0},     {255, 255, 0, 0},
    {0, 0, 255, 0},     {255, 0, 255, 0},   {0, 255, 255, 0},   {255, 255, 255, 0},
};

// A fresh memory DC holds a 1x1 monochrome bitmap and the default palette;
// selecting something else hands these back, so they must be real handles.
HBITMAP StockBitmap() {
  static HBITMAP handle = 0;
  if (!GdiObjects().Get(handle)) {
    GdiObject object;
    object.kind = GdiKind::Bitmap;
    object.stock = true;
    object.bitmap.width = 1;
    object.bitmap.height = 1;
    object.bitmap.bits = 1;
    object.bitmap.stride = 4;
    object.bitmap.pixels.assign(4, 0);
    object.bitmap.colors = {RGBQUAD{0, 0, 0, 0}, RGBQUAD{255, 255, 255, 0}};
    handle = GdiObjects().Add(std::move(object));
  }
  return handle;
}

HPALETTE StockPalette() {
  static HPALETTE handle = 0;
  if (!GdiObjects().Get(handle)) {
    GdiObject object;
    object.kind = GdiKind::Palette;
    object.stock = true;
    object.palette.entries.assign(std::begin(kStaticColors), std::end(kStaticColors));
    handle = GdiObjects().Add(std::move(object));
  }
  return handle;
}

// Made before any call takes pointers into the object table, which adding
// to it may move.
void EnsureStockObjects() {
  StockBitmap();
  StockPalette();
}

int g_memory_dcs = 0;
int g_memory_dc_limit = -1;

GdiObject* ObjectOfKind(HGDIOBJ h, GdiKind kind) {
  GdiObject* object = GdiObjects().Get(h);
  return object && object->kind == kind ? object : nullptr;
}

void Release(HGDIOBJ h) {
  GdiObject* object = GdiObjects().Get(h);
  if (object && object->selected_count > 0) --object->selected_count;
}

// The bitmap a memory DC draws into (its default one when none is selected).
GdiBitmap* BitmapOf(const DeviceContext& dc) {
  GdiObject* object = ObjectOfKind(dc.bitmap ? dc.bitmap : StockBitmap(), GdiKind::Bitmap);
  return object ? &object->bitmap : nullptr;
}

// A bitmap whose fields describe its own pixel buffer; anything else is not
// touched.
bool Consistent(const GdiBitmap& b) {
  if (b.width <= 0 || b.height <= 0 || b.stride <= 0) return false;
  if (b.bits != 1 && b.bits != 4 && b.bits != 8 && b.bits != 16 && b.bits != 24 && b.bits != 32)
    return false;
  if (int64_t(b.width) * b.bits > int64_t(b.stride) * 8) return false;
  return int64_t(b.stride) * b.height <= int64_t(b.pixels.size());
}

const uint8_t* RowOf(const GdiBitmap& b, int y) {
  int row = b.top_down ? y : b.height - 1 - y;
  return b.pixels.data() + size_t(row) * size_t(b.stride);
}

uint8_t* RowOf(GdiBitmap& b, int y) {
  return const_cast<uint8_t*>(RowOf(static_cast<const GdiBitmap&>(b), y));
}

void DefaultMasks(const GdiBitmap& b, uint32_t masks[3]) {
  if (b.masks[0] | b.masks[1] | b.masks[2]) {
    for (int i = 0; i < 3; ++i) masks[i] = b.masks[i];
  } else if (b.bits == 16) {
    masks[0] = 0x7C00;
    masks[1] = 0x03E0;
    masks[2] = 0x001F;
  } else {
    masks[0] = 0xFF0000;
    masks[1] = 0x00FF00;
    masks[2] = 0x0000FF;
  }
}

int LowBit(uint32_t mask) {
  int shift = 0;
  while (shift < 32 && !(mask & (1u << shift))) ++shift;
  return shift;
}

uint32_t Expand(uint32_t value, uint32_t mask) {
  if (!mask) return 0;
  int shift = LowBit(mask);
  uint64_t top = mask >> shift;
  uint64_t v = (value & mask) >> shift;
  return uint32_t((v * 255 + top / 2) / top);
}

uint32_t Reduce(uint32_t channel, uint32_t mask) {
  if (!mask) return 0;
  int shift = LowBit(mask);
  uint64_t top = mask >> shift;
  return uint32_t(((channel * top + 127) / 255) << shift) & mask;
}

uint32_t ToColor(const RGBQUAD& q) { return (uint32_t(q.rgbRed) << 16) | (uint32_t(q.rgbGreen) << 8) | q.rgbBlue; }

// Reads `count` pixels of row y from column x as 0x00RRGGBB.
void DecodeRow(const GdiBitmap& b, int x, int y, int count, uint32_t* out) {
  const uint8_t* row = RowOf(b, y);
  uint32_t masks[3];
  DefaultMasks(b, masks);
  // The usual 8-8-8 layout needs no channel scaling.
  const bool plain = masks[0] == 0xFF0000 && masks[1] == 0x00FF00 && masks[2] == 0x0000FF;
  for (int i = 0; i < count; ++i) {
    int px = x + i;
    uint32_t color = 0;
    switch (b.bits) {
      case 1:
      case 4:
      case 8: {
        int per_byte = 8 / b.bits;
        uint8_t byte = row[px / per_byte];
        int shift = 8 - b.bits * (px % per_byte + 1);
        size_t index = (byte >> shift) & ((1u << b.bits) - 1);
        color = index < b.colors.size() ? ToColor(b.colors[index]) : 0;
        break;
      }
      case 16: {
        uint32_t v = uint32_t(row[2 * px]) | (uint32_t(row[2 * px + 1]) << 8);
        color = (Expand(v, masks[0]) << 16) | (Expand(v, masks[1]) << 8) | Expand(v, masks[2]);
        break;
      }
      case 24:
        color = (uint32_t(row[3 * px + 2]) << 16) | (uint32_t(row[3 * px + 1]) << 8) | row[3 * px];
        break;
      case 32: {
        uint32_t v;
        std::memcpy(&v, row + 4 * px, 4);
        color = plain ? v & 0xFFFFFF
                      : (Expand(v, masks[0]) << 16) | (Expand(v, masks[1]) << 8) | Expand(v, masks[2]);
        break;
      }
    }
    out[i] = color;
  }
}

// Nearest entry of a colour table, remembered per colour for the blit.
class NearestIndex {
 public:
  explicit NearestIndex(const std::vector<RGBQUAD>& colors) : colors_(colors) {}
  uint32_t operator()(uint32_t color) {
    auto it = cache_.find(color);
    if (it != cache_.end()) return it->second;
    int r = int(color >> 16) & 255, g = int(color >> 8) & 255, b = int(color) & 255;
    uint32_t best = 0;
    long best_distance = LONG_MAX;
    for (size_t i = 0; i < colors_.size(); ++i) {
      long dr = r - colors_[i].rgbRed, dg = g - colors_[i].rgbGreen, db = b - colors_[i].rgbBlue;
      long distance = dr * dr + dg * dg + db * db;
      if (distance < best_distance) {
        best_distance = distance;
        best = uint32_t(i);
      }
    }
    cache_.emplace(color, best);
    return best;
  }

 private:
  const std::vector<RGBQUAD>& colors_;
  std::unordered_map<uint32_t, uint32_t> cache_;
};

void EncodeRow(GdiBitmap& b, int x, int y, int count, const uint32_t* in, NearestIndex& nearest) {
  uint8_t* row = RowOf(b, y);
  uint32_t masks[3];
  DefaultMasks(b, masks);
  // The usual 8-8-8 layout needs no channel scaling.
  const bool plain = masks[0] == 0xFF0000 && masks[1] == 0x00FF00 && masks[2] == 0x0000FF;
  for (int i = 0; i < count; ++i) {
    int px = x + i;
    uint32_t c = in[i];
    uint32_t r = (c >> 16) & 255, g = (c >> 8) & 255, bl = c & 255;
    switch (b.bits) {
      case 1:
      case 4:
      case 8: {
        int per_byte = 8 / b.bits;
        int shift = 8 - b.bits * (px % per_byte + 1);
        uint8_t mask = uint8_t(((1u << b.bits) - 1) << shift);
        uint8_t& byte = row[px / per_byte];
        byte = uint8_t((byte & ~mask) | ((nearest(c) << shift) & mask));
        break;
      }
      case 16: {
        uint32_t v = Reduce(r, masks[0]) | Reduce(g, masks[1]) | Reduce(bl, masks[2]);
        row[2 * px] = uint8_t(v);
        row[2 * px + 1] = uint8_t(v >> 8);
        break;
      }
      case 24:
        row[3 * px] = uint8_t(bl);
        row[3 * px + 1] = uint8_t(g);
        row[3 * px + 2] = uint8_t(r);
        break;
      case 32: {
        uint32_t v = plain ? c & 0xFFFFFF : Reduce(r, masks[0]) | Reduce(g, masks[1]) | Reduce(bl, masks[2]);
        std::memcpy(row + 4 * px, &v, 4);
        break;
      }
    }
  }
}

// Narrows a copy of cx x cy pixels between two areas of the given sizes to the
// part that lies inside both; false when nothing is left.
bool ClipCopy(int& x, int& y, int& cx, int& cy, int& sx, int& sy, int dst_w, int dst_h, int src_w,
              int src_h) {
  auto clip_axis = [](int& d, int& s, int& n, int dst_n, int src_n) {
    int64_t shift = 0;
    if (d < 0) shift = -int64_t(d);
    if (s < 0 && -int64_t(s) > shift) shift = -int64_t(s);
    if (shift >= n) return false;
    d = int(d + shift);
    s = int(s + shift);
    n = int(n - shift);
    int64_t limit = std::min<int64_t>(int64_t(dst_n) - d, int64_t(src_n) - s);
    if (limit <= 0) return false;
    if (n > limit) n = int(limit);
    return true;
  };
  if (cx <= 0 || cy <= 0) return false;
  return clip_axis(x, sx, cx, dst_w, src_w) && clip_axis(y, sy, cy, dst_h, src_h);
}

}  // namespace

// Testing hook: memory DCs beyond `count` alive at once fail to be made, as
// when the system runs out of them; a negative count lifts the limit.
void SetMemoryDcLimitForTesting(int count) { g_memory_dc_limit = count; }

}  // namespace platform

using namespace platform;

HDC CreateCompatibleDC(HDC hdc) {
  if (hdc && !DeviceContexts().Get(hdc)) return 0;
  if (g_memory_dc_limit >= 0 && g_memory_dcs >= g_memory_dc_limit) return 0;
  DeviceContext dc;
  dc.memory = true;
  HDC handle = DeviceContexts().Add(dc);
  if (handle) ++g_memory_dcs;
  return handle;
}

BOOL DeleteDC(HDC hdc) {
  DeviceContext* dc = DeviceContexts().Get(hdc);
  if (!dc || !dc->memory) return FALSE;
  Release(dc->bitmap);
  Release(dc->palette);
  DeviceContexts().Remove(hdc);
  --g_memory_dcs;
  return TRUE;
}

HGDIOBJ SelectObject(HDC hdc, HGDIOBJ h) {
  EnsureStockObjects();
  DeviceContext* dc = DeviceContexts().Get(hdc);
  GdiObject* object = GdiObjects().Get(h);
  if (!dc || !object) return 0;
  switch (object->kind) {
    case GdiKind::Bitmap: {
      if (!dc->memory) return 0;
      HBITMAP old = dc->bitmap ? dc->bitmap : StockBitmap();
      if (h == old) return old;
      bool stock = h == StockBitmap();
      // A bitmap lives in one DC at a time.
      if (!stock && object->selected_count > 0) return 0;
      Release(dc->bitmap);
      dc->bitmap = stock ? 0 : h;
      if (!stock) ++object->selected_count;
      return old;
    }
    case GdiKind::Palette:
      return SelectPalette(hdc, h, FALSE);
    default:
      // DCs here hold no clip region, pen or brush: nothing draws with them.
      return 0;
  }
}

HBITMAP CreateDIBSection(HDC hdc, const BITMAPINFO* pbmi, UINT usage, void** ppvBits, HANDLE hSection,
                         DWORD offset) {
  (void)offset;
  if (ppvBits) *ppvBits = nullptr;
  if (hdc && !DeviceContexts().Get(hdc)) return 0;
  if (!pbmi || usage != DIB_RGB_COLORS || hSection) return 0;
  const BITMAPINFOHEADER& h = pbmi->bmiHeader;
  if (h.biSize < sizeof(BITMAPINFOHEADER) || h.biPlanes != 1) return 0;
  int bits = h.biBitCount;
  if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32) return 0;
  const uint32_t kBitfields = 3;
  bool bitfields = h.biCompression == kBitfields;
  if (h.biCompression != BI_RGB && !(bitfields && (bits == 16 || bits == 32))) return 0;
  if (h.biWidth <= 0 || h.biHeight == 0 || h.biHeight == INT32_MIN) return 0;
  int64_t width = h.biWidth;
  int64_t height = h.biHeight < 0 ? -int64_t(h.biHeight) : h.biHeight;
  int64_t stride = ((width * bits + 31) / 32) * 4;
  if (stride > INT32_MAX || stride * height > (int64_t(1) << 30)) return 0;

  try {
    GdiObject object;
    object.kind = GdiKind::Bitmap;
    GdiBitmap& b = object.bitmap;
    b.width = int(width);
    b.height = int(height);
    b.bits = bits;
    b.stride = int(stride);
    b.top_down = h.biHeight < 0;
    b.pixels.assign(size_t(stride * height), 0);
    const uint8_t* after_header = reinterpret_cast<const uint8_t*>(pbmi) + h.biSize;
    if (bits <= 8) {
      size_t count = size_t(1) << bits;
      if (h.biClrUsed > 0 && h.biClrUsed < count) count = h.biClrUsed;
      b.colors.resize(count);
      std::memcpy(b.colors.data(), after_header, count * sizeof(RGBQUAD));
    } else if (bitfields) {
      std::memcpy(b.masks, after_header, sizeof b.masks);
    }
    HBITMAP handle = GdiObjects().Add(std::move(object));
    if (handle && ppvBits) *ppvBits = GdiObjects().Get(handle)->bitmap.pixels.data();
    return handle;
  } catch (const std::bad_alloc&) {
    return 0;
  }
}

UINT GetDIBColorTable(HDC hdc, UINT iStart, UINT cEntries, RGBQUAD* prgbq) {
  EnsureStockObjects();
  DeviceContext* dc = DeviceContexts().Get(hdc);
  if (!dc || !dc->memory || !prgbq) return 0;
  GdiBitmap* b = BitmapOf(*dc);
  if (!b || b->bits > 8 || iStart >= b->colors.size()) return 0;
  UINT count = std::min<UINT>(cEntries, UINT(b->colors.size() - iStart));
  std::memcpy(prgbq, b->colors.data() + iStart, count * sizeof(RGBQUAD));
  return count;
}

BOOL BitBlt(HDC hdc, int x, int y, int cx, int cy, HDC hdcSrc, int x1, int y1, DWORD rop) {
  EnsureStockObjects();
  DeviceContext* dst = DeviceContexts().Get(hdc);
  DeviceContext* src = DeviceContexts().Get(hdcSrc);
  if (!dst || !src || rop != SRCCOPY || !src->memory) return FALSE;
  GdiBitmap* from = BitmapOf(*src);
  if (!from || !Consistent(*from)) return FALSE;

  GdiBitmap* to = nullptr;
  Window* window = nullptr;
  int dst_w = 0, dst_h = 0;
  if (dst->memory) {
    to = BitmapOf(*dst);
    if (!to || !Consistent(*to)) return FALSE;
    dst_w = to->width;
    dst_h = to->height;
  } else {
    window = Windows().Get(dst->window);
    if (!window) return FALSE;
    // A top-level window's picture is OpenGL's; only child windows keep pixels.
    if (!window->parent) return TRUE;
    dst_w = window->width;
    dst_h = window->backing.size() == size_t(window->width) * size_t(window->height) && window->width > 0
                ? window->height
                : 0;
  }
  if (!ClipCopy(x, y, cx, cy, x1, y1, dst_w, dst_h, from->width, from->height)) return TRUE;

  try {
    // The whole source rectangle is read first, so a DC may copy onto itself.
    std::vector<uint32_t> pixels(size_t(cx) * size_t(cy));
    for (int row = 0; row < cy; ++row) DecodeRow(*from, x1, y1 + row, cx, &pixels[size_t(row) * cx]);
    if (window) {
      for (int row = 0; row < cy; ++row) {
        uint32_t* out = &window->backing[size_t(y + row) * size_t(window->width) + size_t(x)];
        const uint32_t* in = &pixels[size_t(row) * cx];
        for (int i = 0; i < cx; ++i) out[i] = 0xFF000000u | in[i];
      }
    } else {
      NearestIndex nearest(to->colors);
      for (int row = 0; row < cy; ++row) EncodeRow(*to, x, y + row, cx, &pixels[size_t(row) * cx], nearest);
    }
  } catch (const std::bad_alloc&) {
    return FALSE;
  }
  return TRUE;
}

HPALETTE CreatePalette(const LOGPALETTE* plpal) {
  if (!plpal || plpal->palVersion != 0x300 || plpal->palNumEntries == 0) return 0;
  try {
    GdiObject object;
    object.kind = GdiKind::Palette;
    object.palette.entries.resize(plpal->palNumEntries);
    std::memcpy(object.palette.entries.data(), plpal->palPalEntry,
                sizeof(PALETTEENTRY) * plpal->palNumEntries);
    return GdiObjects().Add(std::move(object));
  } catch (const std::bad_alloc&) {
    return 0;
  }
}

HPALETTE CreateHalftonePalette(HDC hdc) {
  // 0 stands for the screen, which is a true-colour surface here.
  if (hdc && !DeviceContexts().Get(hdc)) return 0;
  GdiObject object;
  object.kind = GdiKind::Palette;
  std::vector<PALETTEENTRY>& e = object.palette.entries;
  e.reserve(256);
  e.insert(e.end(), std::begin(kStaticColors), std::begin(kStaticColors) + 10);
  for (int r = 0; r < 6; ++r)
    for (int g = 0; g < 6; ++g)
      for (int b = 0; b < 6; ++b) e.push_back(PALETTEENTRY{BYTE(r * 51), BYTE(g * 51), BYTE(b * 51), 0});
  for (int i = 1; e.size() < 246; ++i) {
    BYTE level = BYTE(i * 255 / 21);
    e.push_back(PALETTEENTRY{level, level, level, 0});
  }
  e.insert(e.end(), std::begin(kStaticColors) + 10, std::end(kStaticColors));
  return GdiObjects().Add(std::move(object));
}

HPALETTE SelectPalette(HDC hdc, HPALETTE hPal, BOOL bForceBkgd) {
  (void)bForceBkgd;  // there is no system palette to give way in
  EnsureStockObjects();
  DeviceContext* dc = DeviceContexts().Get(hdc);
  GdiObject* object = ObjectOfKind(hPal, GdiKind::Palette);
  if (!dc || !object) return 0;
  HPALETTE old = dc->palette ? dc->palette : StockPalette();
  if (hPal == old) return old;
  bool stock = hPal == StockPalette();
  // Window DCs are short-lived and do not pin what they hold.
  if (dc->memory) {
    Release(dc->palette);
    if (!stock) ++object->selected_count;
  }
  dc->palette = stock ? 0 : hPal;
  return old;
}

UINT RealizePalette(HDC hdc) {
  DeviceContext* dc = DeviceContexts().Get(hdc);
  if (!dc) return UINT(-1);
  // The display is true-colour: every entry is shown as it is, nothing is remapped.
  GdiObject* object = ObjectOfKind(dc->palette, GdiKind::Palette);
  return object ? UINT(object->palette.entries.size()) : 0;
}
