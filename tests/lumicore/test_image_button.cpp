// Image buttons and the bitmap helpers behind them, on BMP files the tests
// write themselves: the region builder, the palette loader, the button's
// creation, painting, state machine and destruction, and the drawing of
// child windows over the GL picture.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "bmp_fixture.h"
#include "internal.h"
#include "lumicore/lumicore.h"

namespace {

using Picture = std::vector<std::vector<uint32_t>>;  // 0x00RRGGBB, top row first

constexpr uint32_t kMagenta = 0xFF00FF;
constexpr uint32_t kNearMagenta = 0xFF01FF;  // green 1: cut by tolerance 1
constexpr uint32_t kRed = 0xFF0000, kBlue = 0x0000FF, kGreen = 0x00FF00;

std::string TempDir() {
  static std::string dir;
  if (dir.empty()) {
    char pattern[] = "/tmp/image_button_XXXXXX";
    const char* made = mkdtemp(pattern);
    dir = made ? made : "/tmp";
  }
  return dir;
}

// Writes the picture as a BMP of the given depth (8: a table of its colours).
std::string WriteBmp(const std::string& name, const Picture& pic, int bits, bool top_down = false) {
  const int h = int(pic.size()), w = h ? int(pic[0].size()) : 0;
  std::vector<uint32_t> table;
  std::map<uint32_t, uint8_t> index;
  if (bits == 8)
    for (const auto& row : pic)
      for (uint32_t c : row)
        if (!index.count(c)) {
          index[c] = uint8_t(table.size());
          table.push_back(c);
        }
  std::vector<std::vector<uint8_t>> rows;
  for (int i = 0; i < h; ++i) {
    const auto& src = pic[top_down ? i : h - 1 - i];
    std::vector<uint8_t> row;
    for (uint32_t c : src) {
      if (bits == 8) {
        row.push_back(index[c]);
      } else {
        row.insert(row.end(), {uint8_t(c), uint8_t(c >> 8), uint8_t(c >> 16)});
        if (bits == 32) row.push_back(0);
      }
    }
    rows.push_back(row);
  }
  bmpfix::Header header;
  header.width = w;
  header.height = top_down ? -h : h;
  header.bits = uint16_t(bits);
  header.colors_used = uint32_t(table.size());
  std::string path = TempDir() + "/" + name;
  EXPECT_TRUE(bmpfix::WriteFile(path, bmpfix::Build(header, table, rows)));
  return path;
}

// A picture from text: '#' red, '.' magenta, ',' near-magenta, 'o' (254,0,255).
Picture FromText(const std::vector<std::string>& lines) {
  Picture pic;
  for (const std::string& line : lines) {
    std::vector<uint32_t> row;
    for (char ch : line)
      row.push_back(ch == '.' ? kMagenta : ch == ',' ? kNearMagenta : ch == 'o' ? 0xFE00FF : kRed);
    pic.push_back(row);
  }
  return pic;
}

// What the platform holds, to see that nothing leaks.
struct Census {
  int gdi = 0, dcs = 0, blocks = 0;
  static Census Take() {
    Census c;
    platform::GdiObjects().ForEach([&c](uint32_t, platform::GdiObject& o) { c.gdi += o.stock ? 0 : 1; });
    platform::DeviceContexts().ForEach([&c](uint32_t, platform::DeviceContext&) { ++c.dcs; });
    c.blocks = platform::LiveGlobalBlocksForTesting();
    return c;
  }
};

void ExpectSameCensus(const Census& before, const Census& after, const char* what) {
  EXPECT_EQ(after.gdi, before.gdi) << what << ": GDI objects";
  EXPECT_EQ(after.dcs, before.dcs) << what << ": device contexts";
  EXPECT_EQ(after.blocks, before.blocks) << what << ": global blocks";
}

bool Empty(HRGN rgn) {
  const platform::GdiObject* o = platform::GdiObjects().Get(rgn);
  return o && o->kind == platform::GdiKind::Region && o->region.rects.empty();
}

// ------------------------------------------------------- the region builder

TEST(BitmapToRegion, ColourWindowIsOneSided) {
  struct Case {
    COLORREF trans;
    BYTE tolerance;
    uint32_t pixel;
    bool transparent;
  } cases[] = {
      {0x00FF00FF, 0, kMagenta, true},
      {0x00FF00FF, 0, kNearMagenta, false},
      {0x00FF00FF, 1, kMagenta, true},
      {0x00FF00FF, 1, kNearMagenta, true},
      {0x00FF00FF, 1, 0xFE00FF, false},  // red 254 lies below the window
      {0x00FF00FF, 1, 0xFF02FF, false},
      {0x00FF00FF, 1, 0xFF00FE, false},
      {0xFFFF00FF, 0, kMagenta, true},  // the top byte of the COLORREF is ignored
      {0x00FFFFFF, 200, 0xFFFFFF, true},  // 255 stays the top whatever the tolerance
      {0x00FFFFFF, 200, 0xFEFFFF, false},
      {0x00000000, 5, 0x050505, true},
      {0x00000000, 5, 0x060000, false},
      {0x00102030, 16, 0x302010, true},  // red 48..64, green 32..48, blue 16..32
      {0x00102030, 16, 0x403020, true},
      {0x00102030, 16, 0x2F2010, false},
      {0x00102030, 16, 0x302021, false},
      {0x00102030, 16, 0x40300F, false},
      {0x00102030, 16, 0x413020, false},
  };
  for (const Case& c : cases) {
    std::string path = WriteBmp("window.bmp", {{c.pixel}}, 24);
    HRGN rgn = lumicore::BitmapToRegion(path.c_str(), c.trans, c.tolerance);
    ASSERT_NE(rgn, 0u);
    EXPECT_EQ(PtInRegion(rgn, 0, 0) == FALSE, c.transparent)
        << std::hex << "colour " << c.pixel << " against " << c.trans << " tolerance " << int(c.tolerance);
    DeleteObject(rgn);
  }
}

TEST(BitmapToRegion, ShapesAtEveryDepthAndRowOrder) {
  const std::vector<std::vector<std::string>> shapes = {
      {"########"},                            // a row without transparent pixels
      {"#.#.#.#."},                            // one-pixel runs
      {".#.#.#.#"},
      {"##..", "....", "...#"},                // row 0 is the top row
      {"..,,..", ".####.", ".#,,#.", "o....o"},
      {"....", "....", "...."},                // fully transparent
      {"#"},
  };
  struct Depth {
    int bits;
    bool top_down;
  } depths[] = {{24, false}, {8, false}, {32, false}, {24, true}, {8, true}};
  for (const auto& text : shapes) {
    Picture pic = FromText(text);
    for (const Depth& d : depths) {
      std::string path = WriteBmp("shape.bmp", pic, d.bits, d.top_down);
      Census before = Census::Take();
      HRGN rgn = lumicore::BitmapToRegion(path.c_str(), 0x00FF00FF, 1);
      ASSERT_NE(rgn, 0u) << text[0] << " at " << d.bits << " bits";
      for (int y = -1; y <= int(pic.size()); ++y)
        for (int x = -1; x <= int(pic[0].size()); ++x) {
          bool opaque = y >= 0 && y < int(pic.size()) && x >= 0 && x < int(pic[0].size()) &&
                        text[y][x] != '.' && text[y][x] != ',';
          EXPECT_EQ(PtInRegion(rgn, x, y) != FALSE, opaque)
              << text[0] << " at " << d.bits << " bits, top-down " << d.top_down << ", " << x << "," << y;
        }
      DeleteObject(rgn);
      ExpectSameCensus(before, Census::Take(), "one build");
    }
  }
  std::string blank = WriteBmp("blank.bmp", FromText({"...", "..."}), 24);
  HRGN rgn = lumicore::BitmapToRegion(blank.c_str(), 0x00FF00FF, 1);
  EXPECT_TRUE(Empty(rgn)) << "a fully transparent image gives an empty region, not 0";
  DeleteObject(rgn);
}

// `runs` one-pixel runs, 50 to a row.
Picture Runs(int runs) {
  Picture pic;
  for (int left = runs; left > 0; left -= 50) {
    std::vector<uint32_t> row(100, kMagenta);
    for (int i = 0; i < std::min(left, 50); ++i) row[2 * i] = kRed;
    pic.push_back(row);
  }
  return pic;
}

// The rectangle buffer holds at most 2000 rectangles and grows by 100: with
// blocks limited to room for N rectangles, an image needs at most that many
// runs per batch.
TEST(BitmapToRegion, BatchesOf2000AndABufferThatGrowsBy100) {
  auto block_for = [](int rects) { return size_t(32 + 16 * rects); };
  struct Case {
    int runs;
    size_t limit;
    bool builds;
  } cases[] = {
      {100, block_for(100), true},
      {101, block_for(100), false},
      {101, block_for(200), true},
      {1900, block_for(1900), true},
      {1901, block_for(1999), false},
      {1999, block_for(2000), true},
      {2000, block_for(2000), true},
      {2000, block_for(2000) - 1, false},
      {2001, block_for(2000), true},
      {2001, block_for(1900), false},
      {5050, block_for(2000), true},
  };
  for (const Case& c : cases) {
    Picture pic = Runs(c.runs);
    std::string path = WriteBmp("runs.bmp", pic, 24);
    Census before = Census::Take();
    platform::SetGlobalBlockLimitForTesting(c.limit);
    HRGN rgn = lumicore::BitmapToRegion(path.c_str(), 0x00FF00FF, 0);
    platform::SetGlobalBlockLimitForTesting(0);
    EXPECT_EQ(rgn != 0, c.builds) << c.runs << " runs in blocks of " << c.limit << " bytes";
    if (rgn) {
      int inside = 0;
      for (int y = 0; y < int(pic.size()); ++y)
        for (int x = 0; x < 100; ++x) {
          bool opaque = pic[y][x] == kRed;
          inside += opaque;
          ASSERT_EQ(PtInRegion(rgn, x, y) != FALSE, opaque) << c.runs << " runs at " << x << "," << y;
        }
      EXPECT_EQ(inside, c.runs);
      DeleteObject(rgn);
    }
    ExpectSameCensus(before, Census::Take(), "batched build");
  }
}

TEST(BitmapToRegion, FailuresCleanUpAndReturnZero) {
  std::string path8 = WriteBmp("fail8.bmp", FromText({"#.#", "###"}), 8);
  std::string path24 = WriteBmp("fail24.bmp", FromText({"#.#", "###"}), 24);
  std::string garbage = TempDir() + "/garbage.bmp";
  ASSERT_TRUE(bmpfix::WriteFile(garbage, {'B', 'M', 1, 2, 3}));
  struct Case {
    const char* name;
    std::string file;
    int dc_limit;
    size_t block_limit;
  } cases[] = {
      {"missing file", TempDir() + "/none.bmp", -1, 0},
      {"not a bitmap", garbage, -1, 0},
      {"no memory DC", path24, 0, 0},
      {"no memory DC for an 8-bit image", path8, 0, 0},
      {"no temporary DC", path24, 1, 0},
      {"no temporary DC for an 8-bit image", path8, 1, 0},
      {"no rectangle buffer", path24, -1, 100},
  };
  for (const Case& c : cases) {
    Census before = Census::Take();
    platform::SetMemoryDcLimitForTesting(c.dc_limit);
    platform::SetGlobalBlockLimitForTesting(c.block_limit);
    HRGN rgn = lumicore::BitmapToRegion(c.file.c_str(), 0x00FF00FF, 1);
    platform::SetMemoryDcLimitForTesting(-1);
    platform::SetGlobalBlockLimitForTesting(0);
    EXPECT_EQ(rgn, 0u) << c.name;
    ExpectSameCensus(before, Census::Take(), c.name);
  }
  EXPECT_EQ(lumicore::BitmapToRegion(nullptr, 0x00FF00FF, 1), 0u);
}

TEST(LoadBmpFromFile, PalettesForTableAndTrueColourImages) {
  std::string path8 = WriteBmp("pal8.bmp", {{0x102030, 0x405060, 0x708090}}, 8);
  std::string path24 = WriteBmp("pal24.bmp", {{0x102030}}, 24);
  HPALETTE pal = 0;
  HBITMAP bmp = lumicore::LoadBmpFromFile(path8.c_str(), pal);
  ASSERT_NE(bmp, 0u);
  BITMAP bm{};
  GetObjectA(bmp, sizeof bm, &bm);
  EXPECT_EQ(bm.bmBitsPixel, 8) << "loaded at its own depth";
  const platform::GdiObject* p = platform::GdiObjects().Get(pal);
  ASSERT_NE(p, nullptr);
  ASSERT_EQ(p->palette.entries.size(), 256u);
  const PALETTEENTRY& second = p->palette.entries[1];
  EXPECT_EQ(second.peRed, 0x40);
  EXPECT_EQ(second.peGreen, 0x50);
  EXPECT_EQ(second.peBlue, 0x60);
  EXPECT_EQ(p->palette.entries[2].peBlue, 0x90);
  for (int i = 3; i < 256; ++i) {
    const PALETTEENTRY& e = p->palette.entries[i];
    ASSERT_EQ(e.peRed | e.peGreen | e.peBlue | e.peFlags, 0) << "entry " << i << " beyond the image's table";
  }
  DeleteObject(bmp);
  DeleteObject(pal);

  bmp = lumicore::LoadBmpFromFile(path24.c_str(), pal);
  ASSERT_NE(bmp, 0u);
  p = platform::GdiObjects().Get(pal);
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(p->palette.entries.size(), 256u) << "the halftone palette";
  DeleteObject(bmp);
  DeleteObject(pal);

  HPALETTE untouched = 0x4ABC0001;
  EXPECT_EQ(lumicore::LoadBmpFromFile((TempDir() + "/absent.bmp").c_str(), untouched), 0u);
  EXPECT_EQ(untouched, 0x4ABC0001u);
}

// ------------------------------------------------------------- the button

LRESULT ParentProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) { return DefWindowProcA(hwnd, msg, wp, lp); }

constexpr int kButtonW = 20, kButtonH = 12;

// Normal: red with a magenta 4x4 top-left corner and a near-magenta 2x2
// top-right one; hover blue and pressed green with the same cuts.
Picture ButtonPicture(uint32_t body) {
  Picture pic(kButtonH, std::vector<uint32_t>(kButtonW, body));
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x) pic[y][x] = kMagenta;
  for (int y = 0; y < 2; ++y)
    for (int x = kButtonW - 2; x < kButtonW; ++x) pic[y][x] = kNearMagenta;
  return pic;
}

class ButtonTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    WNDCLASSA parent{};
    parent.lpfnWndProc = ParentProc;
    parent.lpszClassName = "ButtonTestParent";
    RegisterClassA(&parent);
    WNDCLASSA button{};
    button.lpfnWndProc = lumicore::HoverButtonHandler;
    button.hbrBackground = HBRUSH(GetStockObject(NULL_BRUSH));
    button.lpszClassName = "IMAGEBUTTON";
    RegisterClassA(&button);
    WriteBmp("btnN.BMP", ButtonPicture(kRed), 24);
    WriteBmp("btnH.BMP", ButtonPicture(kBlue), 8);
    WriteBmp("btnP.BMP", ButtonPicture(kGreen), 32);
    WriteBmp("hoverlessN.BMP", ButtonPicture(kRed), 8);
  }

  void SetUp() override {
    parent_ = CreateWindowExA(0, "ButtonTestParent", "parent", WS_POPUP, 0, 0, 200, 150, 0, 0, 0, nullptr);
    ASSERT_NE(parent_, 0u);
  }
  void TearDown() override {
    DestroyWindow(parent_);
    lumicore::BmpType.clear();
  }

  HWND MakeButton(const std::string& prefix, int x, int y, int id, HWND parent = 0) {
    lumicore::BmpType = TempDir() + "/" + prefix;
    return CreateWindowExA(0, "IMAGEBUTTON", "", WS_CHILD | WS_VISIBLE, x, y, 5, 5, parent ? parent : parent_,
                           HMENU(id), 0, nullptr);
  }

  // WM_COMMANDs posted to the parent, other messages dispatched.
  std::vector<MSG> DrainCommands() {
    std::vector<MSG> commands;
    MSG msg;
    for (int i = 0; i < 200 && PeekMessageA(&msg, 0, 0, 0, PM_REMOVE); ++i) {
      if (msg.message == WM_COMMAND) commands.push_back(msg);
      else DispatchMessageA(&msg);
    }
    return commands;
  }

  HWND parent_ = 0;
};

TEST_F(ButtonTest, TakesItsImageSizeAndKeepsItsPlaceUnderACaption) {
  HWND framed = CreateWindowExA(0, "ButtonTestParent", "framed", WS_POPUP | WS_CAPTION, 40, 50, 200, 150, 0, 0, 0,
                                nullptr);
  ASSERT_NE(framed, 0u);
  struct Case {
    HWND parent;
    int x, y, expected_x, expected_y;
  } cases[] = {{framed, 30, 40, 30, 40}, {parent_, 30, 40, 27, 21}, {parent_, 3, 19, 0, 0}};
  for (const Case& c : cases) {
    HWND b = MakeButton("btn", c.x, c.y, 7, c.parent);
    ASSERT_NE(b, 0u);
    platform::Window* w = platform::Windows().Get(b);
    EXPECT_EQ(w->x, c.expected_x);
    EXPECT_EQ(w->y, c.expected_y);
    EXPECT_EQ(w->width, kButtonW);
    EXPECT_EQ(w->height, kButtonH);
    EXPECT_EQ(GetPropA(b, "HOVERMODEBYTE"), 1u);
    for (const char* prop : {"NORMALBITMAP", "HOVERBITMAP", "PRESSBITMAP", "HOVERBUTTONREGION"})
      EXPECT_NE(GetPropA(b, prop), 0u) << prop;
    HRGN hit = GetPropA(b, "HOVERBUTTONREGION");
    EXPECT_NE(w->region, 0u) << "the window region is set";
    EXPECT_NE(w->region, hit) << "two independent regions";
    EXPECT_TRUE(PtInRegion(w->region, 10, 6));
    EXPECT_FALSE(PtInRegion(w->region, 0, 0));
    EXPECT_FALSE(PtInRegion(hit, kButtonW - 1, 0)) << "near-magenta is cut with tolerance 1";
    EXPECT_TRUE(PtInRegion(hit, kButtonW - 3, 0));
    DestroyWindow(b);
  }
  DestroyWindow(framed);
}

TEST_F(ButtonTest, PaintsTheImageOfItsState) {
  HWND b = MakeButton("btn", 3, 19, 1);
  ASSERT_NE(b, 0u);
  struct Case {
    const char* name;
    UINT msg;
    WPARAM wp;
    uint32_t body;
  } cases[] = {{"normal", 0, 0, kRed},
               {"hover", WM_MOUSEMOVE, 0, kBlue},
               {"pressed", WM_LBUTTONDOWN, MK_LBUTTON, kGreen},
               {"normal again", WM_LBUTTONUP, 0, kRed}};
  for (const Case& c : cases) {
    if (c.msg) SendMessageA(b, c.msg, c.wp, MAKELPARAM(10, 6));
    EXPECT_TRUE(platform::Windows().Get(b)->invalid) << c.name;
    SendMessageA(b, WM_PAINT, 0, 0);
    platform::Window* w = platform::Windows().Get(b);
    EXPECT_FALSE(w->invalid) << c.name << ": painting validates";
    Picture expected = ButtonPicture(c.body);
    for (int y = 0; y < kButtonH; ++y)
      for (int x = 0; x < kButtonW; ++x)
        ASSERT_EQ(w->backing[size_t(y) * kButtonW + x] & 0xFFFFFF, expected[y][x]) << c.name << " " << x << "," << y;
  }
  DrainCommands();
  DestroyWindow(b);
}

// The state machine: message sequences against the state, the capture and
// the clicks they post.
TEST_F(ButtonTest, StateMachine) {
  enum { kIn, kIn2, kCorner, kLeft, kAbove, kRight, kBelow };
  const POINT at[] = {{10, 6}, {15, 10}, {1, 1}, {-1, 6}, {10, -1}, {kButtonW, 6}, {10, kButtonH}};
  struct Step {
    UINT msg;
    WPARAM wp;
    int where;
    HANDLE state;
    bool captured;
  };
  struct Case {
    const char* name;
    std::vector<Step> steps;
    int clicks;
  };
  const UINT MM = WM_MOUSEMOVE, LD = WM_LBUTTONDOWN, LU = WM_LBUTTONUP;
  const Case cases[] = {
      {"hover, then leave over the cut corner", {{MM, 0, kIn, 2, true}, {MM, 0, kCorner, 1, false}}, 0},
      {"leave by every side",
       {{MM, 0, kIn, 2, true}, {MM, 0, kLeft, 1, false}, {MM, 0, kIn, 2, true}, {MM, 0, kAbove, 1, false},
        {MM, 0, kIn, 2, true}, {MM, 0, kRight, 1, false}, {MM, 0, kIn, 2, true}, {MM, 0, kBelow, 1, false}},
       0},
      {"moving inside keeps hover", {{MM, 0, kIn, 2, true}, {MM, 0, kIn2, 2, true}}, 0},
      {"press and release inside",
       {{MM, 0, kIn, 2, true}, {LD, MK_LBUTTON, kIn, 3, true}, {LU, 0, kIn, 1, false}}, 1},
      {"press, drag off the shape",
       {{MM, 0, kIn, 2, true}, {LD, MK_LBUTTON, kIn, 3, true}, {MM, MK_LBUTTON, kCorner, 1, false}}, 0},
      {"enter with the left button held elsewhere", {{MM, MK_LBUTTON, kIn, 3, true}, {LU, 0, kIn, 1, false}}, 1},
      {"enter with the right button held",
       {{MM, MK_RBUTTON, kIn, 3, true}, {MM, 0, kIn2, 3, true}, {MM, 0, kIn, 3, true}, {LU, 0, kIn, 1, false}}, 1},
      {"right button held, then leave", {{MM, MK_RBUTTON, kIn, 3, true}, {MM, 0, kBelow, 1, false}}, 0},
      {"release while hovering", {{MM, 0, kIn, 2, true}, {LU, 0, kIn, 1, false}}, 0},
      {"hover again after a click",
       {{LD, MK_LBUTTON, kIn, 3, true}, {LU, 0, kIn, 1, false}, {MM, 0, kIn, 2, true}}, 1},
      {"a press needs no hit test", {{LD, MK_LBUTTON, kCorner, 3, true}, {LU, 0, kCorner, 1, false}}, 1},
      {"outside while normal", {{MM, 0, kCorner, 1, false}}, 0},
      {"two clicks", {{LD, MK_LBUTTON, kIn, 3, true}, {LU, 0, kIn, 1, false}, {LD, MK_LBUTTON, kIn, 3, true},
                      {LU, 0, kIn, 1, false}}, 2},
  };
  for (const Case& c : cases) {
    HWND b = MakeButton("btn", 3, 19, 42);
    ASSERT_NE(b, 0u);
    DrainCommands();
    for (size_t i = 0; i < c.steps.size(); ++i) {
      const Step& s = c.steps[i];
      HANDLE was = GetPropA(b, "HOVERMODEBYTE");
      platform::Windows().Get(b)->invalid = false;
      EXPECT_EQ(SendMessageA(b, s.msg, s.wp, MAKELPARAM(at[s.where].x, at[s.where].y)), 0);
      EXPECT_EQ(GetPropA(b, "HOVERMODEBYTE"), s.state) << c.name << ", step " << i;
      EXPECT_EQ(GetCapture() == b, s.captured) << c.name << ", step " << i;
      if (was != s.state) {
        EXPECT_TRUE(platform::Windows().Get(b)->invalid) << c.name << ", step " << i;
      }
    }
    std::vector<MSG> clicks = DrainCommands();
    ASSERT_EQ(int(clicks.size()), c.clicks) << c.name;
    for (const MSG& m : clicks) {
      EXPECT_EQ(m.hwnd, parent_) << c.name;
      EXPECT_EQ(m.wParam, 42) << c.name;
      EXPECT_EQ(m.lParam, 0) << c.name;
    }
    ReleaseCapture();
    DestroyWindow(b);
  }
}

TEST_F(ButtonTest, WithoutImagesItHasNoSizeShapeOrPicture) {
  HWND b = MakeButton("missing", 33, 39, 5);
  ASSERT_NE(b, 0u);
  platform::Window* w = platform::Windows().Get(b);
  EXPECT_EQ(w->width, 0);
  EXPECT_EQ(w->height, 0);
  EXPECT_EQ(w->region, 0u);
  EXPECT_EQ(GetPropA(b, "HOVERBUTTONREGION"), 0u);
  SendMessageA(b, WM_PAINT, 0, 0);
  EXPECT_FALSE(platform::Windows().Get(b)->invalid) << "validated although nothing was drawn";
  SendMessageA(b, WM_MOUSEMOVE, 0, MAKELPARAM(0, 0));
  EXPECT_EQ(GetPropA(b, "HOVERMODEBYTE"), 1u) << "no region: moves are ignored";
  SendMessageA(b, WM_LBUTTONDOWN, MK_LBUTTON, 0);
  EXPECT_EQ(GetPropA(b, "HOVERMODEBYTE"), 3u);
  SendMessageA(b, WM_LBUTTONUP, 0, 0);
  EXPECT_EQ(DrainCommands().size(), 1u) << "clicks still arrive";
  DestroyWindow(b);

  // Only the normal image: hover paints nothing, the normal picture stays.
  b = MakeButton("hoverless", 3, 19, 6);
  ASSERT_NE(b, 0u);
  SendMessageA(b, WM_PAINT, 0, 0);
  SendMessageA(b, WM_MOUSEMOVE, 0, MAKELPARAM(10, 6));
  SendMessageA(b, WM_PAINT, 0, 0);
  w = platform::Windows().Get(b);
  EXPECT_FALSE(w->invalid);
  EXPECT_EQ(w->backing[size_t(6) * kButtonW + 10] & 0xFFFFFF, kRed);
  DestroyWindow(b);
}

TEST_F(ButtonTest, DestructionReleasesEverything) {
  for (const char* prefix : {"btn", "hoverless", "missing"}) {
    Census before = Census::Take();
    HWND b = MakeButton(prefix, 3, 19, 9);
    ASSERT_NE(b, 0u);
    SendMessageA(b, WM_DESTROY, 0, 0);
    for (const char* prop : {"NORMALBITMAP", "HOVERBITMAP", "PRESSBITMAP", "HOVERMODEBYTE", "HOVERBUTTONREGION"})
      EXPECT_EQ(GetPropA(b, prop), 0u) << prefix << ": " << prop;
    DestroyWindow(b);
    ExpectSameCensus(before, Census::Take(), prefix);
  }
}

// -------------------------------------------- child windows over the picture

TEST_F(ButtonTest, ChildrenAreDrawnOverTheBackBufferCutToTheirShape) {
  HDC dc = GetDC(parent_);
  PIXELFORMATDESCRIPTOR pfd{};
  pfd.nSize = sizeof pfd;
  pfd.nVersion = 1;
  pfd.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
  pfd.iPixelType = PFD_TYPE_RGBA;
  pfd.cColorBits = 32;
  int format = ChoosePixelFormat(dc, &pfd);
  ASSERT_TRUE(SetPixelFormat(dc, format, &pfd));
  HGLRC rc = wglCreateContext(dc);
  ASSERT_NE(rc, 0u);
  ASSERT_TRUE(wglMakeCurrent(dc, rc));

  HWND b = MakeButton("btn", 33, 59, 3);  // lands at (30, 40)
  ASSERT_NE(b, 0u);
  SendMessageA(b, WM_PAINT, 0, 0);

  // State the frame relies on, set to values that would spoil the drawing.
  glClearColor(0.0f, 0.0f, 0.5f, 1.0f);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  GLuint texture = 0;
  glGenTextures(1, &texture);
  glBindTexture(GL_TEXTURE_2D, texture);
  glEnable(GL_TEXTURE_2D);
  glEnable(GL_DEPTH_TEST);
  glDepthFunc(GL_NEVER);
  glEnable(GL_BLEND);
  glBlendFunc(GL_ZERO, GL_ONE);
  glViewport(5, 5, 10, 10);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glOrtho(-3, 3, -2, 2, -1, 1);
  glMatrixMode(GL_TEXTURE);
  glTranslatef(0.5f, 0, 0);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  glTranslatef(1, 2, 3);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  glPixelStorei(GL_UNPACK_ROW_LENGTH, 3);
  glPixelZoom(2.0f, 3.0f);
  glColorMask(GL_TRUE, GL_FALSE, GL_TRUE, GL_TRUE);
  glColor4f(0.1f, 0.2f, 0.3f, 0.4f);

  auto snapshot = [] {
    std::vector<GLfloat> v;
    auto add = [&v](GLenum name, int n) {
      GLfloat buf[16] = {};
      glGetFloatv(name, buf);
      v.insert(v.end(), buf, buf + n);
    };
    add(GL_VIEWPORT, 4);
    add(GL_PROJECTION_MATRIX, 16);
    add(GL_MODELVIEW_MATRIX, 16);
    add(GL_TEXTURE_MATRIX, 16);
    add(GL_MATRIX_MODE, 1);
    add(GL_TEXTURE_BINDING_2D, 1);
    add(GL_DEPTH_FUNC, 1);
    add(GL_BLEND_SRC, 1);
    add(GL_BLEND_DST, 1);
    add(GL_UNPACK_ALIGNMENT, 1);
    add(GL_UNPACK_ROW_LENGTH, 1);
    add(GL_ZOOM_X, 1);
    add(GL_ZOOM_Y, 1);
    add(GL_COLOR_WRITEMASK, 4);
    add(GL_CURRENT_COLOR, 4);
    add(GL_CURRENT_RASTER_POSITION, 4);
    add(GL_PROJECTION_STACK_DEPTH, 1);
    add(GL_MODELVIEW_STACK_DEPTH, 1);
    add(GL_ATTRIB_STACK_DEPTH, 1);
    add(GL_CLIENT_ATTRIB_STACK_DEPTH, 1);
    for (GLenum cap : {GL_TEXTURE_2D, GL_DEPTH_TEST, GL_BLEND, GL_ALPHA_TEST, GL_LIGHTING, GL_SCISSOR_TEST})
      v.push_back(glIsEnabled(cap) ? 1.0f : 0.0f);
    return v;
  };
  std::vector<GLfloat> before = snapshot();
  platform::ComposeChildren(parent_);
  std::vector<GLfloat> after = snapshot();
  EXPECT_EQ(before, after) << "the GL state is as the frame left it";
  EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));

  glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  std::vector<uint8_t> rgba(200 * 150 * 4);
  glReadBuffer(GL_BACK);
  glReadPixels(0, 0, 200, 150, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
  auto pixel = [&rgba](int x, int y) {  // window coordinates, top-left origin
    const uint8_t* p = &rgba[(size_t(149 - y) * 200 + x) * 4];
    return uint32_t(p[0]) << 16 | uint32_t(p[1]) << 8 | p[2];
  };
  const uint32_t clear = pixel(0, 0);
  EXPECT_EQ(clear & 0xFFFF00, 0u);
  EXPECT_EQ(pixel(30 + 10, 40 + 6), kRed) << "the button's body";
  EXPECT_EQ(pixel(30 + 4, 40 + 0), kRed) << "just right of the cut corner";
  EXPECT_EQ(pixel(30 + 0, 40 + kButtonH - 1), kRed) << "bottom-left corner";
  EXPECT_EQ(pixel(30 + 1, 40 + 1), clear) << "the cut corner shows the picture";
  EXPECT_EQ(pixel(30 + kButtonW - 1, 40), clear) << "the near-magenta corner too";
  EXPECT_EQ(pixel(30 + kButtonW, 40 + 6), clear) << "right of the button";
  EXPECT_EQ(pixel(29, 40 + 6), clear) << "left of the button";
  EXPECT_EQ(pixel(30 + 10, 40 + kButtonH), clear) << "below the button";

  DestroyWindow(b);
  glDeleteTextures(1, &texture);
  wglMakeCurrent(0, 0);
  wglDeleteContext(rc);
  ReleaseDC(parent_, dc);
}

}  // namespace
