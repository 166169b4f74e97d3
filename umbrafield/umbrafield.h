// Umbrafield: the demo's start-up, its frame and the three scenes of its
// little world, callable from the demo, the picture program, the benchmark
// and the tests.
#pragma once

#include "lumicore/lumicore.h"

namespace umbrafield {

extern GLuint M_ShadowMap;
extern float LightModelView[16];
extern float LightProjection[16];
extern int SelectTypeShadow;
extern float Anim;

// The scenes, and the groups of the world they are made of.
void Floor();               // the floor quad
void PyramidPillarsWall();  // the six slabs, the three pillars and the wall
void Tower();               // the shaft, its top and the twelve crenellations
void Quad(float X1, float Y1, float Z1, float X2, float Y2, float Z2, float X3, float Y3, float Z3, float X4,
          float Y4, float Z4);
void BaseScena();   // the world for the shadow pass: no texture selection
void BaseScena2();  // the shadow casters: everything but the floor
void Scena();       // the textured world

// Start-up: the full-screen question, then window, view, light, textures and
// the shadow texture.
bool AskFullScreen();
void Start(bool full_screen);
void OpenGL_CreateList();
void OpenGL_Texture();

// One frame and its steps.
void OpenGL_Draw();
void OpenGL_Draw2D();
void OpenGL_Keyboard();

// One pass of the frame loop: clear, one window message, the frame, swap.
// before_swap, when given, runs after the frame and before the swap, while
// the back buffer still holds the picture.
void LoopPass(void (*before_swap)() = nullptr);

// The frame loop while the window is active, then the teardown; returns the
// exit code.
int Loop();

// The whole program: the question, the start-up and the loop.
int Run();

}  // namespace umbrafield
