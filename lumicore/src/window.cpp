// The OpenGL window: class registration, creation, pixel format and
// rendering context, teardown and the fatal error report.
#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "lumicore/lumicore.h"

namespace lumicore {

HWND HWindow = 0;
HDC DCWindow = 0;
HGLRC RCWindow = 0;
int Width = 0;
int Height = 0;
int Bits = 0;
bool FullScreen = false;
bool Active = false;
int SetTypeCursor = 0;
const char* CursorFile = nullptr;
int SetTypeIcon = 0;
const char* IconFile = nullptr;
DWORD Pixel_Format_Flags = 0;
bool ShowMenuBar = false;
bool ShowStatusBar = false;
void (*CreateMenuBar)() = nullptr;
HWND HStatus = 0;
WNDCLASSEXA WindowClassEx{};

namespace {

constexpr DWORD kWindowedStyle = 0x96CA0000;    // pop-up, caption, system menu, minimise box
constexpr DWORD kFullScreenStyle = 0x96880000;  // pop-up, border, system menu

HCURSOR ClassCursor() {
  static const LPCSTR kSystemCursors[] = {
      nullptr,     IDC_ARROW,  IDC_IBEAM,  IDC_WAIT,   IDC_CROSS,  IDC_UPARROW, IDC_SIZE,        nullptr,
      IDC_SIZENWSE, IDC_SIZENESW, IDC_SIZEWE, IDC_SIZENS, IDC_SIZEALL, IDC_NO,    IDC_HAND, IDC_APPSTARTING,
      IDC_HELP};
  if (SetTypeCursor == FileCursor) return LoadCursorFromFileA(CursorFile);
  if (SetTypeCursor < Arrow || SetTypeCursor > Help) return 0;
  return LoadCursorA(0, kSystemCursors[SetTypeCursor]);
}

HICON ClassIcon() {
  switch (SetTypeIcon) {
    case Generic: return LoadIconA(0, IDI_APPLICATION);
    case FileIcon: return LoadCursorFromFileA(IconFile);
    default: return 0;
  }
}

}  // namespace

void OGLWindowSetting(int TypeCursor, const char* CurFile, int TypeIcon, const char* IcoFile) {
  if (MouseFree) SetCursorPos(Width / 2, Height / 2);
  SetTypeCursor = TypeCursor;
  CursorFile = CurFile;
  SetTypeIcon = TypeIcon;
  IconFile = IcoFile;
}

bool WindowRegister() {
  WNDCLASSA wc;
  wc.style = CS_HREDRAW | CS_VREDRAW;
  wc.lpfnWndProc = GLWndProc;
  wc.cbClsExtra = 0;
  wc.cbWndExtra = 0;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.hIcon = ClassIcon();
  wc.hCursor = ClassCursor();
  wc.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
  wc.lpszMenuName = nullptr;
  wc.lpszClassName = "GLWindow";
  bool registered = RegisterClassA(&wc) != 0;

  if (!GetClassInfoExA(0, "IMAGEBUTTON", &WindowClassEx)) {
    WindowClassEx.cbSize = 48;
    WindowClassEx.style = 0;
    WindowClassEx.lpfnWndProc = HoverButtonHandler;
    WindowClassEx.cbClsExtra = 0;
    WindowClassEx.cbWndExtra = 0;
    WindowClassEx.hInstance = GetModuleHandleA(nullptr);
    WindowClassEx.hIcon = LoadIconA(0, IDI_APPLICATION);
    WindowClassEx.hCursor = LoadCursorA(0, IDC_ARROW);
    WindowClassEx.hbrBackground = GetStockObject(NULL_BRUSH);
    WindowClassEx.lpszMenuName = nullptr;
    WindowClassEx.lpszClassName = "IMAGEBUTTON";
    WindowClassEx.hIconSm = LoadIconA(0, IDI_APPLICATION);
    RegisterClassExA(&WindowClassEx);
  }
  return registered;
}

HWND WindowCreate(const char* pcApplicationName) {
  DWORD style = kWindowedStyle;
  if (FullScreen) {
    // The desktop at its current resolution: the display mode never changes.
    Width = GetSystemMetrics(SM_CXSCREEN);
    Height = GetSystemMetrics(SM_CYSCREEN);
    style = kFullScreenStyle;
  }
  HWND hwnd = CreateWindowExA(0, "GLWindow", pcApplicationName, style, CW_USEDEFAULT, CW_USEDEFAULT, Width,
                              Height, 0, 0, GetModuleHandleA(nullptr), nullptr);
  if (hwnd) {
    ShowWindow(hwnd, SW_SHOWDEFAULT);
    UpdateWindow(hwnd);
  }
  return hwnd;
}

bool WindowInit(HWND hParent) {
  int FunctionError = 0;
  DCWindow = GetDC(hParent);
  // The byte-wide fields take Bits; a count outside a byte is clamped.
  const BYTE bits = BYTE(std::clamp(Bits, 0, 255));
  PIXELFORMATDESCRIPTOR pfd{};
  pfd.nSize = sizeof(PIXELFORMATDESCRIPTOR);
  pfd.nVersion = 1;
  pfd.dwFlags = Pixel_Format_Flags | PFD_DOUBLEBUFFER | PFD_STEREO | PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL |
                PFD_GENERIC_FORMAT | PFD_GENERIC_ACCELERATED;
  pfd.iPixelType = PFD_TYPE_RGBA;
  pfd.cColorBits = bits;
  pfd.cAlphaBits = bits;
  pfd.cAccumBits = bits;
  pfd.cDepthBits = bits;
  pfd.cStencilBits = bits;
  pfd.cAuxBuffers = bits;
  pfd.iLayerType = PFD_OVERLAY_PLANE;
  int iFormat = ChoosePixelFormat(DCWindow, &pfd);
  if (iFormat == 0) FunctionError = 1;
  SetPixelFormat(DCWindow, iFormat, &pfd);
  RCWindow = wglCreateContext(DCWindow);
  if (RCWindow == 0) FunctionError = 2;
  wglMakeCurrent(DCWindow, RCWindow);
  return FunctionError == 0;
}

bool CreateOGLWindow(const char* AppName, int AppWidth, int AppHeight, int AppBits, bool AppFullScreen) {
  Width = AppWidth;
  Height = AppHeight;
  Bits = AppBits;
  FullScreen = AppFullScreen;
  if (!WindowRegister()) ThrowError("Errore di registro per la rispettiva applicazione!");
  HWindow = WindowCreate(AppName);
  if (ShowMenuBar && CreateMenuBar) CreateMenuBar();
  if (ShowStatusBar) HStatus = CreateStatusBar(HWindow);
  if (HWindow == 0) ThrowError("Impossibile creare la finestra per la rispettiva applicazione!");
  if (!WindowInit(HWindow)) ThrowError("la rispettiva applicazione non è stata inizilizata!");
  return true;
}

void DeleteOGLWindow() {
  wglMakeCurrent(DCWindow, 0);
  wglDeleteContext(RCWindow);
  ReleaseDC(HWindow, DCWindow);
  DestroyWindow(HWindow);
}

void ThrowError(const char* pcErrorMessage) {
  std::fprintf(stderr, "Error: %s\n", pcErrorMessage);
  MessageBoxA(0, pcErrorMessage, "Error", MB_OK);
  std::exit(1);
}

}  // namespace lumicore
