// The Bezier teapot: its tables, its tessellation counted through feedback,
// the points its surface must pass through, and the state it restores.
#include <array>
#include <cmath>
#include <vector>

#include "gl_context.h"

namespace {

using namespace lumicore;

TEST(TeapotTables, HoldTheTenPatchUtahTeapot) {
  for (const auto& row : PatchData)
    for (int index : row) {
      EXPECT_GE(index, 0);
      EXPECT_LT(index, 127);
    }
  // Every point lies in the half y <= 0, except point 94 of the spout's lip.
  for (int i = 0; i < 127; ++i) {
    if (i == 94) continue;
    EXPECT_LE(CPData[i][1], 0.0f) << "point " << i;
  }
  EXPECT_EQ(CPData[94][0], 3.2f);
  EXPECT_EQ(CPData[94][1], 0.15f);
  EXPECT_EQ(CPData[94][2], 2.4f);
  EXPECT_EQ(CPData[93][1], -0.15f);
  // The knob's top and the bottom's centre are corner points of their rows.
  EXPECT_EQ(PatchData[3][0], 96);
  EXPECT_EQ(PatchData[5][0], 118);
  const std::array<float, 3> top = {CPData[96][0], CPData[96][1], CPData[96][2]};
  const std::array<float, 3> bottom = {CPData[118][0], CPData[118][1], CPData[118][2]};
  EXPECT_EQ(top, (std::array<float, 3>{0, 0, 3.15f}));
  EXPECT_EQ(bottom, (std::array<float, 3>{0, 0, 0}));
  const float tex[8] = {0, 0, 1, 0, 0, 1, 1, 1};
  for (int i = 0; i < 8; ++i) EXPECT_EQ(Tex[i], tex[i]);
}

class Teapot : public testgl::GLTest {
 protected:
  void SetUp() override {
    testgl::GLTest::SetUp();
    // Looking down -z: window x, y = 100 * object x, y + the centre,
    // z from -10..10 onto 1..0.
    testgl::OrthoView(-4, 4, -3, 3, -10, 10);
  }
};

struct TeapotArgs {
  float x, y, z, scale;
  int res;
};
TeapotArgs g_teapot;

void DrawTeapot() { PutGLTeapot(g_teapot.x, g_teapot.y, g_teapot.z, g_teapot.scale, g_teapot.res); }

std::array<double, 3> ToObject(const testgl::FeedbackVertex& v) {
  return {v.x / 100.0 - 4, v.y / 100.0 - 3, (0.5 - v.z) * 20};
}

// Quads, whether the feedback hands them back whole or as two triangles.
size_t QuadCount(const std::vector<testgl::FeedbackPolygon>& polygons) {
  size_t triangles = 0, quads = 0;
  for (const auto& p : polygons) (p.vertices.size() == 3 ? triangles : quads) += 1;
  return quads + triangles / 2;
}

TEST_F(Teapot, DrawsThirtyTwoPatchesOfResSquaredQuads) {
  glDisable(GL_CULL_FACE);
  const struct {
    int res;
    size_t quads;
  } cases[] = {{32, 32768}, {4, 512}, {2, 128}, {1, 128}, {0, 128}, {-7, 128}};
  for (const auto& c : cases) {
    g_teapot = {0, 0, 0, 1, c.res};
    EXPECT_EQ(QuadCount(testgl::CapturePolygons(DrawTeapot)), c.quads) << "Res " << c.res;
  }
  EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

double Area(const testgl::FeedbackPolygon& p) {
  double area = 0;
  for (size_t i = 0; i < p.vertices.size(); ++i) {
    const auto& a = p.vertices[i];
    const auto& b = p.vertices[(i + 1) % p.vertices.size()];
    area += a.x * b.y - b.x * a.y;
  }
  return area / 2;
}

// Whether a vertex of the polygons lies at `point`; with `facing`, only
// polygons of some area count, since degenerate ones have no facing.
bool Passes(const std::vector<testgl::FeedbackPolygon>& polygons, std::array<double, 3> point,
            bool facing = false) {
  for (const auto& p : polygons) {
    if (facing && std::fabs(Area(p)) < 1e-4) continue;
    for (const auto& v : p.vertices) {
      const auto o = ToObject(v);
      if (std::fabs(o[0] - point[0]) < 1e-3 && std::fabs(o[1] - point[1]) < 1e-3 &&
          std::fabs(o[2] - point[2]) < 1e-3)
        return true;
    }
  }
  return false;
}

TEST_F(Teapot, SurfacePassesThroughTheKnobTopAndTheBottomCentre) {
  glDisable(GL_CULL_FACE);
  const struct {
    TeapotArgs args;
    std::array<double, 3> top, bottom;
  } cases[] = {
      {{0, 0, 0, 1, 8}, {0, 0, 3.15}, {0, 0, 0}},
      {{0.5f, -1, -2, 2, 3}, {0.5, -1, 4.3}, {0.5, -1, -2}},
      {{0, 0, 0, 1, 1}, {0, 0, 3.15}, {0, 0, 0}},
  };
  for (const auto& c : cases) {
    g_teapot = c.args;
    const auto polygons = testgl::CapturePolygons(DrawTeapot);
    EXPECT_TRUE(Passes(polygons, c.top)) << c.args.res;
    EXPECT_TRUE(Passes(polygons, c.bottom)) << c.args.res;
    // Nothing above the knob.
    for (const auto& p : polygons)
      for (const auto& v : p.vertices) EXPECT_LE(ToObject(v)[2], c.top[2] + 1e-3);
  }
}

TEST_F(Teapot, CullingKeepsTheOutsideFacingTheViewer) {
  // The state the library's set-up leaves: back faces culled, CCW front.
  glEnable(GL_CULL_FACE);
  glCullFace(GL_BACK);
  glFrontFace(GL_CCW);
  g_teapot = {0, 0, 0, 1, 8};
  const auto polygons = testgl::CapturePolygons(DrawTeapot);
  glDisable(GL_CULL_FACE);
  const auto all = testgl::CapturePolygons(DrawTeapot);
  EXPECT_LT(polygons.size(), all.size());
  EXPECT_TRUE(Passes(polygons, {0, 0, 3.15}, true));  // the knob faces up, towards us
  EXPECT_FALSE(Passes(polygons, {0, 0, 0}, true));    // the bottom faces away
  EXPECT_TRUE(Passes(all, {0, 0, 0}, true));
}

TEST_F(Teapot, RestoresMatrixEnablesCullModeAndGrid) {
  for (bool cull : {false, true}) {
    SCOPED_TRACE(cull);
    if (cull)
      glEnable(GL_CULL_FACE);
    else
      glDisable(GL_CULL_FACE);
    glCullFace(GL_BACK);
    glTranslatef(1, 2, 3);
    std::array<float, 16> before{}, after{};
    glGetFloatv(GL_MODELVIEW_MATRIX, before.data());
    PutGLTeapot(1, 1, 1, 0.5f, 3);
    glGetFloatv(GL_MODELVIEW_MATRIX, after.data());
    EXPECT_EQ(before, after);
    EXPECT_EQ(glIsEnabled(GL_CULL_FACE), cull ? GL_TRUE : GL_FALSE);
    GLint mode = 0;
    glGetIntegerv(GL_CULL_FACE_MODE, &mode);
    EXPECT_EQ(mode, GL_BACK);
    EXPECT_FALSE(glIsEnabled(GL_AUTO_NORMAL));
    EXPECT_FALSE(glIsEnabled(GL_MAP2_VERTEX_3));
    EXPECT_FALSE(glIsEnabled(GL_MAP2_TEXTURE_COORD_2));
    GLint segments[2] = {};
    glGetIntegerv(GL_MAP2_GRID_SEGMENTS, segments);
    EXPECT_EQ(segments[0], 1);
    EXPECT_EQ(segments[1], 1);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
  }
}

TEST_F(Teapot, LeavesTheMirroredSpoutTipAndTheTextureGridLoaded) {
  PutGLTeapot(0, 0, 0, 1, 2);
  std::vector<float> coeff(48);
  glGetMapfv(GL_MAP2_VERTEX_3, GL_COEFF, coeff.data());
  // The last patch drawn is row 9 mirrored in y = 0, columns reversed. GL
  // hands the points back u-major: u index k, v index j at 4 k + j.
  for (int j = 0; j < 4; ++j)
    for (int k = 0; k < 4; ++k) {
      const float* p = CPData[PatchData[9][4 * j + 3 - k]];
      const float* got = &coeff[3 * (4 * k + j)];
      EXPECT_EQ(got[0], p[0]) << j << "," << k;
      EXPECT_EQ(got[1], -p[1]) << j << "," << k;
      EXPECT_EQ(got[2], p[2]) << j << "," << k;
    }
  // Point 94 lands on the mirrored lip at y = -0.15.
  EXPECT_EQ(coeff[3 * (4 * 1 + 3) + 1], -0.15f);
  std::vector<float> tex(8);
  glGetMapfv(GL_MAP2_TEXTURE_COORD_2, GL_COEFF, tex.data());
  for (int u = 0; u < 2; ++u)
    for (int v = 0; v < 2; ++v)
      for (int c = 0; c < 2; ++c) EXPECT_EQ(tex[2 * (2 * u + v) + c], Tex[2 * u + 4 * v + c]) << u << "," << v;
  GLint order[2] = {};
  glGetMapiv(GL_MAP2_VERTEX_3, GL_ORDER, order);
  EXPECT_EQ(order[0], 4);
  EXPECT_EQ(order[1], 4);
}

}  // namespace
