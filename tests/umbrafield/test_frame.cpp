// Whole frames of the demo, headless: the shadow operations' state, the
// world's geometry and texture slots, and pictures against references.
#include <GL/glu.h>
#include <SDL.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "gl_context.h"
#include "umbrafield.h"

using namespace lumicore;
using namespace umbrafield;

namespace {

int AnswerNo(LPCSTR, LPCSTR, UINT) { return IDNO; }

struct Rgb {
  double r, g, b;
  double Sum() const { return r + g + b; }
};

Rgb PixelAt(int x, int y) {
  GLfloat p[4];
  glReadBuffer(GL_BACK);
  glReadPixels(x, y, 1, 1, GL_RGBA, GL_FLOAT, p);
  return {p[0], p[1], p[2]};
}

void Matrix(GLenum which, GLfloat out[16]) { glGetFloatv(which, out); }

void ExpectMatrixNear(const GLfloat* a, const GLfloat* b, float tolerance, const char* what) {
  for (int i = 0; i < 16; ++i) EXPECT_NEAR(a[i], b[i], tolerance) << what << " element " << i;
}

// The demo's window, textures and shadow texture, made once.
class Frame : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    PlatformSetMessageBoxHook(AnswerNo);
    PlatformSetSwapInterval(0);
    Start(AskFullScreen());
  }
  void SetUp() override {
    ASSERT_TRUE(Active);
    XRot = YRot = Depth = 0;
    SelectTypeShadow = SHADOW_TEXTURE_SOFTH;
  }
  // The demo's state as it is at the start of frame n (1 = the first).
  static void RewindTo(int n) {
    Anim = 1.0f;
    SetGLLight(GL_LIGHT0, 0, 0, 0, 0.1f);
    for (int i = 1; i < n; ++i) {
      glMatrixMode(GL_MODELVIEW);
      glLoadIdentity();
      Anim -= 0.025f;
      PutGLPointLight(GL_LIGHT0, 0, float(-55.0 * std::cos(double(Anim))), 25, float(55.0 * std::sin(double(Anim))),
                      0.1f);
    }
  }
};

TEST_F(Frame, StartUpLeavesTheShadowTextureReady) {
  GLint bound = 0;
  glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
  EXPECT_NE(M_ShadowMap, 0u);
  // Textures 1 to 4 are the scene's slots; the shadow texture comes last.
  for (int slot = 0; slot < 4; ++slot) EXPECT_NE(TextureID2[slot], 0u) << slot;
  EXPECT_EQ(GLuint(bound), M_ShadowMap) << "the shadow texture is bound for the first frame";
  GLint v = 0;
  glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_COMPARE_MODE, &v);
  EXPECT_EQ(v, GL_COMPARE_R_TO_TEXTURE);
  glGetTexParameteriv(GL_TEXTURE_2D, GL_DEPTH_TEXTURE_MODE, &v);
  EXPECT_EQ(v, GL_INTENSITY);
  glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, &v);
  EXPECT_EQ(v, GL_CLAMP);
  glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &v);
  EXPECT_EQ(v, GL_LINEAR);
  for (GLenum coord : {GL_S, GL_T, GL_R, GL_Q}) {
    glGetTexGeniv(coord, GL_TEXTURE_GEN_MODE, &v);
    EXPECT_EQ(v, GL_EYE_LINEAR);
  }
  glGetIntegerv(GL_LIGHT_MODEL_COLOR_CONTROL, &v);
  EXPECT_EQ(v, GL_SEPARATE_SPECULAR_COLOR);
  GLfloat f = 0;
  glGetFloatv(GL_POLYGON_OFFSET_FACTOR, &f);
  EXPECT_EQ(f, 4.0f);
  glGetFloatv(GL_POLYGON_OFFSET_UNITS, &f);
  EXPECT_EQ(f, 0.0f);
  EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
  EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
}

TEST_F(Frame, DepthPassState) {
  RewindTo(5);
  glClearColor(0.25f, 0.5f, 0.75f, 1);
  glClear(GL_COLOR_BUFFER_BIT);
  Rgb before = PixelAt(700, 550);
  glLoadIdentity();
  GenTexShadow(BaseScena2, LightModelView, LightProjection, 512, 100, 2.56f);
  GLint viewport[4];
  glGetIntegerv(GL_VIEWPORT, viewport);
  EXPECT_EQ(viewport[0], 0);
  EXPECT_EQ(viewport[1], 0);
  EXPECT_EQ(viewport[2], 512);
  EXPECT_EQ(viewport[3], 512);
  GLfloat m[16];
  Matrix(GL_PROJECTION_MATRIX, m);
  ExpectMatrixNear(m, LightProjection, 0, "projection");
  Matrix(GL_MODELVIEW_MATRIX, m);
  ExpectMatrixNear(m, LightModelView, 0, "modelview");
  // A 45-degree field narrowed by the zoom, near 35, far 100.
  const double f = 1 / std::tan(22.5 * M_PI / 180);
  EXPECT_NEAR(LightProjection[0], 2.56 * f, 1e-4);
  EXPECT_NEAR(LightProjection[10], -(100.0 + 35) / (100 - 35), 1e-5);
  EXPECT_NEAR(LightProjection[14], -2 * 100.0 * 35 / (100 - 35), 1e-4);
  // The light camera stands at the light and looks at the origin.
  GLfloat eye_origin[4] = {LightModelView[12], LightModelView[13], LightModelView[14], 0};
  const float* L = LightPosition;
  EXPECT_NEAR(std::sqrt(eye_origin[0] * eye_origin[0] + eye_origin[1] * eye_origin[1] + eye_origin[2] * eye_origin[2]),
              std::sqrt(L[0] * L[0] + L[1] * L[1] + L[2] * L[2]), 1e-3);
  EXPECT_NEAR(eye_origin[0], 0, 1e-4);
  EXPECT_NEAR(eye_origin[1], 0, 1e-4);
  GLint mode = 0;
  glGetIntegerv(GL_MATRIX_MODE, &mode);
  EXPECT_EQ(mode, GL_MODELVIEW);
  EXPECT_TRUE(glIsEnabled(GL_LIGHTING));
  EXPECT_TRUE(glIsEnabled(GL_NORMALIZE));
  EXPECT_FALSE(glIsEnabled(GL_POLYGON_OFFSET_FILL));
  glGetIntegerv(GL_SHADE_MODEL, &mode);
  EXPECT_EQ(mode, GL_SMOOTH);
  GLboolean mask[4];
  glGetBooleanv(GL_COLOR_WRITEMASK, mask);
  EXPECT_TRUE(mask[0] && mask[1] && mask[2] && mask[3]);
  Rgb after = PixelAt(700, 550);
  EXPECT_EQ(after.Sum(), before.Sum()) << "the light's pass writes no colour";
  GLint w = 0, format = 0;
  glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &w);
  glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_INTERNAL_FORMAT, &format);
  EXPECT_EQ(w, 512);
  EXPECT_TRUE(format == GL_DEPTH_COMPONENT || format == GL_DEPTH_COMPONENT24 || format == GL_DEPTH_COMPONENT16 ||
              format == GL_DEPTH_COMPONENT32)
      << std::hex << format;
  glClearColor(0, 0, 0, 0);
}

TEST_F(Frame, QualityBelowOneCountsAsOne) {
  RewindTo(5);
  GLfloat half[16], one[16];
  GenTexShadow(BaseScena2, LightModelView, half, 512, 100, 0.5f);
  GenTexShadow(BaseScena2, LightModelView, one, 512, 100, 1.0f);
  ExpectMatrixNear(half, one, 0, "projection");
  EXPECT_NEAR(one[5], 1 / std::tan(22.5 * M_PI / 180), 1e-5);
}

TEST_F(Frame, SizeLargerThanTheDrawingAreaIsClamped) {
  RewindTo(5);
  GenTexShadow(BaseScena2, LightModelView, LightProjection, 1024, 100, 2.56f);
  GLint viewport[4], w = 0;
  glGetIntegerv(GL_VIEWPORT, viewport);
  glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &w);
  EXPECT_EQ(viewport[2], 512) << "the largest power of two within 800 by 600";
  EXPECT_EQ(w, 512);
  EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

TEST_F(Frame, LightOverTheTargetLightsEverything) {
  // The first frame's light camera stands at the origin it looks at.
  for (float y : {0.0f, 25.0f}) {
    SetGLLight(GL_LIGHT0, 0, y, 0, 0.1f);
    GenTexShadow(BaseScena2, LightModelView, LightProjection, 512, 100, 2.56f);
    for (int i = 0; i < 16; ++i) {
      EXPECT_TRUE(std::isfinite(LightModelView[i])) << i;
      EXPECT_TRUE(std::isfinite(LightProjection[i])) << i;
    }
    // Every world point maps to the middle of the texture at a depth that
    // passes the comparison.
    GLfloat tm[16];
    OpenGL_Init(100, 0, 0, 0, 0);
    BindTexShadow([] {}, LightModelView, LightProjection);
    glGetFloatv(GL_TEXTURE_MATRIX, tm);
    const float p[4] = {3, 1, -7, 1};
    float out[4];
    for (int r = 0; r < 4; ++r) out[r] = tm[r] * p[0] + tm[4 + r] * p[1] + tm[8 + r] * p[2] + tm[12 + r] * p[3];
    EXPECT_FLOAT_EQ(out[0] / out[3], 0.5f);
    EXPECT_FLOAT_EQ(out[1] / out[3], 0.5f);
    EXPECT_LE(out[2] / out[3], 1.0f);
  }
}

TEST_F(Frame, TexturedPassLoadsTheLightCameraIntoTheTextureMatrix) {
  RewindTo(5);
  GenTexShadow(BaseScena2, LightModelView, LightProjection, 512, 100, 2.56f);
  OpenGL_Draw2D();
  static GLfloat during[16];
  BindTexShadow([] { glGetFloatv(GL_TEXTURE_MATRIX, during); }, LightModelView, LightProjection);
  GLfloat identity[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
  ExpectMatrixNear(during, identity, 0, "texture matrix in the textured pass");
  // Expected: T(0.5) S(0.5) P M, multiplied out here.
  auto mul = [](const GLfloat* a, const GLfloat* b, GLfloat* out) {
    for (int c = 0; c < 4; ++c)
      for (int r = 0; r < 4; ++r) {
        double s = 0;
        for (int k = 0; k < 4; ++k) s += double(a[k * 4 + r]) * b[c * 4 + k];
        out[c * 4 + r] = GLfloat(s);
      }
  };
  GLfloat bias[16] = {0.5f, 0, 0, 0, 0, 0.5f, 0, 0, 0, 0, 0.5f, 0, 0.5f, 0.5f, 0.5f, 1};
  GLfloat bp[16], expected[16], actual[16];
  mul(bias, LightProjection, bp);
  mul(bp, LightModelView, expected);
  glGetFloatv(GL_TEXTURE_MATRIX, actual);
  ExpectMatrixNear(actual, expected, 1e-5f, "texture matrix");
  GLint mode = 0;
  glGetIntegerv(GL_MATRIX_MODE, &mode);
  EXPECT_EQ(mode, GL_MODELVIEW);
}

TEST_F(Frame, ShadowPassBlendsByStrengthAndRestores) {
  struct Case {
    int type;
    GLint src, dst;
  };
  const Case cases[] = {
      {SHADOW_TEXTURE_SOFTH, GL_DST_COLOR, GL_ONE_MINUS_DST_COLOR},
      {SHADOW_TEXTURE_MEDIUM, GL_DST_COLOR, GL_DST_COLOR},
      {SHADOW_TEXTURE_DARK, GL_DST_COLOR, GL_SRC_COLOR},
      {3, GL_SRC_ALPHA, GL_ONE},  // the function in force stays
      {-1, GL_SRC_ALPHA, GL_ONE},
  };
  static GLint src, dst;
  static GLboolean blend, gen[4];
  static GLint env;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.type);
    DrawTexShadow(
        [] {
          glGetIntegerv(GL_BLEND_SRC, &src);
          glGetIntegerv(GL_BLEND_DST, &dst);
          blend = glIsEnabled(GL_BLEND);
          gen[0] = glIsEnabled(GL_TEXTURE_GEN_S);
          gen[1] = glIsEnabled(GL_TEXTURE_GEN_T);
          gen[2] = glIsEnabled(GL_TEXTURE_GEN_R);
          gen[3] = glIsEnabled(GL_TEXTURE_GEN_Q);
          glGetTexEnviv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, &env);
        },
        c.type, M_ShadowMap);
    EXPECT_EQ(src, c.src);
    EXPECT_EQ(dst, c.dst);
    EXPECT_TRUE(blend && gen[0] && gen[1] && gen[2] && gen[3]);
    EXPECT_EQ(env, GL_MODULATE);
    GLint v = 0;
    glGetIntegerv(GL_BLEND_SRC, &v);
    EXPECT_EQ(v, GL_SRC_ALPHA);
    glGetIntegerv(GL_BLEND_DST, &v);
    EXPECT_EQ(v, GL_ONE);
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    for (GLenum g : {GL_TEXTURE_GEN_S, GL_TEXTURE_GEN_T, GL_TEXTURE_GEN_R, GL_TEXTURE_GEN_Q}) EXPECT_FALSE(glIsEnabled(g));
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &v);
    EXPECT_EQ(GLuint(v), M_ShadowMap);
  }
}

TEST_F(Frame, ManyFramesKeepTheStateSteady) {
  GLint depth0 = 0, bound0 = 0, mode0 = 0;
  LoopPass();
  glGetIntegerv(GL_TEXTURE_STACK_DEPTH, &depth0);
  glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound0);
  glGetIntegerv(GL_MATRIX_MODE, &mode0);
  const GLenum flags[] = {GL_LIGHTING, GL_LIGHT0, GL_CULL_FACE, GL_DEPTH_TEST, GL_TEXTURE_2D, GL_BLEND,
                          GL_TEXTURE_GEN_S, GL_POLYGON_OFFSET_FILL, GL_NORMALIZE, GL_AUTO_NORMAL};
  std::vector<GLboolean> enabled0;
  for (GLenum f : flags) enabled0.push_back(glIsEnabled(f));
  for (int i = 0; i < 30; ++i) {
    LoopPass();
    ASSERT_EQ(glGetError(), GLenum(GL_NO_ERROR)) << "frame " << i;
  }
  GLint v = 0;
  glGetIntegerv(GL_TEXTURE_STACK_DEPTH, &v);
  EXPECT_EQ(v, depth0);
  EXPECT_EQ(v, 1);
  glGetIntegerv(GL_TEXTURE_BINDING_2D, &v);
  EXPECT_EQ(v, bound0);
  EXPECT_EQ(GLuint(v), M_ShadowMap);
  glGetIntegerv(GL_MATRIX_MODE, &v);
  EXPECT_EQ(v, GL_MODELVIEW);
  for (size_t i = 0; i < enabled0.size(); ++i) EXPECT_EQ(glIsEnabled(flags[i]), enabled0[i]) << std::hex << flags[i];
}

TEST_F(Frame, TheLightCircles) {
  RewindTo(1);
  LoopPass();
  EXPECT_FLOAT_EQ(Anim, 0.975f) << "the first frame already uses 0.975";
  EXPECT_FLOAT_EQ(LightPosition[0], float(-55 * std::cos(0.975)));
  EXPECT_FLOAT_EQ(LightPosition[1], 25);
  EXPECT_FLOAT_EQ(LightPosition[2], float(55 * std::sin(0.975)));
  EXPECT_FLOAT_EQ(LightPosition[3], 0.1f);
  float expected = 0.975f;
  for (int i = 0; i < 10; ++i) {
    LoopPass();
    expected -= 0.025f;
  }
  EXPECT_FLOAT_EQ(Anim, expected) << "each step stored as a float";
  // After a whole turn Anim comes back into one turn below its start.
  Anim = 1.0f - 6.2831853f + 0.01f;
  LoopPass();
  EXPECT_GT(Anim, 1.0f - 6.2831853f);
  EXPECT_LE(Anim, 1.0f);
  const float before = Anim;
  LoopPass();
  EXPECT_NEAR(std::remainder(double(before) - Anim, 2 * M_PI), 0.025, 1e-5) << "the step stays the same across the wrap";
}

TEST_F(Frame, KeysChooseTheStrength) {
  struct Case {
    std::vector<int> held;
    int expected;
  };
  const Case cases[] = {{{}, 0}, {{'2'}, 1}, {{'3'}, 2}, {{'1', '2'}, 1}, {{'1', '2', '3'}, 2}, {{'1'}, 0}};
  for (const Case& c : cases) {
    for (int k : c.held) GLWndProc(HWindow, WM_KEYDOWN, k, 0);
    OpenGL_Keyboard();
    EXPECT_EQ(SelectTypeShadow, c.expected);
    for (int k : c.held) GLWndProc(HWindow, WM_KEYUP, k, 0);
    OpenGL_Keyboard();
    EXPECT_EQ(SelectTypeShadow, c.expected) << "the choice persists after the release";
  }
}

// ------------------------------------------------------------ the world
std::vector<testgl::FeedbackPolygon> Capture(void (*scene)()) {
  OpenGL_Init(100, 0, 0, 0, 0);
  glTranslatef(0, 0, -30);
  glRotatef(45, 1, 0, 0);
  return testgl::CapturePolygons(scene);
}

bool SamePositions(const testgl::FeedbackPolygon& a, const testgl::FeedbackPolygon& b) {
  if (a.vertices.size() != b.vertices.size()) return false;
  for (size_t i = 0; i < a.vertices.size(); ++i)
    if (a.vertices[i].x != b.vertices[i].x || a.vertices[i].y != b.vertices[i].y || a.vertices[i].z != b.vertices[i].z)
      return false;
  return true;
}

TEST_F(Frame, ScenesDrawTheSameGeometry) {
  auto base = Capture(BaseScena);
  auto casters = Capture(BaseScena2);
  auto textured = Capture(Scena);
  // Culled as the frame culls them, so fewer than all faces of the 24 boxes
  // and of the teapot's 32 patches of 32 by 32 quads reach the feedback.
  ASSERT_GT(base.size(), 24u * 3 + 32 * 32 * 16);
  ASSERT_EQ(base.size(), textured.size());
  ASSERT_LT(casters.size(), base.size());
  for (size_t i = 0; i < base.size(); ++i) ASSERT_TRUE(SamePositions(base[i], textured[i])) << "polygon " << i;
  const size_t floor = base.size() - casters.size();
  ASSERT_GE(floor, 1u) << "the casters leave out the floor";
  for (size_t i = 0; i < casters.size(); ++i) ASSERT_TRUE(SamePositions(casters[i], base[floor + i])) << "polygon " << i;
  EXPECT_FALSE(glIsEnabled(GL_LIGHT_MODEL_TWO_SIDE));
}

TEST_F(Frame, FloorQuadIsTwoSidedWithAnUpNormal) {
  glEnable(GL_CULL_FACE);
  TwoSideOn();
  static GLfloat normal[4];
  static GLboolean cull, two_side;
  Quad(-10, 0, -10, 10, 0, -10, -10, 0, 10, 10, 0, 10);
  glGetFloatv(GL_CURRENT_NORMAL, normal);
  EXPECT_FLOAT_EQ(normal[0], 0);
  EXPECT_FLOAT_EQ(normal[1], 1);
  EXPECT_FLOAT_EQ(normal[2], 0);
  glGetBooleanv(GL_LIGHT_MODEL_TWO_SIDE, &two_side);
  cull = glIsEnabled(GL_CULL_FACE);
  EXPECT_TRUE(cull) << "culling is on after the quad";
  EXPECT_FALSE(two_side) << "two-sided lighting is off after the quad";
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  OpenGL_Init(100, 0, 0, 0, 0);
  glTranslatef(0, 0, -30);
  glRotatef(-45, 1, 0, 0);  // from below the floor
  auto below = testgl::CapturePolygons([] { Quad(-10, 0, -10, 10, 0, -10, -10, 0, 10, 10, 0, 10); });
  EXPECT_EQ(below.size(), 2u) << "the floor is drawn from below too";
}

// Each texture slot gets a plain colour; looking down on the world, the floor,
// the pyramid, the tower and the teapot show their slots' colours.
TEST_F(Frame, TexturedSceneSelectsItsSlots) {
  GLuint saved[4];
  std::copy(TextureID2, TextureID2 + 4, saved);
  const GLubyte colours[4][3] = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 255, 0}};
  GLuint plain[4];
  glGenTextures(4, plain);
  for (int i = 0; i < 4; ++i) {
    glBindTexture(GL_TEXTURE_2D, plain[i]);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, 1, 1, 0, GL_RGB, GL_UNSIGNED_BYTE, colours[i]);
    TextureID2[i] = plain[i];
  }
  OpenGL_Init(100, 0, 0, 0, 0);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  glDisable(GL_LIGHTING);
  glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
  glTranslatef(0, 0, -40);
  glRotatef(90, 1, 0, 0);  // straight down
  Scena();
  GLint bound = 0;
  glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
  EXPECT_EQ(GLuint(bound), plain[3]) << "the teapot's slot stays selected";
  struct Probe {
    const char* what;
    float x, y, z;
    int slot;
  };
  const Probe probes[] = {
      {"floor", -8, 0, 8, 0}, {"pyramid", 0, 3, 0, 1}, {"pillar", -6, 3, 0, 1}, {"wall", -3, 1.6f, -5, 1},
      {"tower top", 6, 5, 0, 2}, {"teapot lid", 0, 2.7f, 7.5f, 3},
  };
  GLdouble mv[16], pr[16];
  GLint vp[4];
  glGetDoublev(GL_MODELVIEW_MATRIX, mv);
  glGetDoublev(GL_PROJECTION_MATRIX, pr);
  glGetIntegerv(GL_VIEWPORT, vp);
  for (const Probe& p : probes) {
    GLdouble wx, wy, wz;
    gluProject(p.x, p.y, p.z, mv, pr, vp, &wx, &wy, &wz);
    Rgb c = PixelAt(int(wx), int(wy));
    EXPECT_NEAR(c.r * 255, colours[p.slot][0], 2) << p.what;
    EXPECT_NEAR(c.g * 255, colours[p.slot][1], 2) << p.what;
    EXPECT_NEAR(c.b * 255, colours[p.slot][2], 2) << p.what;
  }
  glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
  glEnable(GL_LIGHTING);
  std::copy(saved, saved + 4, TextureID2);
  glDeleteTextures(4, plain);
  glBindTexture(GL_TEXTURE_2D, M_ShadowMap);

  // The shadow-pass and caster scenes select nothing.
  BaseScena();
  BaseScena2();
  glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
  EXPECT_EQ(GLuint(bound), M_ShadowMap);
}

// ------------------------------------------------- what a person would see
// A frame's passes one by one, with the pixels of the textured pass taken
// just before the shadow pass blends over them.
Rgb g_textured_at_shadow, g_textured_at_lit;
int g_shadow_x, g_shadow_y, g_lit_x, g_lit_y;

void RenderFrameWithProbes(int strength) {
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  glLoadIdentity();
  GenTexShadow(BaseScena2, LightModelView, LightProjection, 512, 100, 2.56f);
  const float shadow_light[3] = {LightPosition[0], LightPosition[1], LightPosition[2]};
  OpenGL_Draw2D();
  glTranslatef(0, 0, -30);
  glRotatef(45, 1, 0, 0);
  SetGLMouseMove(GL_M0, 2);
  Anim -= 0.025f;
  PutGLPointLight(GL_LIGHT0, 0, float(-55.0 * std::cos(double(Anim))), 25, float(55.0 * std::sin(double(Anim))), 0.1f);
  // A floor point behind the tower as the shadow camera sees it, and one
  // between the pyramid and the pillars, open to the light.
  const float tower[3] = {6, 1, 0};
  const double u = shadow_light[1] / double(shadow_light[1] - tower[1]);
  const double shadow[3] = {shadow_light[0] + u * (tower[0] - shadow_light[0]), 0,
                            shadow_light[2] + u * (tower[2] - shadow_light[2])};
  const double len = std::hypot(shadow_light[0], shadow_light[2]);
  const double lit[3] = {4.5 * shadow_light[0] / len, 0, 4.5 * shadow_light[2] / len};
  GLdouble mv[16], pr[16], wx, wy, wz;
  GLint vp[4];
  glGetDoublev(GL_MODELVIEW_MATRIX, mv);
  glGetDoublev(GL_PROJECTION_MATRIX, pr);
  glGetIntegerv(GL_VIEWPORT, vp);
  gluProject(shadow[0], shadow[1], shadow[2], mv, pr, vp, &wx, &wy, &wz);
  g_shadow_x = int(wx), g_shadow_y = int(wy);
  gluProject(lit[0], lit[1], lit[2], mv, pr, vp, &wx, &wy, &wz);
  g_lit_x = int(wx), g_lit_y = int(wy);
  BindTexShadow(Scena, LightModelView, LightProjection);
  DrawTexShadow(
      [] {
        g_textured_at_shadow = PixelAt(g_shadow_x, g_shadow_y);
        g_textured_at_lit = PixelAt(g_lit_x, g_lit_y);
        BaseScena();
      },
      strength, M_ShadowMap);
}

TEST_F(Frame, ShadowStrengthsDarkenWhatTheLightCannotSee) {
  struct Case {
    int strength;
    double (*expect)(double d);
  };
  const Case cases[] = {
      {SHADOW_TEXTURE_SOFTH, [](double d) { return d * (1 - d); }},
      {SHADOW_TEXTURE_MEDIUM, [](double d) { return d * d; }},
      {SHADOW_TEXTURE_DARK, [](double) { return 0.0; }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.strength);
    RewindTo(20);
    RenderFrameWithProbes(c.strength);
    const Rgb d = g_textured_at_shadow, out = PixelAt(g_shadow_x, g_shadow_y);
    ASSERT_GT(d.Sum(), 0.1) << "the textured floor is visible there";
    const double tolerance = 0.03;
    EXPECT_NEAR(out.r, c.expect(d.r), tolerance);
    EXPECT_NEAR(out.g, c.expect(d.g), tolerance);
    EXPECT_NEAR(out.b, c.expect(d.b), tolerance);
    const Rgb dl = g_textured_at_lit, outl = PixelAt(g_lit_x, g_lit_y);
    // Where the light sees the floor the pass adds its lit colour times d.
    const double hidden = c.expect(dl.r) + c.expect(dl.g) + c.expect(dl.b);
    EXPECT_GT(outl.Sum(), hidden + 0.1) << "the light's side is not shadowed";
    if (c.strength == SHADOW_TEXTURE_SOFTH) {
      EXPECT_GT(outl.Sum(), dl.Sum() + 0.05) << "soft shadows brighten what the light sees";
    }
  }
}

// ------------------------------------------------- reference pictures
// Frames reduced to 80 by 60 by averaging 10 by 10 blocks, kept as text.
constexpr int kRefW = 80, kRefH = 60;

std::vector<int> g_reduced;
void ReduceBackBuffer() {
  std::vector<GLubyte> rgb(size_t(Width) * Height * 3);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadBuffer(GL_BACK);
  glReadPixels(0, 0, Width, Height, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
  g_reduced.assign(kRefW * kRefH * 3, 0);
  const int bw = Width / kRefW, bh = Height / kRefH;
  for (int y = 0; y < kRefH; ++y)
    for (int x = 0; x < kRefW; ++x)
      for (int c = 0; c < 3; ++c) {
        int sum = 0;
        for (int j = 0; j < bh; ++j)
          for (int i = 0; i < bw; ++i) sum += rgb[(size_t(y * bh + j) * Width + x * bw + i) * 3 + c];
        // Top row first, as image files keep it.
        g_reduced[((kRefH - 1 - y) * kRefW + x) * 3 + c] = (sum + bw * bh / 2) / (bw * bh);
      }
}

bool ReadPpm(const std::string& path, std::vector<int>* out) {
  std::ifstream f(path);
  std::string magic;
  int w = 0, h = 0, max = 0;
  if (!(f >> magic >> w >> h >> max) || magic != "P3" || w != kRefW || h != kRefH) return false;
  out->resize(size_t(w) * h * 3);
  for (int& v : *out)
    if (!(f >> v)) return false;
  return true;
}

void WritePpm(const std::string& path, const std::vector<int>& px) {
  std::ofstream f(path);
  f << "P3\n" << kRefW << " " << kRefH << "\n255\n";
  for (int y = 0; y < kRefH; ++y) {
    for (int x = 0; x < kRefW * 3; ++x) f << px[y * kRefW * 3 + x] << (x + 1 < kRefW * 3 ? " " : "\n");
  }
}

TEST_F(Frame, PicturesMatchTheReferences) {
  const bool update = std::getenv("UMBRAFIELD_UPDATE_REFERENCES") != nullptr;
  const char* names[] = {"soft", "medium", "dark"};
  for (int frame : {1, 60}) {
    for (int strength = 0; strength < 3; ++strength) {
      const std::string path = std::string(REFERENCE_DIR) + "/frame" + std::to_string(frame) + "_" + names[strength] + ".ppm";
      SCOPED_TRACE(path);
      RewindTo(frame);
      SelectTypeShadow = strength;
      LoopPass(ReduceBackBuffer);
      if (update) {
        WritePpm(path, g_reduced);
        continue;
      }
      std::vector<int> ref;
      ASSERT_TRUE(ReadPpm(path, &ref)) << "missing reference; UMBRAFIELD_UPDATE_REFERENCES=1 writes it";
      double total = 0;
      int far_off = 0;
      for (size_t i = 0; i < ref.size(); ++i) {
        int diff = std::abs(ref[i] - g_reduced[i]);
        total += diff;
        far_off += diff > 24;
      }
      EXPECT_LT(total / ref.size(), 3.0) << "mean difference";
      EXPECT_LT(far_off, int(ref.size() / 100)) << "samples off by more than 24";
    }
  }
  // The strengths differ from one another where the shadows fall.
  RewindTo(60);
  SelectTypeShadow = SHADOW_TEXTURE_SOFTH;
  LoopPass(ReduceBackBuffer);
  std::vector<int> soft = g_reduced;
  RewindTo(60);
  SelectTypeShadow = SHADOW_TEXTURE_DARK;
  LoopPass(ReduceBackBuffer);
  long darker = 0;
  for (size_t i = 0; i < soft.size(); ++i) darker += soft[i] - g_reduced[i];
  EXPECT_GT(darker, 0) << "dark shadows are darker than soft ones";
}

// The ways a run ends, each in a child process of its own: the loop stops
// after the pass in which the window procedure cleared Active, and the
// program ends with status 0, also when the window was already destroyed.
void PushWindowEvent(Uint8 event) {
  SDL_Event e{};
  e.type = SDL_WINDOWEVENT;
  e.window.windowID = SDL_GetWindowID(SDL_GL_GetCurrentWindow());
  e.window.event = event;
  SDL_PushEvent(&e);
}

TEST(FrameLoopDeathTest, EveryEndingExitsWithZero) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  struct Case {
    const char* name;
    void (*end)();
  };
  const Case cases[] = {
      {"Escape", [] { PostMessageA(HWindow, WM_KEYDOWN, VK_ESCAPE, 0); }},
      {"close button", [] { PushWindowEvent(SDL_WINDOWEVENT_CLOSE); }},
      {"Alt+F4", [] { PostMessageA(HWindow, WM_SYSKEYDOWN, VK_F1 + 3, LPARAM(1) << 29); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EXIT(
        {
          PlatformSetMessageBoxHook(AnswerNo);
          PlatformSetSwapInterval(0);
          Start(false);
          LoopPass();
          c.end();
          const float before = Anim;
          const int code = Loop();
          // One pass handles the ending, and that pass still runs whole.
          std::fprintf(stderr, "passes %d\n", int(std::lround((before - Anim) / 0.025f)));
          std::exit(code);
        },
        ::testing::ExitedWithCode(0), "passes 1");
  }
}

}  // namespace
