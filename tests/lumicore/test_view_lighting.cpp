// View set-ups, culling and the light, checked through what the GL context
// holds afterwards.
#include <GL/glu.h>

#include <array>
#include <cmath>
#include <vector>

#include "gl_context.h"

namespace {

using namespace lumicore;

std::array<float, 4> GetFloat4(GLenum name) {
  std::array<float, 4> v{};
  glGetFloatv(name, v.data());
  return v;
}

std::array<float, 16> GetMatrix(GLenum name) {
  std::array<float, 16> m{};
  glGetFloatv(name, m.data());
  return m;
}

GLint GetInt(GLenum name) {
  GLint v = 0;
  glGetIntegerv(name, &v);
  return v;
}

std::array<float, 4> LightVector(GLenum light, GLenum name) {
  std::array<float, 4> v{};
  glGetLightfv(light, name, v.data());
  return v;
}

void ExpectNear4(const std::array<float, 4>& got, const std::array<float, 4>& want, float eps = 1e-6f) {
  for (int i = 0; i < 4; ++i) EXPECT_NEAR(got[i], want[i], eps) << "component " << i;
}

void ExpectMatrix(const std::array<float, 16>& got, const std::array<double, 16>& want) {
  for (int i = 0; i < 16; ++i) EXPECT_NEAR(got[i], want[i], 1e-5 * (1 + std::fabs(want[i]))) << "element " << i;
}

// Column-major perspective and orthographic matrices, as GL defines them.
std::array<double, 16> Perspective(double fovy, double aspect, double zn, double zf) {
  const double f = 1.0 / std::tan(fovy * M_PI / 360.0);
  return {f / aspect, 0, 0, 0, 0, f, 0, 0, 0, 0, (zf + zn) / (zn - zf), -1, 0, 0, 2 * zf * zn / (zn - zf), 0};
}

std::array<double, 16> Ortho(double l, double r, double b, double t, double n, double f) {
  return {2 / (r - l), 0, 0, 0, 0, 2 / (t - b), 0, 0, 0, 0, -2 / (f - n), 0,
          -(r + l) / (r - l), -(t + b) / (t - b), -(f + n) / (f - n), 1};
}

const std::array<double, 16> kIdentity = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};

class ViewLighting : public testgl::GLTest {};

struct InitCase {
  double depth, a, r, g, b;
  std::array<float, 4> clear_color;
  float clear_depth;
};

TEST_F(ViewLighting, InitSetsViewClearValuesAndDefaultState) {
  const InitCase cases[] = {
      {100, 0, 0, 0, 0, {0, 0, 0, 0}, 1.0f},
      {100, 1, 0.2, 0.4, 0.6, {0.2f, 0.4f, 0.6f, 1.0f}, 1.0f},  // alpha comes first
      {0.5, 0.25, 1, 0, 0.5, {1.0f, 0.0f, 0.5f, 0.25f}, 0.5f},
  };
  for (const InitCase& c : cases) {
    SCOPED_TRACE(c.depth);
    glMatrixMode(GL_TEXTURE);  // must come back as modelview
    OpenGL_Init(c.depth, c.a, c.r, c.g, c.b);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
    ExpectNear4(GetFloat4(GL_COLOR_CLEAR_VALUE), c.clear_color);
    GLfloat clear_depth = 0;
    glGetFloatv(GL_DEPTH_CLEAR_VALUE, &clear_depth);
    EXPECT_FLOAT_EQ(clear_depth, c.clear_depth);
    std::array<GLint, 4> viewport{};
    glGetIntegerv(GL_VIEWPORT, viewport.data());
    EXPECT_EQ(viewport, (std::array<GLint, 4>{0, 0, kWidth, kHeight}));
    ExpectMatrix(GetMatrix(GL_PROJECTION_MATRIX), Perspective(45.0, 800.0 / 600.0, 0.1, c.depth));
    ExpectMatrix(GetMatrix(GL_MODELVIEW_MATRIX), kIdentity);
    EXPECT_EQ(GetInt(GL_MATRIX_MODE), GL_MODELVIEW);
  }
  EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
  EXPECT_EQ(GetInt(GL_DEPTH_FUNC), GL_LEQUAL);
  ExpectNear4(GetFloat4(GL_CURRENT_COLOR), {1, 1, 1, 0.5f});
  EXPECT_EQ(GetInt(GL_BLEND_SRC), GL_SRC_ALPHA);
  EXPECT_EQ(GetInt(GL_BLEND_DST), GL_ONE);
  EXPECT_FALSE(glIsEnabled(GL_BLEND));
  EXPECT_EQ(GetInt(GL_LIGHT_MODEL_LOCAL_VIEWER), 1);
  for (GLenum hint : {GL_LINE_SMOOTH_HINT, GL_POLYGON_SMOOTH_HINT, GL_PERSPECTIVE_CORRECTION_HINT})
    EXPECT_EQ(GetInt(hint), GL_NICEST) << hint;
  EXPECT_TRUE(glIsEnabled(GL_AUTO_NORMAL));
  EXPECT_TRUE(glIsEnabled(GL_NORMALIZE));
  // Lighting, culling and texturing are not the view's business.
  EXPECT_FALSE(glIsEnabled(GL_LIGHTING));
  EXPECT_FALSE(glIsEnabled(GL_CULL_FACE));
  EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
}

TEST_F(ViewLighting, I2DSetsAnOrthographicBoxAndLittleElse) {
  OpenGL_I2D(0.5, 0.1, 0.2, 0.3);
  EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
  ExpectNear4(GetFloat4(GL_COLOR_CLEAR_VALUE), {0.1f, 0.2f, 0.3f, 0.5f});
  ExpectMatrix(GetMatrix(GL_PROJECTION_MATRIX), Ortho(-2, 2, -1.5, 1.5, -2, 2));
  ExpectMatrix(GetMatrix(GL_MODELVIEW_MATRIX), kIdentity);
  EXPECT_EQ(GetInt(GL_MATRIX_MODE), GL_MODELVIEW);
  EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
  EXPECT_EQ(GetInt(GL_DEPTH_FUNC), GL_LEQUAL);
  EXPECT_TRUE(glIsEnabled(GL_NORMALIZE));
  // Left at GL's defaults.
  EXPECT_FALSE(glIsEnabled(GL_AUTO_NORMAL));
  EXPECT_EQ(GetInt(GL_BLEND_SRC), GL_ONE);
  EXPECT_EQ(GetInt(GL_BLEND_DST), GL_ZERO);
  EXPECT_EQ(GetInt(GL_LIGHT_MODEL_LOCAL_VIEWER), 0);
  EXPECT_EQ(GetInt(GL_PERSPECTIVE_CORRECTION_HINT), GL_DONT_CARE);
  ExpectNear4(GetFloat4(GL_CURRENT_COLOR), {1, 1, 1, 1});
}

TEST_F(ViewLighting, I2DOnAWindowOfOtherProportions) {
  Width = 400;
  Height = 400;
  OpenGL_I2D(0, 0, 0, 0);
  ExpectMatrix(GetMatrix(GL_PROJECTION_MATRIX), Ortho(-2, 2, -2, 2, -2, 2));
  std::array<GLint, 4> viewport{};
  glGetIntegerv(GL_VIEWPORT, viewport.data());
  EXPECT_EQ(viewport, (std::array<GLint, 4>{0, 0, 400, 400}));
  Width = kWidth;
  Height = kHeight;
}

// Everything OpenGL_Init sets, read back in one vector.
std::vector<float> InitState() {
  std::vector<float> s;
  for (GLenum m : {GL_PROJECTION_MATRIX, GL_MODELVIEW_MATRIX})
    for (float v : GetMatrix(m)) s.push_back(v);
  for (GLenum v : {GL_COLOR_CLEAR_VALUE, GL_VIEWPORT, GL_CURRENT_COLOR})
    for (float f : GetFloat4(v)) s.push_back(f);
  for (GLenum v : {GL_DEPTH_CLEAR_VALUE, GL_DEPTH_FUNC, GL_BLEND_SRC, GL_BLEND_DST, GL_LIGHT_MODEL_LOCAL_VIEWER,
                   GL_MATRIX_MODE, GL_LINE_SMOOTH_HINT, GL_POLYGON_SMOOTH_HINT, GL_PERSPECTIVE_CORRECTION_HINT}) {
    GLfloat f = 0;
    glGetFloatv(v, &f);
    s.push_back(f);
  }
  for (GLenum cap : {GL_DEPTH_TEST, GL_AUTO_NORMAL, GL_NORMALIZE, GL_BLEND}) s.push_back(glIsEnabled(cap));
  return s;
}

TEST_F(ViewLighting, I2DThenInitLeavesExactlyTheStateOfInit) {
  OpenGL_Init(100, 0, 0, 0, 0);
  const std::vector<float> alone = InitState();
  OpenGL_I2D(0, 0, 0, 0);
  EXPECT_NE(InitState(), alone);
  OpenGL_Init(100, 0, 0, 0, 0);
  EXPECT_EQ(InitState(), alone);
}

TEST_F(ViewLighting, TwoSideOnAndOffToggleOnlyTwoSidedLighting) {
  EXPECT_EQ(GetInt(GL_LIGHT_MODEL_TWO_SIDE), 0);
  TwoSideOn();
  EXPECT_EQ(GetInt(GL_LIGHT_MODEL_TWO_SIDE), 1);
  TwoSideOff();
  EXPECT_EQ(GetInt(GL_LIGHT_MODEL_TWO_SIDE), 0);
  EXPECT_EQ(GetInt(GL_LIGHT_MODEL_LOCAL_VIEWER), 0);
  EXPECT_FALSE(glIsEnabled(GL_LIGHTING));
  EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

TEST_F(ViewLighting, RefractiveCullsClockwiseFacesAndKeepsSmoothShading) {
  SetGLRefractive();
  EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
  EXPECT_TRUE(glIsEnabled(GL_CULL_FACE));
  EXPECT_EQ(GetInt(GL_CULL_FACE_MODE), GL_BACK);
  EXPECT_EQ(GetInt(GL_FRONT_FACE), GL_CCW);
  EXPECT_EQ(GetInt(GL_SHADE_MODEL), GL_SMOOTH);
}

TEST_F(ViewLighting, SetLightSwitchesTheLightOnWithTheLibraryColours) {
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  SetGLLight(GL_LIGHT0, 0, 0, 0, 0.1f);
  EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
  EXPECT_TRUE(glIsEnabled(GL_LIGHTING));
  EXPECT_TRUE(glIsEnabled(GL_LIGHT0));
  ExpectNear4(LightVector(GL_LIGHT0, GL_AMBIENT), {0.5f, 0.5f, 0.5f, 1});
  ExpectNear4(LightVector(GL_LIGHT0, GL_DIFFUSE), {1, 1, 1, 1});
  ExpectNear4(LightVector(GL_LIGHT0, GL_SPECULAR), {1, 1, 1, 1});
  ExpectNear4(LightVector(GL_LIGHT0, GL_POSITION), {0, 0, 0, 0.1f});
  ExpectNear4({LightPosition[0], LightPosition[1], LightPosition[2], LightPosition[3]}, {0, 0, 0, 0.1f}, 0);

  // Another light, under a camera: the position is taken in eye coordinates.
  glTranslatef(1, 2, 3);
  SetGLLight(GL_LIGHT3, 1, 1, 1, 1);
  EXPECT_TRUE(glIsEnabled(GL_LIGHT3));
  ExpectNear4(LightVector(GL_LIGHT3, GL_AMBIENT), {0.5f, 0.5f, 0.5f, 1});
  ExpectNear4(LightVector(GL_LIGHT3, GL_POSITION), {2, 3, 4, 1});
  ExpectNear4({LightPosition[0], LightPosition[1], LightPosition[2], LightPosition[3]}, {1, 1, 1, 1}, 0);
}

TEST_F(ViewLighting, SetLightWithAnInvalidLightStillStoresThePosition) {
  SetGLLight(GL_LIGHT0 + 4096, 7, 8, 9, 1);
  ExpectNear4({LightPosition[0], LightPosition[1], LightPosition[2], LightPosition[3]}, {7, 8, 9, 1}, 0);
  EXPECT_NE(glGetError(), GLenum(GL_NO_ERROR));
}

// Points emitted in feedback mode, as (x, y, z) in window coordinates.
std::vector<std::array<float, 3>> CapturePoints(void (*draw)()) {
  std::vector<GLfloat> buffer(4096);
  glFeedbackBuffer(GLsizei(buffer.size()), GL_3D, buffer.data());
  glRenderMode(GL_FEEDBACK);
  draw();
  const GLint count = glRenderMode(GL_RENDER);
  std::vector<std::array<float, 3>> points;
  for (GLint i = 0; i + 3 < count;) {
    if (GLint(buffer[i]) != GL_POINT_TOKEN) break;
    points.push_back({buffer[i + 1], buffer[i + 2], buffer[i + 3]});
    i += 4;
  }
  return points;
}

struct PointLightCase {
  float size, x, y, z, w;
  size_t points;
};

TEST_F(ViewLighting, PointLightMovesTheLightAndDrawsAMarkerWhenSized) {
  const PointLightCase cases[] = {
      {0, 0.5f, -0.25f, 1.0f, 0.1f, 0},
      {5, 0.5f, -0.25f, 1.0f, 0.1f, 1},
      {5, 1.0f, 0.5f, 0.0f, 0.0f, 1},  // w 0: a directional light
  };
  OpenGL_I2D(0, 0, 0, 0);
  SetGLLight(GL_LIGHT0, 0, 0, 0, 0.1f);
  for (const PointLightCase& c : cases) {
    SCOPED_TRACE(c.size);
    glPointSize(1);
    static PointLightCase current;
    current = c;
    const auto points = CapturePoints([] { PutGLPointLight(GL_LIGHT0, current.size, current.x, current.y, current.z, current.w); });
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
    ExpectNear4({LightPosition[0], LightPosition[1], LightPosition[2], LightPosition[3]}, {c.x, c.y, c.z, c.w}, 0);
    ExpectNear4(LightVector(GL_LIGHT0, GL_POSITION), {c.x, c.y, c.z, c.w});
    ASSERT_EQ(points.size(), c.points);
    if (c.points) {
      // The marker sits at (x, y, z) whatever w is: the orthographic box
      // maps x -2..2 to 0..800 and y -1.5..1.5 to 0..600.
      EXPECT_NEAR(points[0][0], (c.x + 2) * 200, 1e-3);
      EXPECT_NEAR(points[0][1], (c.y + 1.5f) * 200, 1e-3);
      EXPECT_NEAR(points[0][2], (0.5f - c.z / 4), 1e-5);
      GLfloat size = 0;
      glGetFloatv(GL_POINT_SIZE, &size);
      EXPECT_EQ(size, c.size);
      ExpectNear4(GetFloat4(GL_CURRENT_NORMAL), {0, 0, 1, 0});
    } else {
      GLfloat size = 0;
      glGetFloatv(GL_POINT_SIZE, &size);
      EXPECT_EQ(size, 1.0f);
    }
  }
}

TEST_F(ViewLighting, PointLightDoesNotSwitchLightingOn) {
  PutGLPointLight(GL_LIGHT1, 0, 1, 2, 3, 1);
  EXPECT_FALSE(glIsEnabled(GL_LIGHTING));
  EXPECT_FALSE(glIsEnabled(GL_LIGHT1));
  ExpectNear4(LightVector(GL_LIGHT1, GL_POSITION), {1, 2, 3, 1});
  ExpectNear4(LightVector(GL_LIGHT1, GL_DIFFUSE), {0, 0, 0, 1});
}

}  // namespace
