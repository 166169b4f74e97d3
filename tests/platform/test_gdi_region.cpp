// Regions, memory DCs, DIB sections, the converting blit, palettes and
// movable global memory, without any window or GL.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <random>
#include <vector>

#include "internal.h"
#include "platform/win32.h"

namespace {

// ------------------------------------------------------------------ regions

HRGN MakeRegion(const std::vector<RECT>& rects) {
  std::vector<uint8_t> data(sizeof(RGNDATAHEADER) + sizeof(RECT) * rects.size());
  RGNDATAHEADER header{sizeof(RGNDATAHEADER), RDH_RECTANGLES, DWORD(rects.size()), 0, {0, 0, 0, 0}};
  std::memcpy(data.data(), &header, sizeof header);
  if (!rects.empty()) std::memcpy(data.data() + sizeof header, rects.data(), sizeof(RECT) * rects.size());
  return ExtCreateRegion(nullptr, DWORD(data.size()), reinterpret_cast<const RGNDATA*>(data.data()));
}

bool InRects(const std::vector<RECT>& rects, int x, int y) {
  for (const RECT& r : rects)
    if (x >= r.left && x < r.right && y >= r.top && y < r.bottom) return true;
  return false;
}

constexpr int kGridMin = -2, kGridMax = 14;

// Every grid point of the region agrees with `model`.
void ExpectRegionIs(HRGN rgn, const std::function<bool(int, int)>& model, const char* what) {
  for (int y = kGridMin; y < kGridMax; ++y)
    for (int x = kGridMin; x < kGridMax; ++x)
      ASSERT_EQ(PtInRegion(rgn, x, y) != FALSE, model(x, y)) << what << " at " << x << "," << y;
}

// The canonical form: no two rectangles overlap, touching equal bands merge.
void ExpectCanonical(HRGN rgn) {
  const platform::GdiObject* object = platform::GdiObjects().Get(rgn);
  ASSERT_NE(object, nullptr);
  const auto& r = object->region.rects;
  for (size_t i = 0; i < r.size(); ++i) {
    EXPECT_LT(r[i].left, r[i].right);
    EXPECT_LT(r[i].top, r[i].bottom);
    for (size_t j = i + 1; j < r.size(); ++j) {
      bool overlap = r[i].left < r[j].right && r[j].left < r[i].right && r[i].top < r[j].bottom &&
                     r[j].top < r[i].bottom;
      EXPECT_FALSE(overlap) << "rectangles " << i << " and " << j;
    }
  }
}

TEST(Region, ExtCreateRegionRefusesMalformedData) {
  RECT rect{0, 0, 4, 4};
  struct Case {
    const char* name;
    DWORD size_field, type, count, bytes;
    bool with_transform;
  };
  const Case cases[] = {
      {"header size", 40, RDH_RECTANGLES, 1, 48, false},
      {"type", 32, 2, 1, 48, false},
      {"count beyond the data", 32, RDH_RECTANGLES, 2, 48, false},
      {"data shorter than a header", 32, RDH_RECTANGLES, 0, 31, false},
      {"huge count", 32, RDH_RECTANGLES, 0x10000001, 48, false},
      {"transform", 32, RDH_RECTANGLES, 1, 48, true},
  };
  for (const Case& c : cases) {
    uint8_t data[48] = {};
    RGNDATAHEADER header{c.size_field, c.type, c.count, 0, {0, 0, 0, 0}};
    std::memcpy(data, &header, sizeof header);
    std::memcpy(data + 32, &rect, sizeof rect);
    const XFORM* transform = c.with_transform ? reinterpret_cast<const XFORM*>(data) : nullptr;
    EXPECT_EQ(ExtCreateRegion(transform, c.bytes, reinterpret_cast<const RGNDATA*>(data)), 0u) << c.name;
  }
  EXPECT_EQ(ExtCreateRegion(nullptr, 48, nullptr), 0u);
}

TEST(Region, ExtCreateRegionMakesTheUnionOfItsRectangles) {
  const std::vector<std::vector<RECT>> cases = {
      {},
      {{1, 1, 5, 4}},
      {{0, 0, 6, 6}, {3, 3, 9, 9}},                  // overlapping
      {{0, 0, 4, 2}, {4, 0, 8, 2}},                  // touching side by side
      {{0, 0, 4, 2}, {0, 2, 4, 5}},                  // touching above and below
      {{5, 5, 2, 8}, {3, 3, 3, 9}, {1, 1, 2, 2}},    // two empty ones dropped
      {{-2, -2, 0, 0}, {10, 10, 14, 14}, {2, 0, 3, 12}},
  };
  for (const auto& rects : cases) {
    HRGN rgn = MakeRegion(rects);
    ASSERT_NE(rgn, 0u);
    ExpectRegionIs(rgn, [&](int x, int y) { return InRects(rects, x, y); }, "union");
    ExpectCanonical(rgn);
    EXPECT_TRUE(DeleteObject(rgn));
  }
}

TEST(Region, TouchingRectanglesMergeIntoOne) {
  struct Case {
    std::vector<RECT> rects;
    int expected;
  };
  const Case cases[] = {
      {{}, NULLREGION},
      {{{0, 0, 4, 4}}, SIMPLEREGION},
      {{{0, 0, 4, 4}, {4, 0, 8, 4}}, SIMPLEREGION},
      {{{0, 0, 4, 4}, {0, 4, 4, 8}}, SIMPLEREGION},
      {{{0, 0, 4, 1}, {0, 1, 4, 2}, {0, 2, 4, 3}}, SIMPLEREGION},
      {{{0, 0, 4, 4}, {5, 0, 8, 4}}, COMPLEXREGION},
      {{{0, 0, 4, 4}, {0, 4, 5, 8}}, COMPLEXREGION},
  };
  HRGN empty = MakeRegion({});
  for (const Case& c : cases) {
    HRGN rgn = MakeRegion(c.rects);
    HRGN dst = MakeRegion({});
    EXPECT_EQ(CombineRgn(dst, rgn, empty, RGN_OR), c.expected);
    EXPECT_EQ(CombineRgn(dst, rgn, 0, RGN_COPY), c.expected);
    DeleteObject(rgn);
    DeleteObject(dst);
  }
  DeleteObject(empty);
}

TEST(Region, PointsOnTheRightAndBottomEdgesAreOutside) {
  HRGN rgn = MakeRegion({{2, 3, 6, 7}});
  struct Case {
    int x, y;
    bool inside;
  } cases[] = {{2, 3, true}, {5, 6, true}, {6, 3, false}, {2, 7, false}, {1, 3, false}, {2, 2, false}};
  for (const Case& c : cases) EXPECT_EQ(PtInRegion(rgn, c.x, c.y) != FALSE, c.inside) << c.x << "," << c.y;
  DeleteObject(rgn);
}

// Every mode against a pixel model, on random rectangle sets, including
// regions wholly above or below each other and a destination that is one of
// the sources.
TEST(Region, CombineRgnAgreesWithAPixelModel) {
  std::mt19937 random(7);
  auto random_rects = [&random](int band_top, int band_bottom) {
    std::vector<RECT> rects;
    int n = int(random() % 4);
    for (int i = 0; i < n; ++i) {
      int l = int(random() % 12) - 1, t = band_top + int(random() % (band_bottom - band_top));
      rects.push_back(RECT{l, t, l + 1 + int(random() % 6), t + 1 + int(random() % 5)});
    }
    return rects;
  };
  struct Mode {
    int mode;
    bool (*keep)(bool, bool);
  };
  const Mode modes[] = {
      {RGN_AND, [](bool a, bool b) { return a && b; }},
      {RGN_OR, [](bool a, bool b) { return a || b; }},
      {RGN_XOR, [](bool a, bool b) { return a != b; }},
      {RGN_DIFF, [](bool a, bool b) { return a && !b; }},
      {RGN_COPY, [](bool a, bool) { return a; }},
  };
  for (int round = 0; round < 150; ++round) {
    // A third of the rounds put b below a, another third a below b.
    int layout = round % 3;
    std::vector<RECT> ra = layout == 2 ? random_rects(7, 9) : random_rects(-1, layout == 1 ? 4 : 10);
    std::vector<RECT> rb = layout == 1 ? random_rects(9, 11) : random_rects(-1, layout == 2 ? 3 : 10);
    for (const Mode& m : modes) {
      for (int target = 0; target < 3; ++target) {
        HRGN a = MakeRegion(ra), b = MakeRegion(rb);
        HRGN dst = target == 0 ? MakeRegion({{100, 100, 101, 101}}) : target == 1 ? a : b;
        int type = CombineRgn(dst, a, b, m.mode);
        bool any = false;
        int count = 0;
        auto model = [&](int x, int y) { return m.keep(InRects(ra, x, y), InRects(rb, x, y)); };
        for (int y = kGridMin; y < kGridMax + 8; ++y)
          for (int x = kGridMin; x < kGridMax; ++x) any |= model(x, y);
        ExpectRegionIs(dst, model, "combined");
        ExpectCanonical(dst);
        count = int(platform::GdiObjects().Get(dst)->region.rects.size());
        EXPECT_EQ(type, !any ? NULLREGION : count == 1 ? SIMPLEREGION : COMPLEXREGION);
        if (target == 0) DeleteObject(dst);
        DeleteObject(a);
        DeleteObject(b);
        if (HasFatalFailure()) return;
      }
    }
  }
}

TEST(Region, BadHandlesFailAndLeaveTheDestinationAlone) {
  HRGN a = MakeRegion({{0, 0, 4, 4}});
  HRGN stale = MakeRegion({{0, 0, 1, 1}});
  ASSERT_TRUE(DeleteObject(stale));
  LOGPALETTE one{0x300, 1, {{1, 2, 3, 0}}};
  HPALETTE palette = CreatePalette(&one);
  for (HRGN bad : {HRGN(0), stale, HRGN(palette), HRGN(0x12345678)}) {
    EXPECT_EQ(CombineRgn(a, a, bad, RGN_OR), ERROR);
    EXPECT_EQ(CombineRgn(bad, a, a, RGN_OR), ERROR);
    EXPECT_EQ(CombineRgn(a, bad, a, RGN_COPY), ERROR);
    EXPECT_FALSE(PtInRegion(bad, 0, 0));
  }
  EXPECT_EQ(CombineRgn(a, a, a, 0), ERROR);
  EXPECT_EQ(CombineRgn(a, a, a, 6), ERROR);
  ExpectRegionIs(a, [](int x, int y) { return x >= 0 && x < 4 && y >= 0 && y < 4; }, "untouched");
  EXPECT_FALSE(DeleteObject(stale));
  DeleteObject(a);
  DeleteObject(palette);
  RECT r{1, 1, 1, 1};
  EXPECT_FALSE(SetRect(nullptr, 1, 2, 3, 4));
  EXPECT_TRUE(SetRect(&r, 1, 2, 3, 4));
  EXPECT_EQ(r.left, 1);
  EXPECT_EQ(r.top, 2);
  EXPECT_EQ(r.right, 3);
  EXPECT_EQ(r.bottom, 4);
}

// ---------------------------------------------------- DCs and DIB sections

struct Section {
  HBITMAP handle = 0;
  uint8_t* bits = nullptr;
};

// A DIB section; masks only for BI_BITFIELDS (compression 3).
Section MakeSection(int width, int height, int bits, const std::vector<RGBQUAD>& colors = {},
                    const uint32_t* masks = nullptr) {
  std::vector<uint8_t> storage(sizeof(BITMAPINFOHEADER) + 256 * sizeof(RGBQUAD));
  BITMAPINFOHEADER header{};
  header.biSize = sizeof header;
  header.biWidth = width;
  header.biHeight = height;
  header.biPlanes = 1;
  header.biBitCount = WORD(bits);
  header.biCompression = masks ? 3 : BI_RGB;
  header.biClrUsed = DWORD(colors.size());
  std::memcpy(storage.data(), &header, sizeof header);
  if (masks) std::memcpy(storage.data() + sizeof header, masks, 12);
  if (!colors.empty()) std::memcpy(storage.data() + sizeof header, colors.data(), colors.size() * sizeof(RGBQUAD));
  void* pixels = nullptr;
  Section s;
  s.handle = CreateDIBSection(0, reinterpret_cast<const BITMAPINFO*>(storage.data()), DIB_RGB_COLORS, &pixels, 0, 0);
  s.bits = static_cast<uint8_t*>(pixels);
  return s;
}

TEST(DibSection, DescribesItsLayout) {
  struct Case {
    int width, height, bits, stride;
  } cases[] = {{5, 3, 1, 4}, {33, 2, 1, 8}, {9, -4, 4, 8}, {3, 2, 8, 4}, {5, 1, 8, 8},
               {3, 2, 16, 8}, {3, -2, 24, 12}, {1, 1, 24, 4}, {7, 5, 32, 28}};
  for (const Case& c : cases) {
    Section s = MakeSection(c.width, c.height, c.bits, c.bits <= 8 ? std::vector<RGBQUAD>{{1, 2, 3, 0}} : std::vector<RGBQUAD>{});
    ASSERT_NE(s.handle, 0u) << c.bits;
    BITMAP bm{};
    ASSERT_EQ(GetObjectA(s.handle, sizeof bm, &bm), int(sizeof bm));
    EXPECT_EQ(bm.bmWidth, c.width);
    EXPECT_EQ(bm.bmHeight, c.height < 0 ? -c.height : c.height);
    EXPECT_EQ(bm.bmWidthBytes, c.stride);
    EXPECT_EQ(bm.bmBitsPixel, c.bits);
    EXPECT_EQ(bm.bmBits, s.bits);
    for (int i = 0; i < bm.bmWidthBytes * bm.bmHeight; ++i) ASSERT_EQ(s.bits[i], 0) << "zero-filled";
    EXPECT_TRUE(DeleteObject(s.handle));
  }
}

TEST(DibSection, RefusesWhatItCannotHold) {
  auto attempt = [](BITMAPINFOHEADER header, UINT usage, HANDLE section) {
    std::vector<uint8_t> storage(sizeof header + 1024);
    std::memcpy(storage.data(), &header, sizeof header);
    void* pixels = reinterpret_cast<void*>(1);
    HBITMAP h = CreateDIBSection(0, reinterpret_cast<const BITMAPINFO*>(storage.data()), usage, &pixels, section, 0);
    EXPECT_EQ(pixels == nullptr, h == 0) << "a pixel pointer exactly when made";
    return h;
  };
  BITMAPINFOHEADER good{40, 4, 4, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  ASSERT_NE(attempt(good, DIB_RGB_COLORS, 0), 0u);
  struct Case {
    const char* name;
    std::function<void(BITMAPINFOHEADER&)> spoil;
  };
  const Case cases[] = {
      {"header size", [](BITMAPINFOHEADER& h) { h.biSize = 12; }},
      {"planes", [](BITMAPINFOHEADER& h) { h.biPlanes = 2; }},
      {"bit count 2", [](BITMAPINFOHEADER& h) { h.biBitCount = 2; }},
      {"bit count 0", [](BITMAPINFOHEADER& h) { h.biBitCount = 0; }},
      {"width 0", [](BITMAPINFOHEADER& h) { h.biWidth = 0; }},
      {"negative width", [](BITMAPINFOHEADER& h) { h.biWidth = -4; }},
      {"height 0", [](BITMAPINFOHEADER& h) { h.biHeight = 0; }},
      {"lowest height", [](BITMAPINFOHEADER& h) { h.biHeight = INT32_MIN; }},
      {"too large", [](BITMAPINFOHEADER& h) { h.biWidth = 100000; h.biHeight = 100000; }},
      {"run-length compression", [](BITMAPINFOHEADER& h) { h.biCompression = 1; }},
      {"bit fields at 24 bits", [](BITMAPINFOHEADER& h) { h.biCompression = 3; h.biBitCount = 24; }},
  };
  for (const Case& c : cases) {
    BITMAPINFOHEADER h = good;
    c.spoil(h);
    EXPECT_EQ(attempt(h, DIB_RGB_COLORS, 0), 0u) << c.name;
  }
  EXPECT_EQ(attempt(good, 1, 0), 0u) << "palette indices";
  EXPECT_EQ(attempt(good, DIB_RGB_COLORS, 5), 0u) << "file section";
  EXPECT_EQ(CreateDIBSection(0, nullptr, DIB_RGB_COLORS, nullptr, 0, 0), 0u);
  EXPECT_EQ(CreateDIBSection(0x22345678, reinterpret_cast<const BITMAPINFO*>(&good), DIB_RGB_COLORS, nullptr, 0, 0), 0u);
}

TEST(DibSection, PixelPointerOutlivesOtherObjects) {
  Section s = MakeSection(16, 16, 32);
  std::vector<HGDIOBJ> others;
  for (int i = 0; i < 300; ++i) others.push_back(MakeSection(4, 4, 24).handle);
  BITMAP bm{};
  GetObjectA(s.handle, sizeof bm, &bm);
  EXPECT_EQ(bm.bmBits, s.bits);
  for (HGDIOBJ h : others) DeleteObject(h);
  GetObjectA(s.handle, sizeof bm, &bm);
  EXPECT_EQ(bm.bmBits, s.bits);
  DeleteObject(s.handle);
}

TEST(MemoryDc, SelectionPinsObjectsUntilReleased) {
  HDC dc = CreateCompatibleDC(0);
  HDC other = CreateCompatibleDC(dc);
  ASSERT_NE(dc, 0u);
  ASSERT_NE(other, 0u);
  Section s = MakeSection(2, 2, 24);
  HGDIOBJ stock = SelectObject(dc, s.handle);
  ASSERT_NE(stock, 0u) << "a new DC hands back its default bitmap";
  BITMAP bm{};
  ASSERT_EQ(GetObjectA(stock, sizeof bm, &bm), int(sizeof bm));
  EXPECT_EQ(bm.bmWidth, 1);
  EXPECT_EQ(bm.bmBitsPixel, 1);
  EXPECT_EQ(SelectObject(dc, s.handle), s.handle) << "selecting it again changes nothing";
  EXPECT_EQ(SelectObject(other, s.handle), 0u) << "a bitmap lives in one DC at a time";
  EXPECT_FALSE(DeleteObject(s.handle)) << "still selected";
  EXPECT_EQ(SelectObject(dc, stock), s.handle);
  EXPECT_TRUE(DeleteObject(stock)) << "stock objects ignore deletion";
  EXPECT_EQ(SelectObject(other, s.handle), stock);
  EXPECT_TRUE(DeleteDC(other)) << "deleting the DC lets go of its bitmap";
  EXPECT_TRUE(DeleteObject(s.handle));
  EXPECT_EQ(SelectObject(dc, s.handle), 0u) << "stale bitmap";

  HRGN rgn = CreateCompatibleDC(0) ? MakeRegion({{0, 0, 1, 1}}) : 0;
  EXPECT_EQ(SelectObject(dc, rgn), 0u) << "DCs here hold no clip region";
  EXPECT_TRUE(DeleteObject(rgn));

  EXPECT_TRUE(DeleteDC(dc));
  EXPECT_FALSE(DeleteDC(dc)) << "stale DC";
  EXPECT_FALSE(DeleteDC(0));
  EXPECT_EQ(CreateCompatibleDC(dc), 0u) << "made from a stale DC";
  EXPECT_EQ(SelectObject(dc, stock), 0u);
}

TEST(MemoryDc, ColorTableOfTheSelectedBitmap) {
  HDC dc = CreateCompatibleDC(0);
  std::vector<RGBQUAD> table = {{10, 20, 30, 0}, {40, 50, 60, 0}, {70, 80, 90, 0}};
  Section s8 = MakeSection(4, 4, 8, table);
  Section s24 = MakeSection(4, 4, 24);
  RGBQUAD got[256] = {};
  HGDIOBJ old = SelectObject(dc, s8.handle);
  ASSERT_EQ(GetDIBColorTable(dc, 0, 256, got), 3u);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(got[i].rgbBlue, table[i].rgbBlue);
    EXPECT_EQ(got[i].rgbRed, table[i].rgbRed);
  }
  EXPECT_EQ(GetDIBColorTable(dc, 1, 1, got), 1u);
  EXPECT_EQ(got[0].rgbGreen, 50);
  EXPECT_EQ(GetDIBColorTable(dc, 3, 10, got), 0u);
  EXPECT_EQ(GetDIBColorTable(dc, 0, 10, nullptr), 0u);
  SelectObject(dc, s24.handle);
  EXPECT_EQ(GetDIBColorTable(dc, 0, 256, got), 0u) << "true-colour bitmaps have no table";
  SelectObject(dc, old);
  EXPECT_EQ(GetDIBColorTable(0, 0, 256, got), 0u);
  DeleteDC(dc);
  DeleteObject(s8.handle);
  DeleteObject(s24.handle);
}

// ------------------------------------------------------------ conversions

// A bitmap of each kind with writers and readers of its pixels (0x00RRGGBB,
// y from the top), so the blit can be checked through raw memory.
struct Format {
  const char* name;
  int bits;
  bool top_down;
  bool masks565;
};

const std::vector<RGBQUAD> kTable = {{0, 0, 0, 0},     {0, 0, 255, 0},  {0, 255, 0, 0},  {255, 0, 0, 0},
                                     {255, 255, 255, 0}, {255, 0, 255, 0}, {0, 255, 255, 0}, {255, 255, 0, 0}};
const uint32_t kMasks565[3] = {0xF800, 0x07E0, 0x001F};

struct Image {
  Format format;
  Section section;
  int width, height, stride;
  uint8_t* Row(int y) const { return section.bits + size_t(format.top_down ? y : height - 1 - y) * stride; }
};

Image MakeImage(const Format& f, int width, int height) {
  Image img{f, {}, width, height, 0};
  img.section = MakeSection(width, f.top_down ? -height : height, f.bits, f.bits <= 8 ? kTable : std::vector<RGBQUAD>{},
                            f.masks565 ? kMasks565 : nullptr);
  BITMAP bm{};
  GetObjectA(img.section.handle, sizeof bm, &bm);
  img.stride = bm.bmWidthBytes;
  return img;
}

int TableIndex(uint32_t c) {
  for (size_t i = 0; i < kTable.size(); ++i)
    if (((uint32_t(kTable[i].rgbRed) << 16) | (uint32_t(kTable[i].rgbGreen) << 8) | kTable[i].rgbBlue) == c) return int(i);
  return -1;
}

void Put(const Image& img, int x, int y, uint32_t c) {
  uint8_t* row = img.Row(y);
  uint32_t r = c >> 16 & 255, g = c >> 8 & 255, b = c & 255;
  switch (img.format.bits) {
    case 1: case 4: case 8: {
      int per = 8 / img.format.bits, shift = 8 - img.format.bits * (x % per + 1);
      row[x / per] = uint8_t((row[x / per] & ~(((1 << img.format.bits) - 1) << shift)) | (TableIndex(c) << shift));
      break;
    }
    case 16: {
      uint32_t v = img.format.masks565 ? ((r >> 3) << 11 | (g >> 2) << 5 | b >> 3) : ((r >> 3) << 10 | (g >> 3) << 5 | b >> 3);
      row[2 * x] = uint8_t(v);
      row[2 * x + 1] = uint8_t(v >> 8);
      break;
    }
    case 24: row[3 * x] = uint8_t(b); row[3 * x + 1] = uint8_t(g); row[3 * x + 2] = uint8_t(r); break;
    case 32: row[4 * x] = uint8_t(b); row[4 * x + 1] = uint8_t(g); row[4 * x + 2] = uint8_t(r); row[4 * x + 3] = 0; break;
  }
}

uint32_t Get(const Image& img, int x, int y) {
  const uint8_t* row = img.Row(y);
  auto wide = [](uint32_t v, int width) { return (v * 255 + ((1u << width) - 1) / 2) / ((1u << width) - 1); };
  switch (img.format.bits) {
    case 1: case 4: case 8: {
      int per = 8 / img.format.bits, shift = 8 - img.format.bits * (x % per + 1);
      const RGBQUAD& q = kTable[(row[x / per] >> shift) & ((1 << img.format.bits) - 1)];
      return uint32_t(q.rgbRed) << 16 | uint32_t(q.rgbGreen) << 8 | q.rgbBlue;
    }
    case 16: {
      uint32_t v = row[2 * x] | uint32_t(row[2 * x + 1]) << 8;
      if (img.format.masks565) return wide(v >> 11, 5) << 16 | wide(v >> 5 & 63, 6) << 8 | wide(v & 31, 5);
      return wide(v >> 10 & 31, 5) << 16 | wide(v >> 5 & 31, 5) << 8 | wide(v & 31, 5);
    }
    case 24: return uint32_t(row[3 * x + 2]) << 16 | uint32_t(row[3 * x + 1]) << 8 | row[3 * x];
    default: return uint32_t(row[4 * x + 2]) << 16 | uint32_t(row[4 * x + 1]) << 8 | row[4 * x];
  }
}

const Format kFormats[] = {
    {"1-bit", 1, false, false},  {"4-bit", 4, false, false},     {"8-bit", 8, false, false},
    {"8-bit top-down", 8, true, false}, {"16-bit 555", 16, false, false}, {"16-bit 565", 16, false, true},
    {"24-bit", 24, false, false}, {"24-bit top-down", 24, true, false}, {"32-bit", 32, false, false},
};

// Colours every format holds exactly (a 1-bit table has black and blue only).
uint32_t Pattern(const Format& f, int x, int y) {
  static const uint32_t colors[] = {0x000000, 0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF, 0xFF00FF, 0xFFFF00, 0x00FFFF};
  int count = f.bits == 1 ? 2 : 8;
  uint32_t c = colors[(x * 3 + y * 5) % count];
  if (f.bits == 1) return c ? 0xFF0000 : 0;  // table entries 0 and 1
  return c;
}

TEST(BitBlt, ConvertsBetweenEveryPairOfFormats) {
  const int w = 11, h = 5;
  for (const Format& from : kFormats) {
    for (const Format& to : kFormats) {
      Image src = MakeImage(from, w, h);
      Image dst = MakeImage(to, w + 4, h + 2);
      ASSERT_NE(src.section.handle, 0u);
      ASSERT_NE(dst.section.handle, 0u);
      for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) Put(src, x, y, Pattern(to.bits == 1 ? to : from, x, y));
      HDC sdc = CreateCompatibleDC(0), ddc = CreateCompatibleDC(0);
      HGDIOBJ so = SelectObject(sdc, src.section.handle), dout = SelectObject(ddc, dst.section.handle);
      // Into the destination at (2, 1), from the source's (1, 0) on.
      ASSERT_TRUE(BitBlt(ddc, 2, 1, w - 1, h, sdc, 1, 0, SRCCOPY)) << from.name << " to " << to.name;
      for (int y = 0; y < h + 2; ++y)
        for (int x = 0; x < w + 4; ++x) {
          bool copied = x >= 2 && x < w + 1 && y >= 1 && y < h + 1;
          uint32_t expected = copied ? Pattern(to.bits == 1 ? to : from, x - 1, y - 1) : 0u;
          ASSERT_EQ(Get(dst, x, y), expected)
              << from.name << " to " << to.name << " at " << x << "," << y;
        }
      SelectObject(sdc, so);
      SelectObject(ddc, dout);
      DeleteDC(sdc);
      DeleteDC(ddc);
      DeleteObject(src.section.handle);
      DeleteObject(dst.section.handle);
    }
  }
}

TEST(BitBlt, PalettedTargetsTakeTheNearestEntry) {
  Image src = MakeImage({"24-bit", 24, false, false}, 3, 1);
  Image dst = MakeImage({"8-bit", 8, false, false}, 3, 1);
  Put(src, 0, 0, 0xF00A0A);  // near red
  Put(src, 1, 0, 0x10F0F0);  // near cyan
  Put(src, 2, 0, 0x202020);  // near black
  HDC sdc = CreateCompatibleDC(0), ddc = CreateCompatibleDC(0);
  SelectObject(sdc, src.section.handle);
  SelectObject(ddc, dst.section.handle);
  ASSERT_TRUE(BitBlt(ddc, 0, 0, 3, 1, sdc, 0, 0, SRCCOPY));
  EXPECT_EQ(Get(dst, 0, 0), 0xFF0000u);
  EXPECT_EQ(Get(dst, 1, 0), 0x00FFFFu);
  EXPECT_EQ(Get(dst, 2, 0), 0x000000u);
  DeleteDC(sdc);
  DeleteDC(ddc);
  DeleteObject(src.section.handle);
  DeleteObject(dst.section.handle);
}

TEST(BitBlt, ClipsToBothBitmaps) {
  const Format f{"24-bit", 24, false, false};
  struct Case {
    const char* name;
    int x, y, cx, cy, x1, y1;
    bool copies;  // at least one pixel lands
  } cases[] = {
      {"whole", 0, 0, 6, 4, 0, 0, true},
      {"left of the destination", -3, 0, 6, 4, 0, 0, true},
      {"above the destination", 0, -2, 6, 4, 0, 0, true},
      {"source starts left of its bitmap", 0, 0, 6, 4, -2, -1, true},
      {"far larger than both", -100, -100, 100000, 100000, -100, -100, true},
      {"offsets that miss the source", -100, -100, 100000, 100000, -50, -50, false},
      {"wholly outside", 10, 10, 6, 4, 0, 0, false},
      {"source wholly outside", 0, 0, 6, 4, 6, 0, false},
      {"empty", 0, 0, 0, 4, 0, 0, false},
      {"negative size", 0, 0, -5, -5, 0, 0, false},
      {"extreme offsets", INT32_MIN, INT32_MAX, INT32_MAX, INT32_MAX, INT32_MIN, INT32_MIN, false},
  };
  for (const Case& c : cases) {
    Image src = MakeImage(f, 6, 4), dst = MakeImage(f, 6, 4);
    for (int y = 0; y < 4; ++y)
      for (int x = 0; x < 6; ++x) Put(src, x, y, uint32_t(0x010000 * (x + 1) + 0x000100 * (y + 1) + 7));
    HDC sdc = CreateCompatibleDC(0), ddc = CreateCompatibleDC(0);
    SelectObject(sdc, src.section.handle);
    SelectObject(ddc, dst.section.handle);
    EXPECT_TRUE(BitBlt(ddc, c.x, c.y, c.cx, c.cy, sdc, c.x1, c.y1, SRCCOPY)) << c.name;
    int landed = 0;
    for (int y = 0; y < 4; ++y)
      for (int x = 0; x < 6; ++x) {
        uint32_t got = Get(dst, x, y);
        if (got == 0) continue;
        ++landed;
        // Whatever landed came from the matching source pixel.
        int sx = x - c.x + c.x1, sy = y - c.y + c.y1;
        ASSERT_TRUE(sx >= 0 && sx < 6 && sy >= 0 && sy < 4) << c.name;
        EXPECT_EQ(got, Get(src, sx, sy)) << c.name;
      }
    EXPECT_EQ(landed > 0, c.copies) << c.name;
    DeleteDC(sdc);
    DeleteDC(ddc);
    DeleteObject(src.section.handle);
    DeleteObject(dst.section.handle);
  }
}

TEST(BitBlt, CopiesWithinOneBitmap) {
  const Format f{"32-bit", 32, false, false};
  Image img = MakeImage(f, 5, 1);
  for (int x = 0; x < 5; ++x) Put(img, x, 0, uint32_t(x + 1));
  HDC dc = CreateCompatibleDC(0);
  SelectObject(dc, img.section.handle);
  ASSERT_TRUE(BitBlt(dc, 1, 0, 4, 1, dc, 0, 0, SRCCOPY));
  const uint32_t expected[] = {1, 1, 2, 3, 4};
  for (int x = 0; x < 5; ++x) EXPECT_EQ(Get(img, x, 0), expected[x]) << x;
  DeleteDC(dc);
  DeleteObject(img.section.handle);
}

TEST(BitBlt, RefusesBadArguments) {
  Image a = MakeImage({"24-bit", 24, false, false}, 2, 2);
  HDC dc = CreateCompatibleDC(0), empty = CreateCompatibleDC(0), gone = CreateCompatibleDC(0);
  DeleteDC(gone);
  SelectObject(dc, a.section.handle);
  EXPECT_FALSE(BitBlt(dc, 0, 0, 2, 2, dc, 0, 0, 0x00EE0086)) << "only SRCCOPY";
  EXPECT_FALSE(BitBlt(gone, 0, 0, 2, 2, dc, 0, 0, SRCCOPY));
  EXPECT_FALSE(BitBlt(dc, 0, 0, 2, 2, gone, 0, 0, SRCCOPY));
  EXPECT_FALSE(BitBlt(0, 0, 0, 2, 2, dc, 0, 0, SRCCOPY));
  EXPECT_FALSE(BitBlt(dc, 0, 0, 2, 2, HDC(a.section.handle), 0, 0, SRCCOPY)) << "a bitmap is not a DC";
  // A DC's default bitmap is one black pixel.
  Put(a, 0, 0, 0xFFFFFF);
  EXPECT_TRUE(BitBlt(dc, 0, 0, 2, 2, empty, 0, 0, SRCCOPY));
  EXPECT_EQ(Get(a, 0, 0), 0u);
  DeleteDC(dc);
  DeleteDC(empty);
  DeleteObject(a.section.handle);
}

// --------------------------------------------------------------- palettes

TEST(Palette, CreationSelectionAndRealisation) {
  std::vector<uint8_t> storage(sizeof(LOGPALETTE) + 3 * sizeof(PALETTEENTRY));
  LOGPALETTE* log = reinterpret_cast<LOGPALETTE*>(storage.data());
  log->palVersion = 0x300;
  log->palNumEntries = 4;
  for (int i = 0; i < 4; ++i) log->palPalEntry[i] = PALETTEENTRY{BYTE(i), BYTE(2 * i), BYTE(3 * i), 0};
  HPALETTE pal = CreatePalette(log);
  ASSERT_NE(pal, 0u);
  WORD count = 0;
  EXPECT_EQ(GetObjectA(pal, sizeof count, &count), int(sizeof count));
  EXPECT_EQ(count, 4);
  EXPECT_EQ(platform::GdiObjects().Get(pal)->palette.entries[3].peBlue, 9);

  log->palVersion = 0x200;
  EXPECT_EQ(CreatePalette(log), 0u);
  log->palVersion = 0x300;
  log->palNumEntries = 0;
  EXPECT_EQ(CreatePalette(log), 0u);
  EXPECT_EQ(CreatePalette(nullptr), 0u);

  HPALETTE halftone = CreateHalftonePalette(0);
  ASSERT_NE(halftone, 0u);
  const auto& entries = platform::GdiObjects().Get(halftone)->palette.entries;
  ASSERT_EQ(entries.size(), 256u);
  auto has = [&entries](int r, int g, int b) {
    for (const PALETTEENTRY& e : entries)
      if (e.peRed == r && e.peGreen == g && e.peBlue == b) return true;
    return false;
  };
  for (int r : {0, 51, 255})
    for (int g : {0, 153, 255})
      for (int b : {0, 204, 255}) EXPECT_TRUE(has(r, g, b)) << r << "," << g << "," << b;

  HDC dc = CreateCompatibleDC(0), other = CreateCompatibleDC(0);
  HPALETTE stock = SelectPalette(dc, pal, FALSE);
  ASSERT_NE(stock, 0u) << "a new DC hands back the default palette";
  EXPECT_EQ(RealizePalette(dc), 4u);
  EXPECT_EQ(SelectPalette(other, pal, TRUE), stock) << "palettes may sit in many DCs";
  EXPECT_EQ(SelectPalette(dc, halftone, FALSE), pal);
  EXPECT_EQ(RealizePalette(dc), 256u);
  EXPECT_EQ(SelectObject(dc, pal), halftone) << "SelectObject selects palettes too";
  EXPECT_FALSE(DeleteObject(pal)) << "selected into two DCs";
  EXPECT_EQ(SelectPalette(dc, stock, FALSE), pal);
  EXPECT_FALSE(DeleteObject(pal)) << "still in the other DC";
  DeleteDC(other);
  EXPECT_TRUE(DeleteObject(pal));
  EXPECT_EQ(SelectPalette(dc, pal, FALSE), 0u) << "stale palette";
  EXPECT_EQ(SelectPalette(dc, HPALETTE(dc), FALSE), 0u) << "not a palette";
  EXPECT_EQ(RealizePalette(0x2FFF0001), UINT(-1));
  EXPECT_EQ(CreateHalftonePalette(0x2FFF0001), 0u);
  HPALETTE from_dc = CreateHalftonePalette(dc);
  EXPECT_NE(from_dc, 0u);
  DeleteObject(from_dc);
  DeleteDC(dc);
  EXPECT_TRUE(DeleteObject(halftone));
}

// ----------------------------------------------------------- global memory

TEST(GlobalMemory, LockedBlocksKeepTheirBytes) {
  int live = platform::LiveGlobalBlocksForTesting();
  HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE, 16);
  ASSERT_NE(h, 0u);
  auto* p = static_cast<uint8_t*>(GlobalLock(h));
  ASSERT_NE(p, nullptr);
  for (int i = 0; i < 16; ++i) EXPECT_EQ(p[i], 0);
  for (int i = 0; i < 16; ++i) p[i] = uint8_t(i + 1);
  EXPECT_EQ(GlobalLock(h), p) << "a second lock";
  EXPECT_TRUE(GlobalUnlock(h)) << "one lock left";
  EXPECT_FALSE(GlobalUnlock(h)) << "now unlocked";
  EXPECT_FALSE(GlobalUnlock(h)) << "not locked at all";

  EXPECT_EQ(GlobalReAlloc(h, 100000, GMEM_MOVEABLE), h) << "a movable block keeps its handle";
  p = static_cast<uint8_t*>(GlobalLock(h));
  ASSERT_NE(p, nullptr);
  for (int i = 0; i < 16; ++i) EXPECT_EQ(p[i], i + 1) << "contents survive growth";
  EXPECT_EQ(p[99999], 0);
  EXPECT_EQ(GlobalReAlloc(h, 200000, GMEM_FIXED), 0u) << "a locked block may not move unless allowed";
  EXPECT_EQ(GlobalFree(h), 0u) << "freed although locked";
  EXPECT_EQ(platform::LiveGlobalBlocksForTesting(), live);

  HGLOBAL empty = GlobalAlloc(GMEM_MOVEABLE, 0);
  ASSERT_NE(empty, 0u);
  EXPECT_EQ(GlobalLock(empty), nullptr) << "nothing to address";
  EXPECT_EQ(GlobalFree(empty), 0u);
}

TEST(GlobalMemory, FailuresLeaveBlocksAlone) {
  platform::SetGlobalBlockLimitForTesting(64);
  HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE, 64);
  EXPECT_NE(h, 0u);
  EXPECT_EQ(GlobalAlloc(GMEM_MOVEABLE, 65), 0u);
  auto* p = static_cast<uint8_t*>(GlobalLock(h));
  ASSERT_NE(p, nullptr);
  p[63] = 42;
  GlobalUnlock(h);
  EXPECT_EQ(GlobalReAlloc(h, 65, GMEM_MOVEABLE), 0u);
  p = static_cast<uint8_t*>(GlobalLock(h));
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(p[63], 42) << "a failed growth keeps the block";
  platform::SetGlobalBlockLimitForTesting(0);
  EXPECT_EQ(GlobalAlloc(GMEM_MOVEABLE, size_t(1) << 40), 0u) << "beyond any memory";
  GlobalFree(h);
}

TEST(GlobalMemory, StaleAndForeignHandlesFail) {
  HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE, 8);
  ASSERT_EQ(GlobalFree(h), 0u);
  HRGN rgn = MakeRegion({{0, 0, 1, 1}});
  for (HGLOBAL bad : {h, HGLOBAL(0), HGLOBAL(rgn), HGLOBAL(0x6FFF1234)}) {
    EXPECT_EQ(GlobalLock(bad), nullptr);
    EXPECT_FALSE(GlobalUnlock(bad));
    EXPECT_EQ(GlobalReAlloc(bad, 16, GMEM_MOVEABLE), 0u);
    EXPECT_EQ(GlobalFree(bad), bad) << "Windows hands back what it could not free";
  }
  EXPECT_TRUE(PtInRegion(rgn, 0, 0)) << "the region survived GlobalFree";
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, 4);
  EXPECT_FALSE(DeleteObject(HGDIOBJ(block))) << "a block is no GDI object";
  EXPECT_NE(GlobalLock(block), nullptr);
  GlobalFree(block);
  DeleteObject(rgn);
}

}  // namespace
