// Shadows from a depth texture projected from the light: the light's depth
// pass, the textured pass and the blended shadow pass.
#include <GL/glu.h>

#include <algorithm>

#include "lumicore/lumicore.h"

namespace lumicore {

namespace {

const GLfloat sPlane[4] = {1, 0, 0, 0};
const GLfloat tPlane[4] = {0, 1, 0, 0};
const GLfloat rPlane[4] = {0, 0, 1, 0};
const GLfloat qPlane[4] = {0, 0, 0, 1};

// The depth is read back from the window: the texture cannot be larger than
// the drawing area, so a larger Size gives the largest power of two that fits.
int FittingSize(int Size) {
  const int limit = std::min(Width, Height);
  if (Size <= limit) return std::max(Size, 1);
  int fit = 1;
  while (fit * 2 <= limit) fit *= 2;
  return fit;
}

// gluLookAt towards the origin with +y up has no direction when the light
// stands on the y axis (the start-up light at the origin is one such place).
bool LightCameraDegenerate() { return LightPosition[0] == 0.0f && LightPosition[2] == 0.0f; }

}  // namespace

void SetTexShadow(GLuint& Texture) {
  glEnable(GL_DEPTH_TEST);
  glDepthFunc(GL_LEQUAL);
  glGenTextures(1, &Texture);
  glBindTexture(GL_TEXTURE_2D, Texture);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP);
  glTexParameteri(GL_TEXTURE_2D, GL_DEPTH_TEXTURE_MODE, GL_INTENSITY);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_COMPARE_MODE, GL_COMPARE_R_TO_TEXTURE);
  glTexGeni(GL_S, GL_TEXTURE_GEN_MODE, GL_EYE_LINEAR);
  glTexGeni(GL_T, GL_TEXTURE_GEN_MODE, GL_EYE_LINEAR);
  glTexGeni(GL_R, GL_TEXTURE_GEN_MODE, GL_EYE_LINEAR);
  glTexGeni(GL_Q, GL_TEXTURE_GEN_MODE, GL_EYE_LINEAR);
  glLightModeli(GL_LIGHT_MODEL_COLOR_CONTROL, GL_SEPARATE_SPECULAR_COLOR);
  glPolygonOffset(4.0f, 0.0f);
}

void GenTexShadow(LumiProcedure RecordScene, float (&ModelView)[16], float (&Projection)[16], int Size,
                  int MaxDepth, float Quality) {
  Size = FittingSize(Size);
  glViewport(0, 0, Size, Size);
  if (Quality < 1.0f) Quality = 1.0f;
  const bool degenerate = LightCameraDegenerate();
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  if (!degenerate) {
    glScalef(Quality, Quality, 1.0f);
    gluPerspective(45.0, 1.0, 35.0, MaxDepth);
  }
  glGetFloatv(GL_PROJECTION_MATRIX, Projection);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  if (degenerate) {
    // A light camera without a direction sees nothing: every point maps to
    // the middle of an empty depth image, so the whole world counts as lit.
    static const GLfloat kCollapse[16] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1};
    glLoadMatrixf(kCollapse);
  } else {
    gluLookAt(LightPosition[0], LightPosition[1], LightPosition[2], 0, 0, 0, 0, 1, 0);
  }
  glGetFloatv(GL_MODELVIEW_MATRIX, ModelView);
  glClear(GL_DEPTH_BUFFER_BIT);
  glShadeModel(GL_FLAT);
  glDisable(GL_LIGHTING);
  glDisable(GL_NORMALIZE);
  glColorMask(GL_FALSE, GL_FALSE, GL_FALSE, GL_FALSE);
  glEnable(GL_POLYGON_OFFSET_FILL);
  if (!degenerate && RecordScene) RecordScene();
  glCopyTexImage2D(GL_TEXTURE_2D, 0, GL_DEPTH_COMPONENT, 0, 0, Size, Size, 0);
  glShadeModel(GL_SMOOTH);
  glEnable(GL_LIGHTING);
  glEnable(GL_NORMALIZE);
  glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
  glDisable(GL_POLYGON_OFFSET_FILL);
}

void BindTexShadow(LumiProcedure RecordSceneWithTextures, const float (&ModelView)[16],
                   const float (&Projection)[16]) {
  glClear(GL_DEPTH_BUFFER_BIT);
  glMatrixMode(GL_TEXTURE);
  glLoadIdentity();
  glMatrixMode(GL_MODELVIEW);
  if (RecordSceneWithTextures) RecordSceneWithTextures();
  glMatrixMode(GL_TEXTURE);
  glLoadIdentity();
  glTranslatef(0.5f, 0.5f, 0.5f);
  glScalef(0.5f, 0.5f, 0.5f);
  glMultMatrixf(Projection);
  glMultMatrixf(ModelView);
  glMatrixMode(GL_MODELVIEW);
}

void DrawTexShadow(LumiProcedure RecordScene, int TypeShadow, const GLuint& Texture) {
  switch (TypeShadow) {
    case SHADOW_TEXTURE_SOFTH: glBlendFunc(GL_DST_COLOR, GL_ONE_MINUS_DST_COLOR); break;
    case SHADOW_TEXTURE_MEDIUM: glBlendFunc(GL_DST_COLOR, GL_DST_COLOR); break;
    case SHADOW_TEXTURE_DARK: glBlendFunc(GL_DST_COLOR, GL_SRC_COLOR); break;
    default: break;  // the function in force stays
  }
  glEnable(GL_BLEND);
  glBindTexture(GL_TEXTURE_2D, Texture);
  glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_COMPARE_MODE, GL_COMPARE_R_TO_TEXTURE);
  glEnable(GL_TEXTURE_GEN_S);
  glEnable(GL_TEXTURE_GEN_T);
  glEnable(GL_TEXTURE_GEN_R);
  glEnable(GL_TEXTURE_GEN_Q);
  glTexGenfv(GL_S, GL_EYE_PLANE, sPlane);
  glTexGenfv(GL_T, GL_EYE_PLANE, tPlane);
  glTexGenfv(GL_R, GL_EYE_PLANE, rPlane);
  glTexGenfv(GL_Q, GL_EYE_PLANE, qPlane);
  if (RecordScene) RecordScene();
  glDisable(GL_TEXTURE_GEN_S);
  glDisable(GL_TEXTURE_GEN_T);
  glDisable(GL_TEXTURE_GEN_R);
  glDisable(GL_TEXTURE_GEN_Q);
  glDisable(GL_BLEND);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE);
}

}  // namespace lumicore
