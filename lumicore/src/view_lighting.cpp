// View set-ups, culling and the library's one positional light. Each
// operation is a fixed sequence of GL calls; the order matters because the
// shadow pass relies on the exact state these leave behind.
#include <GL/glu.h>

#include "lumicore/lumicore.h"

namespace lumicore {

float AmbientLight[4] = {0.5f, 0.5f, 0.5f, 1.0f};
float DiffuseLight[4] = {1.0f, 1.0f, 1.0f, 1.0f};
float SpecularLight[4] = {1.0f, 1.0f, 1.0f, 1.0f};
float LightPosition[4] = {0.0f, 0.0f, 0.0f, 0.0f};

// Colours come alpha first, as the callers have always passed them.
void OpenGL_Init(double Depth, double A, double R, double G, double B) {
  glClearColor(GLclampf(R), GLclampf(G), GLclampf(B), GLclampf(A));
  glViewport(0, 0, Width, Height);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  gluPerspective(45.0, double(Width) / double(Height), 0.1, Depth);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  // GL clamps this into [0, 1]: any far plane of 1 or more clears to 1.
  glClearDepth(Depth);
  glEnable(GL_DEPTH_TEST);
  glDepthFunc(GL_LEQUAL);
  glColor4f(1.0f, 1.0f, 1.0f, 0.5f);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE);
  glLightModeli(GL_LIGHT_MODEL_LOCAL_VIEWER, 1);
  glHint(GL_LINE_SMOOTH_HINT, GL_NICEST);
  glHint(GL_POLYGON_SMOOTH_HINT, GL_NICEST);
  glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);
  glEnable(GL_AUTO_NORMAL);
  glEnable(GL_NORMALIZE);
}

void OpenGL_I2D(double A, double R, double G, double B) {
  glClearColor(GLclampf(R), GLclampf(G), GLclampf(B), GLclampf(A));
  glViewport(0, 0, Width, Height);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  // Horizontal extent fixed at -2..2; the vertical one keeps the window's
  // proportions.
  glOrtho(-2.0, 2.0, double(-2 * Height) / Width, double(2 * Height) / Width, -2.0, 2.0);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  glEnable(GL_DEPTH_TEST);
  glDepthFunc(GL_LEQUAL);
  glEnable(GL_NORMALIZE);
}

void TwoSideOn() { glLightModeli(GL_LIGHT_MODEL_TWO_SIDE, 1); }

void TwoSideOff() { glLightModeli(GL_LIGHT_MODEL_TWO_SIDE, 0); }

void SetGLRefractive() {
  glEnable(GL_CULL_FACE);
  glCullFace(GL_BACK);
  glFrontFace(GL_CCW);
}

void SetGLLight(GLenum NLight, float L0, float L1, float L2, float L3) {
  glEnable(GL_LIGHTING);
  glLightfv(NLight, GL_AMBIENT, AmbientLight);
  glLightfv(NLight, GL_DIFFUSE, DiffuseLight);
  glLightfv(NLight, GL_SPECULAR, SpecularLight);
  glEnable(NLight);
  LightPosition[0] = L0;
  LightPosition[1] = L1;
  LightPosition[2] = L2;
  LightPosition[3] = L3;
  glLightfv(NLight, GL_POSITION, LightPosition);
}

// The position is transformed by the current modelview matrix, so callers
// issue this after their camera transform to fix the light in the world.
void PutGLPointLight(GLenum NLight, float Size, float LX, float LY, float LZ, float LVal) {
  LightPosition[0] = LX;
  LightPosition[1] = LY;
  LightPosition[2] = LZ;
  LightPosition[3] = LVal;
  glLightfv(NLight, GL_POSITION, LightPosition);
  if (Size != 0.0f) {
    glPointSize(Size);
    glBegin(GL_POINTS);
    glNormal3f(0.0f, 0.0f, 1.0f);
    glVertex3f(LX, LY, LZ);
    glEnd();
  }
}

}  // namespace lumicore
