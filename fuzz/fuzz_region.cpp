// BitmapToRegion on arbitrary BMP bytes: either 0 or a region whose every
// pixel agrees with the colour window applied to the loaded image, with
// nothing left behind in the object tables.
#include <cstdlib>

#include "fuzz_harness.h"
#include "internal.h"
#include "lumicore/lumicore.h"

namespace {

int LiveObjects() {
  int count = 0;
  platform::GdiObjects().ForEach([&count](uint32_t, platform::GdiObject& o) { count += o.stock ? 0 : 1; });
  platform::DeviceContexts().ForEach([&count](uint32_t, platform::DeviceContext&) { ++count; });
  return count;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // The whole input is the file; its last four bytes also choose the colour
  // window, so that seed files stay whole.
  if (size < 4 || !fuzzbmp::WriteInput(data, size)) return 0;
  const uint8_t* tail = data + size - 4;
  const COLORREF trans = RGB(tail[0], tail[1], tail[2]);
  const BYTE tolerance = tail[3];
  const int before = LiveObjects();
  HRGN rgn = lumicore::BitmapToRegion(fuzzbmp::InputPath().c_str(), trans, tolerance);
  if (!rgn) {
    if (LiveObjects() != before) std::abort();
    return 0;
  }
  // The same image converted the way the builder sees it, through a 32-bit blit.
  HPALETTE pal = 0;
  HBITMAP bmp = lumicore::LoadBmpFromFile(fuzzbmp::InputPath().c_str(), pal);
  BITMAP bm{};
  if (!bmp || GetObjectA(bmp, sizeof bm, &bm) != int(sizeof bm)) std::abort();
  BITMAPINFO info{};
  info.bmiHeader = BITMAPINFOHEADER{40, bm.bmWidth, -bm.bmHeight, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  void* bits = nullptr;
  HBITMAP section = CreateDIBSection(0, &info, DIB_RGB_COLORS, &bits, 0, 0);
  HDC src = CreateCompatibleDC(0), dst = CreateCompatibleDC(0);
  HGDIOBJ old_src = SelectObject(src, bmp), old_dst = SelectObject(dst, section);
  if (!section || !BitBlt(dst, 0, 0, bm.bmWidth, bm.bmHeight, src, 0, 0, SRCCOPY)) std::abort();
  auto high = [tolerance](int low) { return low + tolerance > 255 ? 255 : low + tolerance; };
  const auto* pixels = static_cast<const uint32_t*>(bits);
  for (int y = 0; y < bm.bmHeight; ++y)
    for (int x = 0; x < bm.bmWidth; ++x) {
      uint32_t p = pixels[size_t(y) * size_t(bm.bmWidth) + size_t(x)];
      int r = (p >> 16) & 255, g = (p >> 8) & 255, b = p & 255;
      bool transparent = r >= GetRValue(trans) && r <= high(GetRValue(trans)) && g >= GetGValue(trans) &&
                         g <= high(GetGValue(trans)) && b >= GetBValue(trans) && b <= high(GetBValue(trans));
      if ((PtInRegion(rgn, x, y) != FALSE) == transparent) std::abort();
    }
  if (PtInRegion(rgn, -1, 0) || PtInRegion(rgn, 0, bm.bmHeight) || PtInRegion(rgn, bm.bmWidth, 0)) std::abort();
  SelectObject(src, old_src);
  SelectObject(dst, old_dst);
  DeleteDC(src);
  DeleteDC(dst);
  DeleteObject(section);
  DeleteObject(bmp);
  DeleteObject(pal);
  if (DeleteObject(rgn) != TRUE || LiveObjects() != before) std::abort();
  return 0;
}
