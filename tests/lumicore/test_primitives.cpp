// Face normals, textured edges and the textured box, checked through GL
// feedback: vertex positions, texture coordinates, and lit colours that show
// each face's normal.
#include <array>
#include <cmath>
#include <vector>

#include "gl_context.h"

namespace {

using namespace lumicore;

struct V3 {
  double x, y, z;
};

struct NormalCase {
  V3 a, b, c;
  V3 normal;
};

TEST(FindNormal, GivesTheRightHandedUnitNormalOrZero) {
  const NormalCase cases[] = {
      {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 0, 1}},
      {{0, 0, 0}, {3, 0, 0}, {3, 4, 0}, {0, 0, 1}},
      {{0, 0, 0}, {1, 1, 0}, {1, 0, 0}, {0, 0, -1}},  // clockwise: the other side
      {{0, 0, 0}, {1, 0, 0}, {0, 0, -1}, {0, 1, 0}},
      {{0, 0, 0}, {0, 0, 2}, {0, 5, 2}, {-1, 0, 0}},
      {{0, 0, 0}, {1, 1, 1}, {2, 2, 2}, {0, 0, 0}},  // collinear
      {{1, 2, 3}, {1, 2, 3}, {1, 2, 3}, {0, 0, 0}},  // coincident
  };
  for (const NormalCase& c : cases) {
    FindNormal(c.a.x, c.a.y, c.a.z, c.b.x, c.b.y, c.b.z, c.c.x, c.c.y, c.c.z);
    EXPECT_NEAR(FNormal[0], c.normal.x, 1e-7);
    EXPECT_NEAR(FNormal[1], c.normal.y, 1e-7);
    EXPECT_NEAR(FNormal[2], c.normal.z, 1e-7);
    EXPECT_FALSE(std::isnan(FNormal[0]) || std::isnan(FNormal[1]) || std::isnan(FNormal[2]));
  }
  // A tilted triangle: unit length, perpendicular to both edges.
  FindNormal(0, 0, 0, 2, 1, 0, 1, 3, 2);
  const double len = std::sqrt(FNormal[0] * FNormal[0] + FNormal[1] * FNormal[1] + FNormal[2] * FNormal[2]);
  EXPECT_NEAR(len, 1.0, 1e-6);
  EXPECT_NEAR(FNormal[0] * 2 + FNormal[1] * 1, 0.0, 1e-6);
  EXPECT_NEAR(FNormal[0] * -1 + FNormal[1] * 2 + FNormal[2] * 2, 0.0, 1e-6);
}

TEST(ReduceToUnit, ScalesToUnitLengthAndLeavesZeroAlone) {
  double x = 3, y = 0, z = -4;
  ReduceToUnit(x, y, z);
  EXPECT_NEAR(x, 0.6, 1e-7);
  EXPECT_EQ(y, 0.0);
  EXPECT_NEAR(z, -0.8, 1e-7);
  x = y = z = 0;
  ReduceToUnit(x, y, z);
  EXPECT_EQ(x, 0.0);
  EXPECT_EQ(y, 0.0);
  EXPECT_EQ(z, 0.0);
}

class Primitives : public testgl::GLTest {
 protected:
  void SetUp() override {
    testgl::GLTest::SetUp();
    // Window coordinates equal object x and y, z maps -100..100 to 1..0.
    testgl::OrthoView(0, kWidth, 0, kHeight, -100, 100);
  }
};

// Object coordinates back from the window coordinates of the projection
// above, after the modelview scale of the box tests.
constexpr float kBoxScale = 10;
constexpr float kBoxShift = 300;
V3 ToObject(const testgl::FeedbackVertex& v) {
  return {(v.x - kBoxShift) / kBoxScale, (v.y - kBoxShift) / kBoxScale, (0.5 - v.z) * 200 / kBoxScale};
}

TEST_F(Primitives, LineFreeEmitsTwoVerticesWithOptionalTextureCoordinates) {
  const auto polygons = testgl::CapturePolygons([] {
    glBegin(GL_QUADS);
    LineFree(0, 0, 1, 0, 10, 10, 0, 110, 10, 0, true);
    LineFree(1, 1, 0, 1, 110, 110, 0, 10, 110, 0, true);
    LineFree(9, 9, 9, 9, 200, 10, 0, 300, 10, 0, false);
    LineFree(9, 9, 9, 9, 300, 110, 0, 200, 110, 0, false);
    glEnd();
  });
  ASSERT_GE(polygons.size(), 2u);
  std::vector<testgl::FeedbackVertex> all;
  for (const auto& p : polygons) all.insert(all.end(), p.vertices.begin(), p.vertices.end());
  struct Want {
    float x, y, s, t;
  };
  const Want textured[] = {{10, 10, 0, 0}, {110, 10, 1, 0}, {110, 110, 1, 1}, {10, 110, 0, 1}};
  // Untextured edges keep the coordinate last sent, the textured quad's (0, 1).
  const Want plain[] = {{200, 10, 0, 1}, {300, 10, 0, 1}, {300, 110, 0, 1}, {200, 110, 0, 1}};
  for (const auto& table : {textured, plain}) {
    for (int i = 0; i < 4; ++i) {
      const Want& w = table[i];
      bool found = false;
      for (const auto& v : all)
        if (std::fabs(v.x - w.x) < 1e-3 && std::fabs(v.y - w.y) < 1e-3) {
          found = true;
          EXPECT_NEAR(v.s, w.s, 1e-6) << w.x << "," << w.y;
          EXPECT_NEAR(v.t, w.t, 1e-6) << w.x << "," << w.y;
        }
      EXPECT_TRUE(found) << w.x << "," << w.y;
    }
  }
}

struct BoxVertex {
  float x, y, z, s, t;
};

// The box's faces as the library defines them, for corners (x1, y1, z1),
// (x2, y2, z2) relative to the origin and repeat factor tsize.
std::array<std::array<BoxVertex, 4>, 6> ExpectedFaces(float x1, float y1, float z1, float x2, float y2, float z2,
                                                      float tsize) {
  const float W = (x2 - x1) * tsize, H = (y2 - y1) * tsize, D = (z2 - z1) * tsize;
  return {{
      {{{x1, y1, z2, 0, 0}, {x2, y1, z2, W, 0}, {x2, y2, z2, W, H}, {x1, y2, z2, 0, H}}},
      {{{x1, y1, z1, W, 0}, {x1, y2, z1, W, H}, {x2, y2, z1, 0, H}, {x2, y1, z1, 0, 0}}},
      {{{x1, y2, z1, 0, D}, {x1, y2, z2, 0, 0}, {x2, y2, z2, W, 0}, {x2, y2, z1, W, D}}},
      {{{x1, y1, z1, W, D}, {x2, y1, z1, 0, D}, {x2, y1, z2, 0, 0}, {x1, y1, z2, W, 0}}},
      {{{x2, y1, z1, D, 0}, {x2, y2, z1, D, H}, {x2, y2, z2, 0, H}, {x2, y1, z2, 0, 0}}},
      {{{x1, y1, z1, 0, 0}, {x1, y1, z2, D, 0}, {x1, y2, z2, D, H}, {x1, y2, z1, 0, H}}},
  }};
}

struct BoxArgs {
  float x, y, z, x1, y1, z1, x2, y2, z2, tsize;
};
BoxArgs g_box;

void DrawBox() {
  glPushMatrix();
  glTranslatef(kBoxShift, kBoxShift, 0);
  glScalef(kBoxScale, kBoxScale, kBoxScale);
  Cubo2(g_box.x, g_box.y, g_box.z, g_box.x1, g_box.y1, g_box.z1, g_box.x2, g_box.y2, g_box.z2, g_box.tsize);
  glPopMatrix();
}

// All vertices in emission order; Mesa may hand quads back as triangles, so
// the order of distinct corners is rebuilt from the polygons.
std::vector<testgl::FeedbackVertex> Corners(const std::vector<testgl::FeedbackPolygon>& polygons) {
  std::vector<testgl::FeedbackVertex> out;
  for (const auto& p : polygons) out.insert(out.end(), p.vertices.begin(), p.vertices.end());
  return out;
}

bool Same(const testgl::FeedbackVertex& v, const BoxVertex& w, float ox, float oy, float oz) {
  const V3 o = ToObject(v);
  return std::fabs(o.x - (w.x + ox)) < 1e-3 && std::fabs(o.y - (w.y + oy)) < 1e-3 &&
         std::fabs(o.z - (w.z + oz)) < 1e-3 && std::fabs(v.s - w.s) < 1e-5 && std::fabs(v.t - w.t) < 1e-5;
}

TEST_F(Primitives, BoxEmitsTheFaceTableWithItsTextureCoordinates) {
  const BoxArgs cases[] = {
      {0, 0, 0, -3, 0, -3, 3, 0.5f, 3, 0.5f},  // the demo's floor slab
      {1, 2, -3, 0, 0, 0, 2, 4, 6, 1.0f},
      {0, 0, 0, -1, -1, -1, 1, 1, 1, 0.0f},  // one texel colour per face
      {0, 0, 0, 1, 0, 0, -1, 1, 1, 2.0f},    // x reversed: the texture mirrors
  };
  for (const BoxArgs& c : cases) {
    SCOPED_TRACE(c.tsize);
    g_box = c;
    glDisable(GL_CULL_FACE);
    const auto corners = Corners(testgl::CapturePolygons(DrawBox));
    ASSERT_TRUE(corners.size() == 24 || corners.size() == 36) << corners.size();
    const auto faces = ExpectedFaces(c.x1, c.y1, c.z1, c.x2, c.y2, c.z2, c.tsize);
    // Each face's four corners appear, in the table's order, within the
    // face's own group of emitted vertices.
    size_t at = 0;
    for (int f = 0; f < 6; ++f) {
      for (int k = 0; k < 4; ++k) {
        const size_t start = at;
        while (at < corners.size() && !Same(corners[at], faces[f][k], c.x, c.y, c.z)) ++at;
        ASSERT_LT(at, corners.size()) << "face " << f << " corner " << k << " after vertex " << start;
      }
    }
  }
}

TEST_F(Primitives, DemoSlabTilesThreeTimesAcrossAndAQuarterUp) {
  g_box = {0, 0, 0, -3, 0, -3, 3, 0.5f, 3, 0.5f};
  float max_s = 0, max_t = 0, min_nonzero_t = 10;
  for (const auto& v : Corners(testgl::CapturePolygons(DrawBox))) {
    max_s = std::max(max_s, v.s);
    max_t = std::max(max_t, v.t);
    if (v.t > 0) min_nonzero_t = std::min(min_nonzero_t, v.t);
  }
  EXPECT_FLOAT_EQ(max_s, 3.0f);
  EXPECT_FLOAT_EQ(max_t, 3.0f);
  EXPECT_FLOAT_EQ(min_nonzero_t, 0.25f);
}

// Lit colour of every emitted vertex under one white directional light with
// no ambient term: the default material's diffuse 0.8 times n.L.
std::vector<float> LitFaces(const BoxArgs& box, std::array<float, 3> dir) {
  g_box = box;
  glDisable(GL_CULL_FACE);
  glEnable(GL_LIGHTING);
  glEnable(GL_LIGHT0);
  glEnable(GL_NORMALIZE);  // DrawBox scales the box up
  const float black[4] = {0, 0, 0, 1};
  glLightModelfv(GL_LIGHT_MODEL_AMBIENT, black);
  const float position[4] = {dir[0], dir[1], dir[2], 0};
  glLightfv(GL_LIGHT0, GL_POSITION, position);
  std::vector<float> reds;
  for (const auto& p : testgl::CapturePolygons(DrawBox)) reds.push_back(p.vertices[0].r);
  glDisable(GL_LIGHTING);
  return reds;
}

struct LitCase {
  const char* name;
  BoxArgs box;
  std::array<V3, 6> normals;  // per face, in table order
};

TEST_F(Primitives, BoxFaceNormalsFollowTheCornerOrder) {
  const LitCase cases[] = {
      {"ordered", {0, 0, 0, -1, -1, -1, 1, 1, 1, 1}, {{{0, 0, 1}, {0, 0, -1}, {0, 1, 0}, {0, -1, 0}, {1, 0, 0}, {-1, 0, 0}}}},
      {"x reversed", {0, 0, 0, 1, -1, -1, -1, 1, 1, 1}, {{{0, 0, -1}, {0, 0, 1}, {0, -1, 0}, {0, 1, 0}, {1, 0, 0}, {-1, 0, 0}}}},
      {"x and y reversed", {0, 0, 0, 1, 1, -1, -1, -1, 1, 1}, {{{0, 0, 1}, {0, 0, -1}, {0, -1, 0}, {0, 1, 0}, {-1, 0, 0}, {1, 0, 0}}}},
      {"flat slab", {0, 0, 0, -1, 0, -1, 1, 0, 1, 1}, {{{0, 0, 0}, {0, 0, 0}, {0, 1, 0}, {0, -1, 0}, {0, 0, 0}, {0, 0, 0}}}},
  };
  // Two opposite light directions light every face with a non-zero normal.
  const std::array<float, 3> dirs[] = {{{1, 2, 3}}, {{-1, -2, -3}}};
  for (const LitCase& c : cases) {
    SCOPED_TRACE(c.name);
    for (const auto& d : dirs) {
      const float len = std::sqrt(d[0] * d[0] + d[1] * d[1] + d[2] * d[2]);
      const auto reds = LitFaces(c.box, d);
      // Quads may come back split in two; each face's polygons are adjacent.
      ASSERT_TRUE(reds.size() == 6 || reds.size() == 12) << reds.size();
      const size_t per_face = reds.size() / 6;
      for (int f = 0; f < 6; ++f) {
        const V3& n = c.normals[f];
        const double want = 0.8 * std::max(0.0, (n.x * d[0] + n.y * d[1] + n.z * d[2]) / len);
        for (size_t k = 0; k < per_face; ++k) EXPECT_NEAR(reds[f * per_face + k], want, 2e-3) << "face " << f;
      }
    }
  }
}

TEST_F(Primitives, BoxLeavesTheMatrixAndTheLeftFaceNormal) {
  glTranslatef(5, 6, 7);
  std::array<float, 16> before{}, after{};
  glGetFloatv(GL_MODELVIEW_MATRIX, before.data());
  Cubo2(1, 2, 3, 0, 0, 0, 1, 1, 1, 1);
  glGetFloatv(GL_MODELVIEW_MATRIX, after.data());
  EXPECT_EQ(before, after);
  EXPECT_EQ(FNormal[0], -1.0);
  EXPECT_EQ(FNormal[1], 0.0);
  EXPECT_EQ(FNormal[2], 0.0);
  std::array<float, 3> normal{};
  glGetFloatv(GL_CURRENT_NORMAL, normal.data());
  EXPECT_EQ(normal, (std::array<float, 3>{-1, 0, 0}));
  std::array<float, 4> tex{};
  glGetFloatv(GL_CURRENT_TEXTURE_COORDS, tex.data());
  EXPECT_EQ(tex[0], 0.0f);  // (0, H) of the left face's last corner
  EXPECT_EQ(tex[1], 1.0f);
  EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
  EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
  EXPECT_FALSE(glIsEnabled(GL_LIGHTING));
}

TEST_F(Primitives, UnderBackFaceCullingOnlyTheOutsideShows) {
  // Looking down -z: of an ordered box only the front face (z = Z2) faces
  // the viewer; with x reversed the near face is culled and the far one's
  // inside shows.
  glEnable(GL_CULL_FACE);
  glCullFace(GL_BACK);
  glFrontFace(GL_CCW);
  for (bool reversed : {false, true}) {
    g_box = reversed ? BoxArgs{0, 0, 0, 1, -1, -1, -1, 1, 1, 1} : BoxArgs{0, 0, 0, -1, -1, -1, 1, 1, 1, 1};
    int seen = 0;
    for (const auto& p : testgl::CapturePolygons(DrawBox)) {
      // Faces seen edge-on have no area and no facing.
      double area = 0;
      for (size_t i = 0; i < p.vertices.size(); ++i) {
        const auto& a = p.vertices[i];
        const auto& b = p.vertices[(i + 1) % p.vertices.size()];
        area += a.x * b.y - b.x * a.y;
      }
      if (std::fabs(area) < 1e-3) continue;
      ++seen;
      for (const auto& v : p.vertices) EXPECT_NEAR(ToObject(v).z, reversed ? -1.0 : 1.0, 1e-3);
    }
    EXPECT_GT(seen, 0);
  }
}

}  // namespace
