// Shaped image buttons ("IMAGEBUTTON") and the bitmap helpers they use: BMP
// files loaded as DIB sections with a palette, and regions made of the pixels
// that lie outside a colour window.
#include <cstdint>
#include <cstring>
#include <vector>

#include "lumicore/lumicore.h"

namespace lumicore {

std::string BmpType;

namespace {

const char kNormal[] = "NORMALBITMAP";
const char kHover[] = "HOVERBITMAP";
const char kPress[] = "PRESSBITMAP";
const char kMode[] = "HOVERMODEBYTE";
const char kRegion[] = "HOVERBUTTONREGION";

enum : HANDLE { kStateNormal = 1, kStateHover = 2, kStatePressed = 3 };

constexpr COLORREF kMagenta = 0x00FF00FF;
constexpr BYTE kShapeTolerance = 1;
constexpr int kBatch = 2000;
constexpr LONG kMaxLong = 2147483647;

// A memory DC holding `bmp` with its palette realised, or 0 when there is no
// image (that state then paints nothing).
HDC MakeImageDC(HBITMAP bmp, HPALETTE pal) {
  if (!bmp) return 0;
  HDC dc = CreateCompatibleDC(0);
  if (!dc) {
    DeleteObject(pal);
    DeleteObject(bmp);
    return 0;
  }
  SelectObject(dc, bmp);
  SelectPalette(dc, pal, FALSE);
  RealizePalette(dc);
  return dc;
}

HDC LoadImageDC(const std::string& file) {
  HPALETTE pal = 0;
  HBITMAP bmp = LoadBmpFromFile(file.c_str(), pal);
  return MakeImageDC(bmp, pal);
}

// Frees an image DC with the bitmap and palette it holds. Those are learnt by
// selecting stand-ins, which hand back what was selected before.
void FreeImageDC(HDC dc, HBITMAP stand_in_bmp, HPALETTE stand_in_pal) {
  HGDIOBJ bmp = stand_in_bmp ? SelectObject(dc, stand_in_bmp) : 0;
  HPALETTE pal = stand_in_pal ? SelectPalette(dc, stand_in_pal, FALSE) : 0;
  DeleteDC(dc);
  // Stock objects (an empty DC's defaults) ignore DeleteObject.
  if (bmp) DeleteObject(bmp);
  if (pal) DeleteObject(pal);
}

void SetState(HWND wnd, HANDLE state) {
  SetPropA(wnd, kMode, state);
  InvalidateRect(wnd, nullptr, FALSE);
}

LRESULT OnCreate(HWND wnd) {
  HPALETTE pal = 0;
  HBITMAP bmp = LoadBmpFromFile((BmpType + "N.BMP").c_str(), pal);
  BITMAP bm{};
  if (bmp) GetObjectA(bmp, sizeof(BITMAP), &bm);
  RECT r{}, r1{};
  GetWindowRect(wnd, &r);
  GetWindowRect(GetParent(wnd), &r1);
  MoveWindow(wnd, r.left - r1.left - 3, r.top - r1.top - 19, bm.bmWidth, bm.bmHeight, FALSE);
  if (HDC normal = MakeImageDC(bmp, pal)) SetPropA(wnd, kNormal, normal);
  if (HDC hover = LoadImageDC(BmpType + "H.BMP")) SetPropA(wnd, kHover, hover);
  if (HDC press = LoadImageDC(BmpType + "P.BMP")) SetPropA(wnd, kPress, press);
  SetPropA(wnd, kMode, kStateNormal);

  std::string shape = BmpType + "N.BMP";
  HRGN rgn = BitmapToRegion(shape.c_str(), kMagenta, kShapeTolerance);
  if (!rgn) return 0;
  SetWindowRgn(wnd, rgn, FALSE);
  SetPropA(wnd, kRegion, BitmapToRegion(shape.c_str(), kMagenta, kShapeTolerance));
  return 0;
}

LRESULT OnDestroy(HWND wnd) {
  RemovePropA(wnd, kMode);
  if (HRGN rgn = GetPropA(wnd, kRegion)) DeleteObject(rgn);
  RemovePropA(wnd, kRegion);

  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = 1;
  info.bmiHeader.biHeight = 1;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP stand_in_bmp = CreateDIBSection(0, &info, DIB_RGB_COLORS, &bits, 0, 0);
  LOGPALETTE one{0x300, 1, {{0, 0, 0, 0}}};
  HPALETTE stand_in_pal = CreatePalette(&one);
  for (const char* name : {kPress, kHover, kNormal}) {
    if (HDC dc = GetPropA(wnd, name)) FreeImageDC(dc, stand_in_bmp, stand_in_pal);
    RemovePropA(wnd, name);
  }
  DeleteObject(stand_in_bmp);
  DeleteObject(stand_in_pal);
  return 0;
}

LRESULT OnPaint(HWND wnd) {
  RECT r{};
  GetWindowRect(wnd, &r);
  HDC image = 0;
  switch (GetPropA(wnd, kMode)) {
    case kStateNormal: image = GetPropA(wnd, kNormal); break;
    case kStateHover: image = GetPropA(wnd, kHover); break;
    case kStatePressed: image = GetPropA(wnd, kPress); break;
    default: break;
  }
  // The update region is validated even without an image, so that no
  // WM_PAINT keeps coming back.
  PAINTSTRUCT ps{};
  HDC dc = BeginPaint(wnd, &ps);
  if (image && dc) BitBlt(dc, 0, 0, r.right - r.left, r.bottom - r.top, image, 0, 0, SRCCOPY);
  EndPaint(wnd, &ps);
  return 0;
}

LRESULT OnMouseMove(HWND wnd, WPARAM wParam, LPARAM lParam) {
  HANDLE state = GetPropA(wnd, kMode);
  HRGN rgn = GetPropA(wnd, kRegion);
  if (state == 0 || rgn == 0) return 0;
  if (PtInRegion(rgn, GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam))) {
    if (state != kStateNormal) return 0;
    SetPropA(wnd, kMode, (wParam & (MK_LBUTTON | MK_RBUTTON)) ? kStatePressed : kStateHover);
    SetCapture(wnd);
    InvalidateRect(wnd, nullptr, FALSE);
  } else {
    SetPropA(wnd, kMode, kStateNormal);
    ReleaseCapture();
    InvalidateRect(wnd, nullptr, FALSE);
  }
  return 0;
}

LRESULT OnLButtonUp(HWND wnd) {
  if (GetPropA(wnd, kMode) == kStatePressed)
    PostMessageA(GetParent(wnd), WM_COMMAND, GetDlgCtrlID(wnd), 0);
  SetPropA(wnd, kMode, kStateNormal);
  ReleaseCapture();
  InvalidateRect(wnd, nullptr, FALSE);
  return 0;
}

// The rectangle buffer: a locked movable block holding an RGNDATA.
struct RectBuffer {
  HGLOBAL block = 0;
  RGNDATAHEADER* header = nullptr;
  DWORD max_rects = ALLOC_UNIT;

  static DWORD Bytes(DWORD rects) { return DWORD(sizeof(RGNDATAHEADER) + sizeof(RECT) * rects); }

  bool Open() {
    block = GlobalAlloc(GMEM_MOVEABLE, Bytes(max_rects));
    if (!block) return false;
    header = static_cast<RGNDATAHEADER*>(GlobalLock(block));
    if (!header) return false;
    header->dwSize = sizeof(RGNDATAHEADER);
    header->iType = RDH_RECTANGLES;
    header->nCount = 0;
    header->nRgnSize = 0;
    SetRect(&header->rcBound, kMaxLong, kMaxLong, 0, 0);
    return true;
  }

  RECT* Slots() { return reinterpret_cast<RECT*>(header + 1); }

  bool Add(LONG x0, LONG y, LONG x) {
    if (header->nCount >= max_rects) {
      GlobalUnlock(block);
      header = nullptr;
      max_rects += ALLOC_UNIT;
      HGLOBAL grown = GlobalReAlloc(block, Bytes(max_rects), GMEM_MOVEABLE);
      if (!grown) return false;
      block = grown;
      header = static_cast<RGNDATAHEADER*>(GlobalLock(block));
      if (!header) return false;
    }
    RECT& rc = Slots()[header->nCount];
    SetRect(&rc, x0, y, x, y + 1);
    RECT& bound = header->rcBound;
    if (x0 < bound.left) bound.left = x0;
    if (y < bound.top) bound.top = y;
    if (x > bound.right) bound.right = x;
    if (y + 1 > bound.bottom) bound.bottom = y + 1;
    header->nCount += 1;
    return true;
  }

  // ORs the batch into `result` and empties it.
  void Flush(HRGN& result) {
    HRGN h = ExtCreateRegion(nullptr, Bytes(max_rects), reinterpret_cast<const RGNDATA*>(header));
    if (result) {
      CombineRgn(result, result, h, RGN_OR);
      DeleteObject(h);
    } else {
      result = h;
    }
    header->nCount = 0;
    SetRect(&header->rcBound, kMaxLong, kMaxLong, 0, 0);
  }
};

// Scans the bottom-up 32-bit pixels from the top row, one rectangle per run
// of pixels outside the colour window. False when the buffer cannot grow.
bool ScanRuns(const uint8_t* bits, LONG stride, LONG width, LONG height, COLORREF trans, BYTE tolerance,
              RectBuffer& buffer, HRGN& result) {
  auto high = [tolerance](BYTE low) { return int(low) + tolerance > 255 ? BYTE(255) : BYTE(low + tolerance); };
  BYTE lr = GetRValue(trans), lg = GetGValue(trans), lb = GetBValue(trans);
  BYTE hr = high(lr), hg = high(lg), hb = high(lb);
  const uint8_t* row_bytes = bits + size_t(height - 1) * size_t(stride);
  for (LONG y = 0; y < height; ++y) {
    const uint32_t* row = reinterpret_cast<const uint32_t*>(row_bytes);
    LONG x = 0;
    while (x < width) {
      LONG x0 = x;
      for (; x < width; ++x) {
        uint32_t p = row[x];
        BYTE b = BYTE(p), g = BYTE(p >> 8), r = BYTE(p >> 16);
        if (r >= lr && r <= hr && g >= lg && g <= hg && b >= lb && b <= hb) break;
      }
      if (x > x0) {
        if (!buffer.Add(x0, y, x)) return false;
        if (buffer.header->nCount == DWORD(kBatch)) buffer.Flush(result);
      }
      ++x;
    }
    row_bytes -= stride;
  }
  return true;
}

}  // namespace

HBITMAP LoadBmpFromFile(const char* FileName, HPALETTE& Pal) {
  if (!FileName) return 0;
  HBITMAP bmp = LoadImageA(GetModuleHandleA(nullptr), FileName, IMAGE_BITMAP, 0, 0,
                           LR_LOADFROMFILE | LR_CREATEDIBSECTION);
  if (!bmp) return 0;
  BITMAP bm{};
  GetObjectA(bmp, sizeof(BITMAP), &bm);
  if (bm.bmBitsPixel * bm.bmPlanes <= 8) {
    HDC mem = CreateCompatibleDC(0);
    HGDIOBJ old = SelectObject(mem, bmp);
    // Entries past the image's own table stay black.
    RGBQUAD rgb[256] = {};
    GetDIBColorTable(mem, 0, 256, rgb);
    std::vector<uint8_t> storage(sizeof(LOGPALETTE) + 255 * sizeof(PALETTEENTRY));
    LOGPALETTE* log = reinterpret_cast<LOGPALETTE*>(storage.data());
    log->palVersion = 0x300;
    log->palNumEntries = 256;
    for (int i = 0; i < 256; ++i)
      log->palPalEntry[i] = PALETTEENTRY{rgb[i].rgbRed, rgb[i].rgbGreen, rgb[i].rgbBlue, 0};
    Pal = CreatePalette(log);
    SelectObject(mem, old);
    DeleteDC(mem);
  } else {
    HDC screen = GetDC(0);
    Pal = CreateHalftonePalette(screen);
    ReleaseDC(0, screen);
  }
  return bmp;
}

HRGN BitmapToRegion(const char* BmpName, COLORREF TransColor, BYTE Tolerance) {
  HRGN result = 0;
  HPALETTE pal = 0;
  HBITMAP in_bmp = LoadBmpFromFile(BmpName, pal);
  if (!in_bmp) return 0;
  HDC mem = CreateCompatibleDC(0);
  if (!mem) {
    DeleteObject(pal);
    DeleteObject(in_bmp);
    return 0;
  }
  BITMAP bm{};
  GetObjectA(in_bmp, sizeof(BITMAP), &bm);

  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = bm.bmWidth;
  info.bmiHeader.biHeight = bm.bmHeight;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits32 = nullptr;
  HBITMAP bm32_handle = CreateDIBSection(mem, &info, DIB_RGB_COLORS, &bits32, 0, 0);
  if (!bm32_handle) {
    DeleteDC(mem);
    DeleteObject(pal);
    DeleteObject(in_bmp);
    return 0;
  }
  HGDIOBJ old_obj = SelectObject(mem, bm32_handle);

  bool ok = false;
  RectBuffer buffer;
  HDC temp = CreateCompatibleDC(0);
  if (temp) {
    HGDIOBJ old_obj1 = SelectObject(temp, in_bmp);
    HPALETTE old_pal = SelectPalette(temp, pal, TRUE);
    RealizePalette(temp);
    BitBlt(mem, 0, 0, bm.bmWidth, bm.bmHeight, temp, 0, 0, SRCCOPY);
    SelectPalette(temp, old_pal, FALSE);
    SelectObject(temp, old_obj1);
    DeleteDC(temp);

    BITMAP bm32{};
    GetObjectA(bm32_handle, sizeof(BITMAP), &bm32);
    LONG stride = bm32.bmWidthBytes;
    while (stride % 4 != 0) ++stride;

    if (bits32 && buffer.Open() &&
        ScanRuns(static_cast<const uint8_t*>(bits32), stride, bm.bmWidth, bm.bmHeight, TransColor,
                 Tolerance, buffer, result)) {
      buffer.Flush(result);
      ok = true;
    }
  }

  if (buffer.block) GlobalFree(buffer.block);
  SelectObject(mem, old_obj);
  DeleteObject(bm32_handle);
  DeleteDC(mem);
  DeleteObject(pal);
  DeleteObject(in_bmp);
  if (!ok && result) {
    DeleteObject(result);
    result = 0;
  }
  return result;
}

LRESULT HoverButtonHandler(HWND Wnd, UINT iMsg, WPARAM wParam, LPARAM lParam) {
  switch (iMsg) {
    case WM_CREATE:
      return OnCreate(Wnd);
    case WM_DESTROY:
      return OnDestroy(Wnd);
    case WM_PAINT:
      return OnPaint(Wnd);
    case WM_MOUSEMOVE:
      return OnMouseMove(Wnd, wParam, lParam);
    case WM_LBUTTONDOWN:
      SetCapture(Wnd);
      SetState(Wnd, kStatePressed);
      return 0;
    case WM_LBUTTONUP:
      return OnLButtonUp(Wnd);
    default:
      return DefWindowProcA(Wnd, iMsg, wParam, lParam);
  }
}

}  // namespace lumicore
