// Lumicore: a support library for fixed-function OpenGL programs.
//
// One OpenGL window, one device context and one rendering context per
// process, plain procedures and module-level state. Everything runs on the
// thread that created the window.
#pragma once

#include <GL/gl.h>
#include <GL/glext.h>

#include <string>

#include "platform/win32.h"

namespace lumicore {

// ------------------------------------------------------------------ window
// Cursor kinds for OGLWindowSetting.
enum {
  Arrow = 1,
  IBeam = 2,
  Wait = 3,
  Cross = 4,
  UpArrow = 5,
  Size = 6,
  FileCursor = 7,
  SizeNWSE = 8,
  SizeNESW = 9,
  SizeWE = 10,
  SizeNS = 11,
  SizeAll = 12,
  NoCursor = 13,
  Hand = 14,
  AppStarting = 15,
  Help = 16,
};
// Icon kinds for OGLWindowSetting.
enum { Generic = 1, FileIcon = 2 };

extern HWND HWindow;
extern HDC DCWindow;
extern HGLRC RCWindow;
extern int Width;
extern int Height;
extern int Bits;
extern bool FullScreen;
extern bool Active;
extern int SetTypeCursor;
extern const char* CursorFile;
extern int SetTypeIcon;
extern const char* IconFile;
extern DWORD Pixel_Format_Flags;
extern bool ShowMenuBar;
extern bool ShowStatusBar;
extern void (*CreateMenuBar)();
extern HWND HStatus;
extern WNDCLASSEXA WindowClassEx;

void OGLWindowSetting(int TypeCursor, const char* CurFile, int TypeIcon, const char* IcoFile);
bool CreateOGLWindow(const char* AppName, int AppWidth, int AppHeight, int AppBits, bool AppFullScreen);
void DeleteOGLWindow();
bool WindowRegister();
HWND WindowCreate(const char* pcApplicationName);
bool WindowInit(HWND hParent);
[[noreturn]] void ThrowError(const char* pcErrorMessage);

// ------------------------------------------------------------------- input
enum { GL_M0 = 0, GL_MX = 1, GL_MY = 2, GL_MZ = 3 };
constexpr int KEY_TABLE_SIZE = 501;
constexpr int MAX_STATUS_ITEMS = 20;

extern BOOL SetKey[KEY_TABLE_SIZE];
extern bool LeftMouseDown;
extern bool RightMouseDown;
extern bool MouseFree;
extern int XCoord;
extern int YCoord;
extern int ZCoord;
extern float XRot;
extern float YRot;
extern float Depth;
extern int MSpeed;
extern POINT MPos;
extern MSG Msg_;
extern void (*CreateMouseMenu)();
extern WNDPROC GetInputCommand;
extern char FileName[261];
extern HWND AWnd;
extern int StatusItem[MAX_STATUS_ITEMS + 1];  // indices 1..20
extern int MaxStatusItem;
extern int Edges[MAX_STATUS_ITEMS + 1];       // indices 1..20

LRESULT GLWndProc(HWND Window, UINT AMessage, WPARAM WParam, LPARAM LParam);
void SetGLMsg();
bool SetGLKey(char Key);
void SetGLMouseMove(int XYZ, int Speed);
HWND CreateStatusBar(HWND Parent);

// ----------------------------------------------------------- image buttons
constexpr int ALLOC_UNIT = 100;
extern std::string BmpType;

LRESULT HoverButtonHandler(HWND Wnd, UINT iMsg, WPARAM wParam, LPARAM lParam);
HBITMAP LoadBmpFromFile(const char* FileName, HPALETTE& Pal);
HRGN BitmapToRegion(const char* BmpName, COLORREF TransColor, BYTE Tolerance);

// -------------------------------------------------- view set-up and lights
extern float AmbientLight[4];
extern float DiffuseLight[4];
extern float SpecularLight[4];
extern float LightPosition[4];

void OpenGL_Init(double Depth, double A, double R, double G, double B);
void OpenGL_I2D(double A, double R, double G, double B);
void TwoSideOn();
void TwoSideOff();
void SetGLRefractive();
void SetGLLight(GLenum NLight, float L0, float L1, float L2, float L3);
void PutGLPointLight(GLenum NLight, float Size, float LX, float LY, float LZ, float LVal);

// ----------------------------------------------------------------- shadows
typedef void (*LumiProcedure)();
enum { SHADOW_TEXTURE_SOFTH = 0, SHADOW_TEXTURE_MEDIUM = 1, SHADOW_TEXTURE_DARK = 2 };

void SetTexShadow(GLuint& Texture);
void GenTexShadow(LumiProcedure RecordScene, float (&ModelView)[16], float (&Projection)[16], int Size,
                  int MaxDepth, float Quality);
void BindTexShadow(LumiProcedure RecordSceneWithTextures, const float (&ModelView)[16],
                   const float (&Projection)[16]);
void DrawTexShadow(LumiProcedure RecordScene, int TypeShadow, const GLuint& Texture);

// ---------------------------------------------------------------- textures
constexpr int TEXTURE_SLOTS = 501;
extern GLuint TextureID2[TEXTURE_SLOTS];
extern GLint GL_MIN_FILTER;
extern GLint GL_MAG_FILTER;

void TextureLoadID(const char* BmpFile, int Num);
void TextureSelectID(int Num);
int GetBmpDepth(const char* BmpFile);
void SwapRGB(void* Data, int Size);
void AddMipmapsTexture(int Format, int Width, int Height, const void* Bits);

// -------------------------------------------------------------- primitives
extern double FNormal[3];

void FindNormal(double V1X, double V1Y, double V1Z, double V2X, double V2Y, double V2Z, double V3X,
                double V3Y, double V3Z);
void ReduceToUnit(double& X, double& Y, double& Z);
void LineFree(float TX1, float TY1, float TX2, float TY2, float X1, float Y1, float Z1, float X2, float Y2,
              float Z2, bool Texture);
void Cubo2(float X, float Y, float Z, float X1, float Y1, float Z1, float X2, float Y2, float Z2,
           float TSize);

// ------------------------------------------------------------------ teapot
extern const int PatchData[10][16];
extern const float CPData[127][3];
extern const float Tex[8];

void PutGLTeapot(float X, float Y, float Z, float Scale, int Res);

}  // namespace lumicore
