#include "umbrafield.h"

#include <cmath>

namespace umbrafield {

using namespace lumicore;

GLuint M_ShadowMap = 0;
float LightModelView[16] = {};
float LightProjection[16] = {};
int SelectTypeShadow = SHADOW_TEXTURE_SOFTH;
float Anim = 1.0f;

namespace {

constexpr double kFarPlane = 100.0;
constexpr int kShadowSize = 512;
constexpr int kShadowDepth = 100;
constexpr float kShadowZoom = 2.56f;
constexpr float kLightRadius = 55.0f;
constexpr float kLightHeight = 25.0f;
constexpr float kLightW = 0.1f;
constexpr float kLightStep = 0.025f;
// Anim is kept within one turn below its start so that single precision
// never coarsens the step, however long the demo runs.
constexpr float kTurn = 6.28318530717958647692f;

constexpr float kCrenellations[12][3] = {
    {5.1f, 5, -0.9f}, {5.1f, 5, -0.3f}, {5.1f, 5, 0.3f}, {5.1f, 5, 0.9f},
    {6.9f, 5, -0.9f}, {6.9f, 5, -0.3f}, {6.9f, 5, 0.3f}, {6.9f, 5, 0.9f},
    {5.7f, 5, -0.9f}, {6.3f, 5, -0.9f}, {5.7f, 5, 0.9f}, {6.3f, 5, 0.9f},
};

void Teapot() {
  glPushMatrix();
  glTranslatef(0, 0, 7.5f);
  glRotatef(90, -1, 0, 0);
  PutGLTeapot(0, 0, 0, 1.0f, 32);
  glPopMatrix();
}

}  // namespace

void Floor() { Quad(-10, 0, -10, 10, 0, -10, -10, 0, 10, 10, 0, 10); }

void PyramidPillarsWall() {
  Cubo2(0, 0, 0, -3, 0, -3, 3, 0.5f, 3, 0.5f);
  Cubo2(0, 0.5f, 0, -2.5f, 0, -2.5f, 2.5f, 0.5f, 2.5f, 0.5f);
  Cubo2(0, 1, 0, -2, 0, -2, 2, 0.5f, 2, 0.5f);
  Cubo2(0, 1.5f, 0, -1.5f, 0, -1.5f, 1.5f, 0.5f, 1.5f, 0.5f);
  Cubo2(0, 2, 0, -1, 0, -1, 1, 0.5f, 1, 0.5f);
  Cubo2(0, 2.5f, 0, -0.5f, 0, -0.5f, 0.5f, 0.5f, 0.5f, 0.5f);
  Cubo2(-6, 0, -2, -0.25f, 0, -0.25f, 0.25f, 3, 0.25f, 0.5f);
  Cubo2(-6, 0, 0, -0.25f, 0, -0.25f, 0.25f, 3, 0.25f, 0.5f);
  Cubo2(-6, 0, 2, -0.25f, 0, -0.25f, 0.25f, 3, 0.25f, 0.5f);
  Cubo2(0, 0, -5, -6.5f, 0, -0.25f, 3, 1.6f, 0.25f, 0.5f);
}

void Tower() {
  Cubo2(6, 0, 0, -0.7f, 0, -0.7f, 0.7f, 4.5f, 0.7f, 0.5f);
  Cubo2(6, 4.5f, 0, -1, 0, -1, 1, 0.5f, 1, 0.5f);
  for (const auto& p : kCrenellations) Cubo2(p[0], p[1], p[2], -0.1f, 0, -0.1f, 0.1f, 0.25f, 0.1f, 0.5f);
}

void Quad(float X1, float Y1, float Z1, float X2, float Y2, float Z2, float X3, float Y3, float Z3, float X4,
          float Y4, float Z4) {
  TwoSideOn();
  glDisable(GL_CULL_FACE);
  glBegin(GL_QUADS);
  FindNormal(X2, Y2, Z2, X1, Y1, Z1, X3, Y3, Z3);
  glNormal3f(float(FNormal[0]), float(FNormal[1]), float(FNormal[2]));
  LineFree(3, 3, 0, 3, X2, Y2, Z2, X1, Y1, Z1, true);
  LineFree(0, 0, 3, 0, X3, Y3, Z3, X4, Y4, Z4, true);
  glEnd();
  glEnable(GL_CULL_FACE);
  TwoSideOff();
}

void BaseScena() {
  Floor();
  PyramidPillarsWall();
  Tower();
  Teapot();
}

void BaseScena2() {
  PyramidPillarsWall();
  Tower();
  Teapot();
}

void Scena() {
  TextureSelectID(0);
  Floor();
  TextureSelectID(1);
  PyramidPillarsWall();
  TextureSelectID(2);
  Tower();
  TextureSelectID(3);
  Teapot();
}

bool AskFullScreen() {
  return MessageBoxA(0, "Settare lo schermo intero?  ", "Video!", MB_YESNO | MB_ICONQUESTION) != IDNO;
}

void OpenGL_Texture() {
  TextureLoadID("Floor04.bmp", 0);
  TextureLoadID("rock.bmp", 1);
  TextureLoadID("stoneblocks.bmp", 2);
  TextureLoadID("marmorizato.bmp", 3);
}

void OpenGL_CreateList() {
  OpenGL_Texture();
  // Last, so that the shadow texture is the bound one for the first frame.
  SetTexShadow(M_ShadowMap);
}

void Start(bool full_screen) {
  FullScreen = full_screen;
  OGLWindowSetting(Arrow, "", Generic, "");
  CreateOGLWindow("Creazione di ombre tramite texture", 800, 600, 32, FullScreen);
  OpenGL_Init(kFarPlane, 0, 0, 0, 0);
  SetGLRefractive();
  SetGLLight(GL_LIGHT0, 0, 0, 0, kLightW);
  OpenGL_CreateList();
}

void OpenGL_Draw2D() {
  OpenGL_I2D(0, 0, 0, 0);
  OpenGL_Init(kFarPlane, 0, 0, 0, 0);
}

void OpenGL_Keyboard() {
  if (SetGLKey('1')) SelectTypeShadow = SHADOW_TEXTURE_SOFTH;
  if (SetGLKey('2')) SelectTypeShadow = SHADOW_TEXTURE_MEDIUM;
  if (SetGLKey('3')) SelectTypeShadow = SHADOW_TEXTURE_DARK;
}

void OpenGL_Draw() {
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  glLoadIdentity();
  GenTexShadow(BaseScena2, LightModelView, LightProjection, kShadowSize, kShadowDepth, kShadowZoom);
  OpenGL_Draw2D();
  OpenGL_Keyboard();
  glTranslatef(0, 0, -30);
  glRotatef(45, 1, 0, 0);
  SetGLMouseMove(GL_M0, 2);
  Anim = Anim - kLightStep;
  if (Anim <= 1.0f - kTurn) Anim += kTurn;
  PutGLPointLight(GL_LIGHT0, 0, float(-double(kLightRadius) * std::cos(double(Anim))), kLightHeight,
                  float(double(kLightRadius) * std::sin(double(Anim))), kLightW);
  BindTexShadow(Scena, LightModelView, LightProjection);
  DrawTexShadow(BaseScena, SelectTypeShadow, M_ShadowMap);
}

void LoopPass(void (*before_swap)()) {
  glClear(GL_COLOR_BUFFER_BIT);
  SetGLMsg();
  OpenGL_Draw();
  if (before_swap) before_swap();
  SwapBuffers(DCWindow);
}

int Loop() {
  do {
    LoopPass();
  } while (Active);
  DeleteOGLWindow();
  return 0;
}

int Run() {
  Start(AskFullScreen());
  return Loop();
}

}  // namespace umbrafield
