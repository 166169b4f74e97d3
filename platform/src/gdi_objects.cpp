// The GDI object table: bitmaps, palettes, regions and brushes, their
// description (GetObjectA) and release (DeleteObject).
#include <cstring>

#include "internal.h"

namespace platform {

GdiTable& GdiObjects() {
  static GdiTable table;
  return table;
}

namespace {

HGDIOBJ StockBrush(int key, COLORREF color) {
  static std::map<int, HGDIOBJ> brushes;
  auto it = brushes.find(key);
  if (it != brushes.end()) return it->second;
  GdiObject brush;
  brush.kind = GdiKind::Brush;
  brush.stock = true;
  brush.brush_color = color;
  HGDIOBJ handle = GdiObjects().Add(std::move(brush));
  brushes[key] = handle;
  return handle;
}

}  // namespace
}  // namespace platform

using namespace platform;

HBRUSH GetSysColorBrush(int nIndex) {
  if (nIndex < 0 || nIndex > 30) return 0;
  // Only the button face has a colour that matters here; the rest are grey.
  return StockBrush(0x100 + nIndex, nIndex == COLOR_BTNFACE ? RGB(240, 240, 240) : RGB(192, 192, 192));
}

HGDIOBJ GetStockObject(int i) {
  if (i == NULL_BRUSH) return StockBrush(NULL_BRUSH, 0);
  return 0;
}

int GetObjectA(HANDLE h, int c, LPVOID pv) {
  GdiObject* object = GdiObjects().Get(h);
  if (!object) return 0;
  switch (object->kind) {
    case GdiKind::Bitmap: {
      if (!pv) return int(sizeof(BITMAP));
      if (c < int(sizeof(BITMAP))) return 0;
      const GdiBitmap& b = object->bitmap;
      BITMAP bm{};
      bm.bmType = 0;
      bm.bmWidth = b.width;
      bm.bmHeight = b.height;
      bm.bmWidthBytes = b.stride;
      bm.bmPlanes = 1;
      bm.bmBitsPixel = WORD(b.bits);
      bm.bmBits = b.pixels.empty() ? nullptr : const_cast<uint8_t*>(b.pixels.data());
      std::memcpy(pv, &bm, sizeof bm);
      return int(sizeof(BITMAP));
    }
    case GdiKind::Palette: {
      WORD count = WORD(object->palette.entries.size());
      if (!pv) return int(sizeof(WORD));
      if (c < int(sizeof(WORD))) return 0;
      std::memcpy(pv, &count, sizeof count);
      return int(sizeof(WORD));
    }
    default:
      return 0;
  }
}

BOOL DeleteObject(HGDIOBJ ho) {
  GdiObject* object = GdiObjects().Get(ho);
  if (!object) return FALSE;
  if (object->stock) return TRUE;
  if (object->selected_count > 0) return FALSE;  // still selected into a DC
  return GdiObjects().Remove(ho) ? TRUE : FALSE;
}
