// Texture slots from BMP files: the header probe, the red/blue exchange and
// what GL holds after a load: texels, parameters, unpack state, names.
#include <array>
#include <string>
#include <vector>

#include "bmp_fixture.h"
#include "gl_context.h"
#include "internal.h"

namespace {

using namespace lumicore;

std::string TempFile(const std::string& name) { return bmpfix::Track(testing::TempDir() + "texture_" + name); }

std::string Write(const std::string& name, const std::vector<uint8_t>& bytes) {
  const std::string path = TempFile(name);
  EXPECT_TRUE(bmpfix::WriteFile(path, bytes));
  return path;
}

std::vector<uint8_t> Solid(int width, int height, uint16_t bits, std::vector<uint8_t> pixel) {
  bmpfix::Header h;
  h.width = width;
  h.height = height;
  h.bits = bits;
  std::vector<std::vector<uint8_t>> rows;
  for (int r = 0; r < (height < 0 ? -height : height); ++r) {
    std::vector<uint8_t> row;
    for (int x = 0; x < width; ++x) row.insert(row.end(), pixel.begin(), pixel.end());
    rows.push_back(row);
  }
  return bmpfix::Build(h, bits <= 8 ? std::vector<uint32_t>(size_t(1) << bits) : std::vector<uint32_t>{}, rows);
}

// ------------------------------------------------------------ depth probe

struct DepthCase {
  const char* name;
  std::vector<uint8_t> bytes;
  int depth;
};

std::vector<uint8_t> WithInfoSize(uint32_t info_size, uint16_t bits) {
  bmpfix::Header h;
  h.info_size = info_size;
  h.bits = bits;
  return bmpfix::Build(h, {}, {{1, 2, 3, 4}});
}

TEST(GetBmpDepth, ReadsTheDepthFieldOrGivesZero) {
  std::vector<uint8_t> wrong_magic = Solid(1, 1, 24, {1, 2, 3});
  wrong_magic[0] = 'M';
  std::vector<uint8_t> core = Solid(1, 1, 24, {1, 2, 3});
  bmpfix::Put32(core, 14, 12);
  std::vector<uint8_t> odd_depth = Solid(1, 1, 24, {1, 2, 3});
  bmpfix::Put16(odd_depth, 28, 7);
  const std::vector<uint8_t> good = Solid(1, 1, 24, {1, 2, 3});
  const DepthCase cases[] = {
      {"24", good, 24},
      {"32", Solid(2, 2, 32, {1, 2, 3, 4}), 32},
      {"8", Solid(2, 2, 8, {1}), 8},
      {"1", Solid(8, 1, 1, {0}), 1},
      {"info108", WithInfoSize(108, 32), 32},
      {"info124", WithInfoSize(124, 24), 24},
      {"odd_depth", odd_depth, 7},  // whatever the field holds
      {"wrong_magic", wrong_magic, 0},
      {"core_header", core, 0},
      {"empty", {}, 0},
      {"magic_only", {'B', 'M'}, 0},
      {"file_header_only", std::vector<uint8_t>(good.begin(), good.begin() + 14), 0},
      {"headers_cut_short", std::vector<uint8_t>(good.begin(), good.begin() + 53), 0},
      {"headers_only", std::vector<uint8_t>(good.begin(), good.begin() + 54), 24},
  };
  for (const DepthCase& c : cases) EXPECT_EQ(GetBmpDepth(Write(std::string(c.name) + ".bmp", c.bytes).c_str()), c.depth) << c.name;
  EXPECT_EQ(GetBmpDepth(TempFile("absent.bmp").c_str()), 0);
  EXPECT_EQ(GetBmpDepth(nullptr), 0);
}

TEST(SwapRGB, ExchangesFirstAndThirdBytesOfEachPixelOnly) {
  std::vector<uint8_t> data = {0x10, 0x20, 0x30, 0x40, 0x50, 0x60, 0xAA};
  SwapRGB(data.data(), 2);
  EXPECT_EQ(data, (std::vector<uint8_t>{0x30, 0x20, 0x10, 0x60, 0x50, 0x40, 0xAA}));
  SwapRGB(data.data(), 1);
  EXPECT_EQ(data, (std::vector<uint8_t>{0x10, 0x20, 0x30, 0x60, 0x50, 0x40, 0xAA}));
}

// ----------------------------------------------------------- GL uploads

class Texture : public testgl::GLTest {
 protected:
  void SetUp() override {
    testgl::GLTest::SetUp();
    // Slots belong to the previous context; start each test from scratch.
    for (GLuint& id : TextureID2) id = 0;
    GL_MIN_FILTER = GL_LINEAR;
    GL_MAG_FILTER = GL_LINEAR;
  }
  void TearDown() override {
    GL_MIN_FILTER = GL_LINEAR;
    GL_MAG_FILTER = GL_LINEAR;
  }

  static GLint Level0(GLenum name) {
    GLint v = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, name, &v);
    return v;
  }
  static GLint Param(GLenum name) {
    GLint v = 0;
    glGetTexParameteriv(GL_TEXTURE_2D, name, &v);
    return v;
  }
  static GLint Int(GLenum name) {
    GLint v = 0;
    glGetIntegerv(name, &v);
    return v;
  }
  // Level-0 texels as tightly packed bytes of `format`.
  static std::vector<uint8_t> Texels(GLenum format, int components) {
    std::vector<uint8_t> out(size_t(Level0(GL_TEXTURE_WIDTH)) * Level0(GL_TEXTURE_HEIGHT) * components);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, format, GL_UNSIGNED_BYTE, out.data());
    return out;
  }
};

// A width x 2 image whose bottom row (first in the file) and top row differ
// in every pixel.
std::vector<std::vector<uint8_t>> TwoRows(int width, int bytes_per_pixel) {
  std::vector<std::vector<uint8_t>> rows(2);
  for (int r = 0; r < 2; ++r)
    for (int x = 0; x < width; ++x)
      for (int b = 0; b < bytes_per_pixel; ++b) rows[r].push_back(uint8_t(0x10 * (b + 1) + 0x40 * r + x));
  return rows;
}

TEST_F(Texture, TwentyFourBitTexelsAreRedGreenBlueAtAnyWidth) {
  for (int width : {1, 2, 3, 4, 5, 6}) {
    SCOPED_TRACE(width);
    bmpfix::Header h;
    h.width = width;
    h.height = 2;
    const auto rows = TwoRows(width, 3);
    TextureLoadID(Write("rgb.bmp", bmpfix::Build(h, {}, rows)).c_str(), 7);
    ASSERT_EQ(Level0(GL_TEXTURE_WIDTH), width);
    ASSERT_EQ(Level0(GL_TEXTURE_HEIGHT), 2);
    const auto texels = Texels(GL_RGB, 3);
    // Texel row 0 is the file's first row, the image's bottom.
    for (int r = 0; r < 2; ++r)
      for (int x = 0; x < width; ++x) {
        const uint8_t* file = &rows[r][3 * x];
        const uint8_t* tex = &texels[3 * (r * width + x)];
        EXPECT_EQ(tex[0], file[2]) << r << "," << x;
        EXPECT_EQ(tex[1], file[1]) << r << "," << x;
        EXPECT_EQ(tex[2], file[0]) << r << "," << x;
      }
  }
}

TEST_F(Texture, BlueGreenRedPixelBecomesARedGreenBlueTexel) {
  TextureLoadID(Write("bgr.bmp", Solid(4, 4, 24, {0x10, 0x20, 0x30})).c_str(), 0);
  const auto texels = Texels(GL_RGB, 3);
  ASSERT_EQ(texels.size(), 48u);
  for (size_t i = 0; i < texels.size(); i += 3) {
    EXPECT_EQ(texels[i], 0x30);
    EXPECT_EQ(texels[i + 1], 0x20);
    EXPECT_EQ(texels[i + 2], 0x10);
  }
  EXPECT_EQ(Level0(GL_TEXTURE_INTERNAL_FORMAT), 3);  // three components, as requested
}

TEST_F(Texture, ThirtyTwoBitTexelsTakeTheFourthByteAsAlpha) {
  for (uint8_t alpha : {uint8_t(0), uint8_t(0x7F), uint8_t(0xFF)}) {
    SCOPED_TRACE(int(alpha));
    bmpfix::Header h;
    h.width = 3;
    h.height = 2;
    h.bits = 32;
    auto rows = TwoRows(3, 4);
    for (auto& row : rows)
      for (size_t i = 3; i < row.size(); i += 4) row[i] = alpha;
    TextureLoadID(Write("bgra.bmp", bmpfix::Build(h, {}, rows)).c_str(), 8);
    EXPECT_EQ(Level0(GL_TEXTURE_INTERNAL_FORMAT), GL_RGBA);
    const auto texels = Texels(GL_RGBA, 4);
    ASSERT_EQ(texels.size(), 24u);
    for (int r = 0; r < 2; ++r)
      for (int x = 0; x < 3; ++x) {
        const uint8_t* file = &rows[r][4 * x];
        const uint8_t* tex = &texels[4 * (r * 3 + x)];
        EXPECT_EQ((std::array<uint8_t, 4>{tex[0], tex[1], tex[2], tex[3]}),
                  (std::array<uint8_t, 4>{file[2], file[1], file[0], alpha}));
      }
  }
}

TEST_F(Texture, TopDownFilePutsItsTopRowAtTexelRowZero) {
  bmpfix::Header h;
  h.width = 2;
  h.height = -2;
  const auto rows = TwoRows(2, 3);
  TextureLoadID(Write("topdown.bmp", bmpfix::Build(h, {}, rows)).c_str(), 9);
  const auto texels = Texels(GL_RGB, 3);
  ASSERT_EQ(texels.size(), 12u);
  EXPECT_EQ(texels[0], rows[0][2]);
  EXPECT_EQ(texels[6], rows[1][2]);
}

TEST_F(Texture, LoadLeavesTexturingUnpackStateFiltersAndWrapping) {
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  glPixelStorei(GL_UNPACK_ROW_LENGTH, 9);
  glPixelStorei(GL_UNPACK_SKIP_ROWS, 2);
  glPixelStorei(GL_UNPACK_SKIP_PIXELS, 3);
  GL_MAG_FILTER = GL_NEAREST;
  GL_MIN_FILTER = GL_NEAREST;
  TextureLoadID(Write("state.bmp", Solid(2, 2, 24, {1, 2, 3})).c_str(), 500);
  EXPECT_NE(TextureID2[500], 0u);
  EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
  EXPECT_EQ(GLuint(Int(GL_TEXTURE_BINDING_2D)), TextureID2[500]);
  EXPECT_EQ(Int(GL_UNPACK_ALIGNMENT), 4);
  EXPECT_EQ(Int(GL_UNPACK_ROW_LENGTH), 0);
  EXPECT_EQ(Int(GL_UNPACK_SKIP_ROWS), 0);
  EXPECT_EQ(Int(GL_UNPACK_SKIP_PIXELS), 0);
  EXPECT_EQ(Param(GL_TEXTURE_MIN_FILTER), GL_NEAREST);
  EXPECT_EQ(Param(GL_TEXTURE_MAG_FILTER), GL_NEAREST);
  EXPECT_EQ(Param(GL_TEXTURE_WRAP_S), GL_REPEAT);
  EXPECT_EQ(Param(GL_TEXTURE_WRAP_T), GL_REPEAT);
  EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

TEST_F(Texture, MipmappingFilterBuildsEveryLevel) {
  GL_MIN_FILTER = GL_LINEAR_MIPMAP_LINEAR;
  for (uint16_t bits : {uint16_t(24), uint16_t(32)}) {
    SCOPED_TRACE(bits);
    const std::vector<uint8_t> pixel = bits == 24 ? std::vector<uint8_t>{0x10, 0x20, 0x30}
                                                  : std::vector<uint8_t>{0x10, 0x20, 0x30, 0x40};
    TextureLoadID(Write("mip.bmp", Solid(4, 4, bits, pixel)).c_str(), 3);
    EXPECT_EQ(Param(GL_TEXTURE_MIN_FILTER), GL_LINEAR_MIPMAP_LINEAR);
    for (int level = 0; level <= 2; ++level) {
      GLint w = 0;
      glGetTexLevelParameteriv(GL_TEXTURE_2D, level, GL_TEXTURE_WIDTH, &w);
      EXPECT_EQ(w, 4 >> level) << "level " << level;
    }
    std::vector<uint8_t> smallest(4);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 2, GL_RGBA, GL_UNSIGNED_BYTE, smallest.data());
    EXPECT_EQ(smallest[0], 0x30);
    EXPECT_EQ(smallest[2], 0x10);
  }
  // Without a mipmapping filter only level 0 exists.
  GL_MIN_FILTER = GL_LINEAR;
  TextureLoadID(Write("nomip.bmp", Solid(4, 4, 24, {1, 2, 3})).c_str(), 4);
  GLint w = 0;
  glGetTexLevelParameteriv(GL_TEXTURE_2D, 1, GL_TEXTURE_WIDTH, &w);
  EXPECT_EQ(w, 0);
}

TEST_F(Texture, FilesWithoutAnUploadableImageStillGetATextureName) {
  auto truncated = Solid(4, 4, 24, {1, 2, 3});
  truncated.resize(truncated.size() - 10);
  auto rle = Solid(4, 4, 8, {1});
  bmpfix::Put32(rle, 30, 1);
  auto absurd = Solid(1, 1, 24, {1, 2, 3});
  bmpfix::Put32(absurd, 18, 100000);
  bmpfix::Put32(absurd, 22, 100000);
  absurd.resize(100);
  const struct {
    const char* name;
    std::vector<uint8_t> bytes;
  } cases[] = {
      {"palette8", Solid(4, 4, 8, {1})},
      {"sixteen", Solid(4, 4, 16, {1, 2})},
      {"truncated", truncated},
      {"rle", rle},
      {"absurd", absurd},
      {"empty", {}},
  };
  int slot = 10;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TextureLoadID(Write(std::string(c.name) + ".bmp", c.bytes).c_str(), slot);
    EXPECT_NE(TextureID2[slot], 0u);
    EXPECT_EQ(GLuint(Int(GL_TEXTURE_BINDING_2D)), TextureID2[slot]);
    EXPECT_EQ(Level0(GL_TEXTURE_WIDTH), 0);
    EXPECT_EQ(Param(GL_TEXTURE_WRAP_S), GL_REPEAT);
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
    ++slot;
  }
  TextureLoadID(TempFile("absent.bmp").c_str(), slot);
  EXPECT_NE(TextureID2[slot], 0u);
  EXPECT_EQ(Level0(GL_TEXTURE_WIDTH), 0);
  EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

TEST_F(Texture, SlotsOutsideTheTableAreIgnored) {
  const std::string path = Write("slot.bmp", Solid(2, 2, 24, {1, 2, 3}));
  TextureLoadID(path.c_str(), 1);
  const GLuint bound = TextureID2[1];
  for (int slot : {-1, 501, 100000, -100000}) {
    TextureLoadID(path.c_str(), slot);
    TextureSelectID(slot);
    EXPECT_EQ(GLuint(Int(GL_TEXTURE_BINDING_2D)), bound) << slot;
  }
  // No texture was created for them.
  for (GLuint name = bound + 1; name < bound + 8; ++name) EXPECT_FALSE(glIsTexture(name)) << name;
}

TEST_F(Texture, SelectBindsTheSlotsTextureOrZero) {
  TextureLoadID(Write("a.bmp", Solid(2, 2, 24, {1, 2, 3})).c_str(), 0);
  TextureLoadID(Write("b.bmp", Solid(2, 2, 24, {4, 5, 6})).c_str(), 500);
  glDisable(GL_TEXTURE_2D);
  const struct {
    int slot;
    GLuint name;
  } cases[] = {{0, TextureID2[0]}, {500, TextureID2[500]}, {42, 0}, {0, TextureID2[0]}};
  for (const auto& c : cases) {
    TextureSelectID(c.slot);
    EXPECT_EQ(GLuint(Int(GL_TEXTURE_BINDING_2D)), c.name) << c.slot;
  }
  EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));  // selecting does not enable
}

TEST_F(Texture, SecondLoadIntoASlotDeletesTheTextureItReplaces) {
  const std::string path = Write("twice.bmp", Solid(2, 2, 24, {1, 2, 3}));
  TextureLoadID(path.c_str(), 5);
  const GLuint first = TextureID2[5];
  ASSERT_TRUE(glIsTexture(first));
  TextureLoadID(path.c_str(), 5);
  EXPECT_NE(TextureID2[5], first);
  EXPECT_FALSE(glIsTexture(first));
  EXPECT_TRUE(glIsTexture(TextureID2[5]));
}

TEST_F(Texture, TheSystemBitmapIsReleasedAfterUpload) {
  auto count_bitmaps = [] {
    int n = 0;
    platform::GdiObjects().ForEach([&](uint32_t, const platform::GdiObject& o) {
      if (o.kind == platform::GdiKind::Bitmap) ++n;
    });
    return n;
  };
  const int before = count_bitmaps();
  TextureLoadID(Write("release24.bmp", Solid(2, 2, 24, {1, 2, 3})).c_str(), 1);
  TextureLoadID(Write("release8.bmp", Solid(2, 2, 8, {1})).c_str(), 2);
  EXPECT_EQ(count_bitmaps(), before);
}

}  // namespace
