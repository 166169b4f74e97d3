// LoadImageA on BMP files: the bitmap keeps the file's depth, row order and
// bytes; every malformed file is refused before SDL's decoder sees it.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "bmp_fixture.h"
#include "internal.h"
#include "platform/win32.h"

namespace {

std::string TempFile(const std::string& name) { return bmpfix::Track(testing::TempDir() + "bitmap_load_" + name); }

constexpr UINT kTextureFlags = LR_LOADFROMFILE | LR_LOADTRANSPARENT | LR_CREATEDIBSECTION;

HBITMAP Load(const std::string& path, UINT flags = kTextureFlags) {
  return HBITMAP(LoadImageA(0, path.c_str(), IMAGE_BITMAP, 0, 0, flags));
}

// Rows of distinct bytes, in file order; the 1 and 4-bit rows only use
// indices inside a table of 2 and 16 colours.
std::vector<std::vector<uint8_t>> PatternRows(int width, int rows, int bits) {
  const size_t bytes = (size_t(width) * bits + 7) / 8;
  std::vector<std::vector<uint8_t>> out;
  for (int r = 0; r < rows; ++r) {
    std::vector<uint8_t> row(bytes);
    for (size_t i = 0; i < bytes; ++i) row[i] = uint8_t(0x11 * (r + 1) + 0x07 * i);
    if (bits == 8)
      for (auto& b : row) b &= 0x0F;
    // Bits past the last pixel of a row are not part of the image.
    const int spare = int(bytes * 8) - width * bits;
    if (spare > 0) row.back() &= uint8_t(0xFF << spare);
    out.push_back(row);
  }
  return out;
}

std::vector<uint32_t> Palette(int count) {
  std::vector<uint32_t> colors;
  for (int i = 0; i < count; ++i) colors.push_back(0x00010203u * uint32_t(i + 1));
  return colors;
}

struct DepthCase {
  uint16_t bits;
  int width;
  int colors;
};

class BitmapDepth : public testing::TestWithParam<DepthCase> {};

TEST_P(BitmapDepth, KeepsFileDepthRowsAndBytes) {
  const DepthCase c = GetParam();
  for (int32_t height : {3, -3}) {
    SCOPED_TRACE(height);
    bmpfix::Header h;
    h.width = c.width;
    h.height = height;
    h.bits = c.bits;
    h.colors_used = uint32_t(c.colors);
    const auto rows = PatternRows(c.width, 3, c.bits);
    const std::string path = TempFile("depth_" + std::to_string(c.bits) + ".bmp");
    ASSERT_TRUE(bmpfix::WriteFile(path, bmpfix::Build(h, Palette(c.colors), rows)));

    HBITMAP bitmap = Load(path);
    ASSERT_NE(bitmap, 0u);
    BITMAP bm{};
    ASSERT_EQ(GetObjectA(bitmap, sizeof bm, &bm), int(sizeof bm));
    EXPECT_EQ(bm.bmWidth, c.width);
    EXPECT_EQ(bm.bmHeight, 3);
    EXPECT_EQ(bm.bmBitsPixel, c.bits);
    EXPECT_EQ(bm.bmPlanes, 1);
    const size_t stride = bmpfix::Stride(c.width, c.bits);
    EXPECT_EQ(size_t(bm.bmWidthBytes), stride);
    ASSERT_NE(bm.bmBits, nullptr);
    const auto* bits = static_cast<const uint8_t*>(bm.bmBits);
    for (int r = 0; r < 3; ++r)
      EXPECT_EQ(std::vector<uint8_t>(bits + r * stride, bits + r * stride + rows[r].size()), rows[r])
          << "row " << r;

    const platform::GdiObject* object = platform::GdiObjects().Get(bitmap);
    ASSERT_NE(object, nullptr);
    EXPECT_EQ(object->bitmap.top_down, height < 0);
    ASSERT_EQ(object->bitmap.colors.size(), size_t(c.colors));
    for (int i = 0; i < c.colors; ++i) {
      const RGBQUAD& q = object->bitmap.colors[i];
      EXPECT_EQ(uint32_t(q.rgbBlue | (q.rgbGreen << 8) | (q.rgbRed << 16)), Palette(c.colors)[i]);
    }
    EXPECT_EQ(DeleteObject(bitmap), TRUE);
  }
}

// Width 3 gives padded rows at every depth but 32.
INSTANTIATE_TEST_SUITE_P(AllDepths, BitmapDepth,
                         testing::Values(DepthCase{1, 3, 2}, DepthCase{1, 11, 2}, DepthCase{4, 3, 16},
                                         DepthCase{8, 3, 16}, DepthCase{16, 3, 0}, DepthCase{24, 3, 0},
                                         DepthCase{24, 4, 0}, DepthCase{32, 3, 0}));

TEST(BitmapLoad, KeepsTheFourthByteOf32BitPixels) {
  for (uint8_t fourth : {uint8_t(0x00), uint8_t(0x80), uint8_t(0xFF)}) {
    bmpfix::Header h;
    h.width = 2;
    h.height = 1;
    h.bits = 32;
    const std::vector<uint8_t> row = {0x10, 0x20, 0x30, fourth, 0x40, 0x50, 0x60, fourth};
    const std::string path = TempFile("alpha.bmp");
    ASSERT_TRUE(bmpfix::WriteFile(path, bmpfix::Build(h, {}, {row})));
    HBITMAP bitmap = Load(path);
    ASSERT_NE(bitmap, 0u);
    BITMAP bm{};
    ASSERT_NE(GetObjectA(bitmap, sizeof bm, &bm), 0);
    const auto* bits = static_cast<const uint8_t*>(bm.bmBits);
    EXPECT_EQ(std::vector<uint8_t>(bits, bits + 8), row) << int(fourth);
    DeleteObject(bitmap);
  }
}

TEST(BitmapLoad, AcceptsLargerInformationHeaders) {
  for (uint32_t info_size : {40u, 52u, 56u, 108u, 124u}) {
    bmpfix::Header h;
    h.width = 1;
    h.height = 1;
    h.info_size = info_size;
    const std::string path = TempFile("info.bmp");
    ASSERT_TRUE(bmpfix::WriteFile(path, bmpfix::Build(h, {}, {{0x01, 0x02, 0x03}})));
    HBITMAP bitmap = Load(path);
    ASSERT_NE(bitmap, 0u) << info_size;
    BITMAP bm{};
    ASSERT_NE(GetObjectA(bitmap, sizeof bm, &bm), 0);
    EXPECT_EQ(std::memcmp(bm.bmBits, "\x01\x02\x03", 3), 0) << info_size;
    DeleteObject(bitmap);
  }
}

TEST(BitmapLoad, FlagsAndTypesOtherThanAFileBitmapLoadNothing) {
  bmpfix::Header h;
  const std::string path = TempFile("flags.bmp");
  ASSERT_TRUE(bmpfix::WriteFile(path, bmpfix::Build(h, {}, {{1, 2, 3}})));
  EXPECT_EQ(LoadImageA(0, path.c_str(), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION), 0u);
  EXPECT_EQ(LoadImageA(0, path.c_str(), 1 /* an icon */, 0, 0, LR_LOADFROMFILE), 0u);
  EXPECT_EQ(LoadImageA(0, nullptr, IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE), 0u);

  // Transparency changes nothing for a 24-bit image.
  HBITMAP plain = Load(path, LR_LOADFROMFILE);
  HBITMAP transparent = Load(path, LR_LOADFROMFILE | LR_LOADTRANSPARENT);
  ASSERT_NE(plain, 0u);
  ASSERT_NE(transparent, 0u);
  BITMAP a{}, b{};
  GetObjectA(plain, sizeof a, &a);
  GetObjectA(transparent, sizeof b, &b);
  EXPECT_EQ(std::memcmp(a.bmBits, b.bmBits, 4), 0);
  DeleteObject(plain);
  DeleteObject(transparent);
}

TEST(BitmapLoad, DeleteObjectReleasesTheBitmap) {
  bmpfix::Header h;
  const std::string path = TempFile("delete.bmp");
  ASSERT_TRUE(bmpfix::WriteFile(path, bmpfix::Build(h, {}, {{1, 2, 3}})));
  HBITMAP bitmap = Load(path);
  ASSERT_NE(bitmap, 0u);
  EXPECT_EQ(DeleteObject(bitmap), TRUE);
  BITMAP bm{};
  EXPECT_EQ(GetObjectA(bitmap, sizeof bm, &bm), 0);
  EXPECT_EQ(DeleteObject(bitmap), FALSE);
}

// ------------------------------------------------------------- bad input

// A valid 2x2 24-bit file to break in one place.
std::vector<uint8_t> GoodFile() {
  bmpfix::Header h;
  h.width = 2;
  h.height = 2;
  return bmpfix::Build(h, {}, {{1, 2, 3, 4, 5, 6}, {7, 8, 9, 10, 11, 12}});
}

struct BadCase {
  const char* name;
  std::vector<uint8_t> (*make)();
};

std::vector<uint8_t> Patched(size_t at, uint32_t value, int width = 4) {
  std::vector<uint8_t> file = GoodFile();
  if (width == 2)
    bmpfix::Put16(file, at, uint16_t(value));
  else
    bmpfix::Put32(file, at, value);
  return file;
}

const BadCase kBadFiles[] = {
    {"empty", [] { return std::vector<uint8_t>(); }},
    {"only_magic", [] { return std::vector<uint8_t>{'B', 'M'}; }},
    {"file_header_only",
     [] {
       auto f = GoodFile();
       f.resize(14);
       return f;
     }},
    {"headers_cut_short",
     [] {
       auto f = GoodFile();
       f.resize(53);
       return f;
     }},
    {"pixels_cut_short",
     [] {
       auto f = GoodFile();
       f.resize(f.size() - 1);
       return f;
     }},
    {"wrong_magic",
     [] {
       auto f = GoodFile();
       f[1] = 'A';
       return f;
     }},
    {"core_header", [] { return Patched(14, 12); }},
    {"info_size_past_end", [] { return Patched(14, 0xFFFFFFF0u); }},
    {"zero_width", [] { return Patched(18, 0); }},
    {"negative_width", [] { return Patched(18, uint32_t(-2)); }},
    {"zero_height", [] { return Patched(22, 0); }},
    {"most_negative_height", [] { return Patched(22, 0x80000000u); }},
    {"absurd_size_in_small_file",
     [] {
       auto f = Patched(18, 100000);
       bmpfix::Put32(f, 22, 100000);
       f.resize(100);
       return f;
     }},
    {"absurd_width", [] { return Patched(18, 0x7FFFFFFFu); }},
    {"offset_past_end", [] { return Patched(10, 0x10000); }},
    {"offset_inside_header", [] { return Patched(10, 20); }},
    {"offset_zero", [] { return Patched(10, 0); }},
    {"rle8", [] { return Patched(30, 1); }},
    {"rle4", [] { return Patched(30, 2); }},
    {"bitfields", [] { return Patched(30, 3); }},
    {"jpeg", [] { return Patched(30, 4); }},
    {"two_bits", [] { return Patched(28, 2, 2); }},
    {"zero_bits", [] { return Patched(28, 0, 2); }},
    {"too_many_colours",
     [] {
       bmpfix::Header h;
       h.bits = 8;
       h.colors_used = 257;
       return bmpfix::Build(h, std::vector<uint32_t>(2), {{0}});
     }},
    {"colour_table_past_offset",
     [] {
       bmpfix::Header h;
       h.bits = 8;  // no colours used: the full 256-entry table must be there
       return bmpfix::Build(h, std::vector<uint32_t>(2), {{0}});
     }},
};

class BadBitmapFile : public testing::TestWithParam<BadCase> {};

TEST_P(BadBitmapFile, IsRefusedBeforeSdlSeesIt) {
  const std::string path = TempFile(std::string("bad_") + GetParam().name + ".bmp");
  ASSERT_TRUE(bmpfix::WriteFile(path, GetParam().make()));
  // SDL sets an error on every failure of its own; a refusal here sets none.
  SDL_ClearError();
  SDL_Surface* surface = platform::LoadBmpSurface(path.c_str());
  EXPECT_EQ(surface, nullptr);
  EXPECT_STREQ(SDL_GetError(), "");
  if (surface) SDL_FreeSurface(surface);
  EXPECT_EQ(Load(path), 0u);
}

INSTANTIATE_TEST_SUITE_P(Malformed, BadBitmapFile, testing::ValuesIn(kBadFiles),
                         [](const testing::TestParamInfo<BadCase>& info) { return std::string(info.param.name); });

TEST(BitmapLoad, AbsentFileLoadsNothing) {
  EXPECT_EQ(platform::LoadBmpSurface(TempFile("no_such_file.bmp").c_str()), nullptr);
  EXPECT_EQ(platform::LoadBmpSurface(nullptr), nullptr);
  EXPECT_EQ(Load(TempFile("no_such_file.bmp")), 0u);
  EXPECT_EQ(Load(testing::TempDir()), 0u);  // a directory
}

TEST(BitmapLoad, TheUnbrokenFileLoads) {
  const std::string path = TempFile("good.bmp");
  ASSERT_TRUE(bmpfix::WriteFile(path, GoodFile()));
  HBITMAP bitmap = Load(path);
  EXPECT_NE(bitmap, 0u);
  DeleteObject(bitmap);
}

}  // namespace
