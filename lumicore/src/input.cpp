// The OpenGL window's procedure, the message pump and the polled input
// state: held keys, mouse drags and the mouse-driven view transform.
#include <algorithm>
#include <cstring>

#include "lumicore/lumicore.h"

namespace lumicore {

BOOL SetKey[KEY_TABLE_SIZE] = {};
bool LeftMouseDown = false;
bool RightMouseDown = false;
bool MouseFree = false;
int XCoord = 0;
int YCoord = 0;
int ZCoord = 0;
float XRot = 0;
float YRot = 0;
float Depth = 0;
int MSpeed = 0;
POINT MPos = {0, 0};
MSG Msg_ = {};
void (*CreateMouseMenu)() = nullptr;
WNDPROC GetInputCommand = nullptr;
char FileName[261] = {};
HWND AWnd = 0;
int StatusItem[MAX_STATUS_ITEMS + 1] = {};
int MaxStatusItem = 0;
int Edges[MAX_STATUS_ITEMS + 1] = {};

namespace {

constexpr BOOL kHeld = ~BOOL(0);  // all bits set

LRESULT DefaultProcessing(HWND Window, UINT AMessage, WPARAM WParam, LPARAM LParam) {
  if (WParam == 0) UpdateWindow(HStatus);
  return DefWindowProcA(Window, AMessage, WParam, LParam);
}

void SetKeyState(WPARAM key, BOOL state) {
  // Key codes outside the table are ignored.
  if (key >= 0 && key < KEY_TABLE_SIZE) SetKey[key] = state;
}

void MouseMove(int x, int y) {
  if (LeftMouseDown) {
    XRot = float(XRot + (double(y - YCoord) / 2.0) * MSpeed);
    YRot = float(YRot + (double(x - XCoord) / 2.0) * MSpeed);
    XCoord = x;
    YCoord = y;
  }
  if (RightMouseDown && !MouseFree) {
    Depth = float(Depth - (double(y - ZCoord) / 10.0) * MSpeed);
    ZCoord = y;
  }
  if (MouseFree && GetForegroundWindow() == HWindow) {
    GetCursorPos(&MPos);
    const int cx = Width / 2, cy = Height / 2;
    SetCursorPos(cx, cy);
    XRot = float(XRot + (double(MPos.x - cx) / 100.0) * MSpeed);
    YRot = float(YRot - (double(cy - MPos.y) / 100.0) * MSpeed);
    YRot = std::clamp(YRot, -60.0f, 60.0f);
  }
}

}  // namespace

LRESULT GLWndProc(HWND Window, UINT AMessage, WPARAM WParam, LPARAM LParam) {
  const int x = GET_X_LPARAM(LParam), y = GET_Y_LPARAM(LParam);
  switch (AMessage) {
    case WM_CREATE:
      Active = true;
      return 0;
    case WM_DESTROY:
      Active = false;
      PostQuitMessage(0);
      return 0;
    case WM_PAINT: {
      // The frame loop draws all the time: painting only validates.
      PAINTSTRUCT ps;
      BeginPaint(Window, &ps);
      UpdateWindow(HStatus);
      EndPaint(Window, &ps);
      return 0;
    }
    case WM_CONTEXTMENU:
      if (ShowMenuBar && CreateMouseMenu) CreateMouseMenu();
      break;
    case WM_KEYDOWN:
      if (WParam == VK_ESCAPE) {
        SendMessageA(HWindow, WM_DESTROY, 0, 0);
        return 0;
      }
      SetKeyState(WParam, kHeld);
      break;
    case WM_KEYUP:
      SetKeyState(WParam, 0);
      MouseFree = false;
      break;
    case WM_COMMAND:
      if (ShowMenuBar && GetInputCommand) GetInputCommand(Window, AMessage, WParam, LParam);
      return 0;
    case WM_MOUSEMOVE:
      MouseMove(x, y);
      break;
    case WM_LBUTTONDOWN:
      ReleaseCapture();
      SetCapture(HWindow);
      LeftMouseDown = true;
      XCoord = x;
      YCoord = y;
      break;
    case WM_LBUTTONUP:
      ReleaseCapture();
      LeftMouseDown = false;
      XCoord = 0;
      YCoord = 0;
      break;
    case WM_RBUTTONDOWN:
      ReleaseCapture();
      SetCapture(HWindow);
      RightMouseDown = true;
      ZCoord = y;
      break;
    case WM_RBUTTONUP:
      ReleaseCapture();
      RightMouseDown = false;
      break;
    default:
      break;
  }
  return DefaultProcessing(Window, AMessage, WParam, LParam);
}

void SetGLMsg() {
  if (PeekMessageA(&Msg_, 0, 0, 0, PM_NOREMOVE)) {
    GetMessageA(&Msg_, 0, 0, 0);
    TranslateMessage(&Msg_);
    DispatchMessageA(&Msg_);
  }
}

bool SetGLKey(char Key) { return SetKey[static_cast<unsigned char>(Key)] != 0; }

void SetGLMouseMove(int XYZ, int Speed) {
  MSpeed = Speed;
  switch (XYZ) {
    case GL_M0:
      glTranslatef(0, 0, -Depth);
      glRotatef(XRot, 1, 0, 0);
      glRotatef(YRot, 0, 1, 0);
      break;
    case GL_MX:
      glTranslatef(0, -Depth, 0);
      glRotatef(XRot, 1, 0, 0);
      glRotatef(YRot, 0, 0, 1);
      break;
    case GL_MY:
      glTranslatef(-Depth, 0, 0);
      glRotatef(XRot, 0, 0, -1);
      glRotatef(YRot, 0, 1, 0);
      break;
    case GL_MZ:
      glTranslatef(0, 0, -Depth);
      glRotatef(XRot, 0, 1, 0);
      glRotatef(YRot, 1, 0, 0);
      break;
    default:
      break;
  }
}

HWND CreateStatusBar(HWND Parent) {
  std::strcpy(FileName, "Percorso file");
  AWnd = CreateStatusWindowA(WS_CHILD | WS_VISIBLE, FileName, Parent, 30482);
  if (AWnd != 0) {
    // The edge tables hold 20 parts.
    const int parts = std::clamp(MaxStatusItem, 1, MAX_STATUS_ITEMS);
    for (int i = 1; i <= parts; ++i) Edges[i] = StatusItem[i];
    SendMessageA(AWnd, SB_SETPARTS, parts, reinterpret_cast<LPARAM>(&Edges[1]));
  }
  return AWnd;
}

}  // namespace lumicore
