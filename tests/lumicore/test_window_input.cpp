// The OpenGL window's lifecycle, its procedure and the polled input state.
#include <SDL.h>
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "lumicore/lumicore.h"

using namespace lumicore;

namespace {

std::string g_box;  // caption|text of the last message box
int g_box_answer = IDNO;
int RecordBox(LPCSTR text, LPCSTR caption, UINT) {
  g_box = std::string(caption) + "|" + text;
  return g_box_answer;
}

// One window for the whole program, as the library allows.
class Window : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    PlatformSetMessageBoxHook(RecordBox);
    PlatformSetSwapInterval(0);
    OGLWindowSetting(Arrow, "", Generic, "");
    ASSERT_TRUE(CreateOGLWindow("Creazione di ombre tramite texture", 800, 600, 32, false));
  }
  void SetUp() override {
    for (BOOL& k : SetKey) k = 0;
    XRot = YRot = Depth = 0;
    XCoord = YCoord = ZCoord = 0;
    LeftMouseDown = RightMouseDown = MouseFree = false;
    MSpeed = 2;
    Active = true;
    MSG m;
    while (PeekMessageA(&m, 0, 0, 0, PM_REMOVE)) {
    }
  }
  static LRESULT Send(UINT message, WPARAM w = 0, LPARAM l = 0) { return GLWndProc(HWindow, message, w, l); }
};

TEST_F(Window, WindowedCreation) {
  EXPECT_NE(HWindow, 0u);
  EXPECT_NE(DCWindow, 0u);
  EXPECT_NE(RCWindow, 0u);
  EXPECT_EQ(Width, 800);
  EXPECT_EQ(Height, 600);
  EXPECT_EQ(Bits, 32);
  EXPECT_FALSE(FullScreen);
  RECT client;
  ASSERT_TRUE(GetClientRect(HWindow, &client));
  EXPECT_EQ(client.right, 800) << "the drawing area is 800 by 600";
  EXPECT_EQ(client.bottom, 600);
  RECT outer;
  ASSERT_TRUE(GetWindowRect(HWindow, &outer));
  EXPECT_EQ(outer.left, -3) << "the drawing area starts at the screen origin";
  EXPECT_EQ(outer.top, -19);
  ASSERT_NE(glGetString(GL_VERSION), nullptr) << "the context is current";
  GLint viewport[4];
  glGetIntegerv(GL_VIEWPORT, viewport);
  EXPECT_EQ(viewport[2], 800);
  GLint depth_bits = 0;
  glGetIntegerv(GL_DEPTH_BITS, &depth_bits);
  EXPECT_GE(depth_bits, 16);
  EXPECT_TRUE(SwapBuffers(DCWindow));
  WNDCLASSEXA info;
  ASSERT_TRUE(GetClassInfoExA(0, "GLWindow", &info));
  EXPECT_EQ(info.lpfnWndProc, &GLWndProc);
  EXPECT_EQ(info.hCursor, LoadCursorA(0, IDC_ARROW));
  ASSERT_TRUE(GetClassInfoExA(0, "IMAGEBUTTON", &info));
  EXPECT_EQ(info.lpfnWndProc, &HoverButtonHandler);
  EXPECT_EQ(info.hbrBackground, GetStockObject(NULL_BRUSH));
  EXPECT_EQ(WindowClassEx.lpfnWndProc, &HoverButtonHandler);
}

TEST_F(Window, KeysAreHeldUntilReleased) {
  Send(WM_KEYDOWN, '3');
  EXPECT_TRUE(SetGLKey('3'));
  EXPECT_TRUE(SetGLKey('3')) << "reading a key does not consume it";
  EXPECT_EQ(SetKey['3'], ~BOOL(0)) << "held is all bits set";
  Send(WM_KEYUP, '3');
  EXPECT_FALSE(SetGLKey('3'));
  Send(WM_KEYDOWN, VK_NUMPAD1);
  EXPECT_TRUE(SetGLKey('a')) << "lower-case a is the keypad's 1";
  EXPECT_FALSE(SetGLKey('A'));
  Send(WM_SYSKEYDOWN, '2');
  EXPECT_FALSE(SetGLKey('2')) << "keys with Alt never reach the table";
  MouseFree = true;
  Send(WM_KEYUP, 'Q');
  EXPECT_FALSE(MouseFree) << "any key release ends free look";
}

TEST_F(Window, KeyCodesOutsideTheTableAreIgnored) {
  const WPARAM codes[] = {-1, -100000, KEY_TABLE_SIZE, 100000, WPARAM(1) << 40};
  BOOL before[KEY_TABLE_SIZE];
  std::copy(SetKey, SetKey + KEY_TABLE_SIZE, before);
  for (WPARAM code : codes) {
    Send(WM_KEYDOWN, code);
    Send(WM_KEYUP, code);
  }
  EXPECT_TRUE(std::equal(SetKey, SetKey + KEY_TABLE_SIZE, before));
  Send(WM_KEYDOWN, 500);
  EXPECT_NE(SetKey[500], 0) << "500 is the table's last entry";
}

TEST_F(Window, EscapeEndsTheRunButKeepsTheWindow) {
  MSG m;
  Send(WM_KEYDOWN, VK_ESCAPE);
  EXPECT_FALSE(Active);
  EXPECT_TRUE(IsWindow(HWindow));
  ASSERT_TRUE(PeekMessageA(&m, 0, 0, 0, PM_REMOVE));
  EXPECT_EQ(m.message, UINT(WM_QUIT));
  Active = true;
  PostQuitMessage(0);
  SetGLMsg();
  EXPECT_TRUE(Active) << "a WM_QUIT ends nothing";
}

TEST_F(Window, DragsTurnAndMoveTheView) {
  struct Step {
    UINT message;
    int x, y;
    float xrot, yrot, depth;
  };
  // With factor 2 one pixel is a degree, and a right-drag pixel 0.2 units.
  const Step steps[] = {
      {WM_LBUTTONDOWN, 100, 100, 0, 0, 0},
      {WM_MOUSEMOVE, 110, 130, 30, 10, 0},
      {WM_MOUSEMOVE, -20, -5, -105, -120, 0},  // past the window's corner
      {WM_LBUTTONUP, 0, 0, -105, -120, 0},
      {WM_MOUSEMOVE, 300, 300, -105, -120, 0},
      {WM_RBUTTONDOWN, 50, 50, -105, -120, 0},
      {WM_MOUSEMOVE, 50, 60, -105, -120, -2},
      {WM_LBUTTONDOWN, 50, 60, -105, -120, -2},
      {WM_MOUSEMOVE, 52, 50, -115, -118, 0},  // both buttons: turn and move
      {WM_RBUTTONUP, 52, 50, -115, -118, 0},
      {WM_LBUTTONUP, 52, 50, -115, -118, 0},
  };
  for (const Step& s : steps) {
    Send(s.message, 0, MAKELPARAM(s.x, s.y));
    SCOPED_TRACE(testing::Message() << std::hex << s.message << std::dec << " " << s.x << "," << s.y);
    EXPECT_FLOAT_EQ(XRot, s.xrot);
    EXPECT_FLOAT_EQ(YRot, s.yrot);
    EXPECT_NEAR(Depth, s.depth, 1e-5);
  }
  EXPECT_EQ(XCoord, 0) << "the left anchor resets at the release";
  EXPECT_EQ(ZCoord, 50) << "the right anchor stays";
  EXPECT_FALSE(LeftMouseDown || RightMouseDown);

  MSpeed = 0;
  Send(WM_LBUTTONDOWN, 0, MAKELPARAM(0, 0));
  Send(WM_MOUSEMOVE, 0, MAKELPARAM(40, 40));
  EXPECT_FLOAT_EQ(XRot, -115) << "before any SetGLMouseMove only the anchors move";
  EXPECT_EQ(XCoord, 40);
  Send(WM_LBUTTONUP, 0, 0);
}

TEST_F(Window, FreeLookClampsThePitch) {
  MouseFree = true;
  SDL_Event e;
  for (int i = 0; i < 40; ++i) {
    SetCursorPos(Width / 2 + 50, Height / 2 + 900);
    Send(WM_MOUSEMOVE, 0, 0);
  }
  EXPECT_FLOAT_EQ(YRot, 60) << "the pitch stays within 60 degrees";
  EXPECT_NEAR(XRot, 40 * 50 / 100.0 * 2, 1e-3) << "the heading is unbounded";
  Send(WM_RBUTTONDOWN, 0, MAKELPARAM(0, 0));
  Send(WM_MOUSEMOVE, 0, MAKELPARAM(0, 100));
  EXPECT_FLOAT_EQ(Depth, 0) << "no right-drag distance in free look";
  Send(WM_RBUTTONUP, 0, 0);
  while (SDL_PollEvent(&e)) {
  }
}

TEST_F(Window, SetGLMsgHandlesOneMessageAndNeverWaits) {
  SetGLMsg();
  for (int i = 0; i < 3; ++i) PostMessageA(HWindow, WM_KEYDOWN, '1' + i, 0);
  SetGLMsg();
  EXPECT_TRUE(SetGLKey('1'));
  EXPECT_FALSE(SetGLKey('2')) << "one message per call";
  SetGLMsg();
  SetGLMsg();
  EXPECT_TRUE(SetGLKey('3'));
  // Posted WM_CHARs from TranslateMessage follow; the queue then runs dry.
  for (int i = 0; i < 10; ++i) SetGLMsg();
  MSG m;
  EXPECT_FALSE(PeekMessageA(&m, 0, 0, 0, PM_NOREMOVE));
  SetGLMsg();
}

// Where the view transform takes a point, against rotations worked out here.
TEST_F(Window, MouseViewTransform) {
  XRot = 30;
  YRot = 60;
  Depth = 5;
  const float p[3] = {1, 2, 3};
  const double a = 30 * M_PI / 180, b = 60 * M_PI / 180;
  auto rx = [](double t, const double v[3], double out[3]) {
    out[0] = v[0];
    out[1] = std::cos(t) * v[1] - std::sin(t) * v[2];
    out[2] = std::sin(t) * v[1] + std::cos(t) * v[2];
  };
  auto ry = [](double t, const double v[3], double out[3]) {
    out[0] = std::cos(t) * v[0] + std::sin(t) * v[2];
    out[1] = v[1];
    out[2] = -std::sin(t) * v[0] + std::cos(t) * v[2];
  };
  auto rz = [](double t, const double v[3], double out[3]) {
    out[0] = std::cos(t) * v[0] - std::sin(t) * v[1];
    out[1] = std::sin(t) * v[0] + std::cos(t) * v[1];
    out[2] = v[2];
  };
  const double v[3] = {p[0], p[1], p[2]};
  double t1[3], t2[3];
  struct Case {
    int xyz;
    double expect[3];
  } cases[4];
  ry(b, v, t1), rx(a, t1, t2);
  cases[0] = {GL_M0, {t2[0], t2[1], t2[2] - 5}};
  rz(b, v, t1), rx(a, t1, t2);
  cases[1] = {GL_MX, {t2[0], t2[1] - 5, t2[2]}};
  ry(b, v, t1), rz(-a, t1, t2);
  cases[2] = {GL_MY, {t2[0] - 5, t2[1], t2[2]}};
  rx(b, v, t1), ry(a, t1, t2);
  cases[3] = {GL_MZ, {t2[0], t2[1], t2[2] - 5}};
  for (const Case& c : cases) {
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    SetGLMouseMove(c.xyz, 3);
    EXPECT_EQ(MSpeed, 3);
    GLfloat m[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, m);
    for (int i = 0; i < 3; ++i)
      EXPECT_NEAR(m[i] * p[0] + m[4 + i] * p[1] + m[8 + i] * p[2] + m[12 + i], c.expect[i], 1e-4)
          << "XYZ " << c.xyz << " component " << i;
  }
  glLoadIdentity();
  SetGLMouseMove(7, 4);
  EXPECT_EQ(MSpeed, 4);
  GLfloat m[16];
  glGetFloatv(GL_MODELVIEW_MATRIX, m);
  for (int i = 0; i < 16; ++i) EXPECT_EQ(m[i], (i % 5 == 0) ? 1.0f : 0.0f) << "other values only set the speed";
}

TEST_F(Window, StatusBarPartsAreClamped) {
  MaxStatusItem = 99;
  for (int i = 1; i <= MAX_STATUS_ITEMS; ++i) StatusItem[i] = 10 * i;
  HWND bar = CreateStatusBar(HWindow);
  ASSERT_NE(bar, 0u);
  EXPECT_STREQ(FileName, "Percorso file");
  EXPECT_EQ(Edges[MAX_STATUS_ITEMS], 200);
  EXPECT_EQ(GetParent(bar), HWindow);
  EXPECT_EQ(GetDlgCtrlID(bar), 30482);
  DestroyWindow(bar);
  EXPECT_EQ(CreateStatusBar(0), 0u);
}

// Last: the teardown, then what comes after it.
TEST_F(Window, ZZTeardownIsSafeTwice) {
  DeleteOGLWindow();
  EXPECT_FALSE(Active) << "DestroyWindow delivers WM_DESTROY";
  EXPECT_FALSE(IsWindow(HWindow));
  EXPECT_EQ(SDL_GL_GetCurrentContext(), nullptr);
  DeleteOGLWindow();
  EXPECT_FALSE(SwapBuffers(DCWindow));
}

// Every creation failure shows its box and ends the program with status 1.
int PrintBox(LPCSTR text, LPCSTR caption, UINT type) {
  std::fprintf(stderr, "box %u: %s|%s\n", type, caption, text);
  return IDOK;
}

TEST(WindowDeathTest, FatalCreationErrors) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  struct Case {
    const char* name;
    void (*run)();
    const char* message;
  };
  const Case cases[] = {
      {"second window",
       [] {
         CreateOGLWindow("a", 64, 64, 32, false);
         CreateOGLWindow("b", 64, 64, 32, false);
       },
       "Errore di registro per la rispettiva applicazione!"},
      {"no window", [] { CreateOGLWindow("a", 0, 600, 32, false); },
       "Impossibile creare la finestra per la rispettiva applicazione!"},
      {"no context",
       [] {
         // No GL of this version exists, so no context can be made.
         SDL_InitSubSystem(SDL_INIT_VIDEO);
         SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 9);
         CreateOGLWindow("a", 64, 64, 32, false);
       },
       "la rispettiva applicazione non è stata inizilizata!"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EXIT(
        {
          PlatformSetMessageBoxHook(PrintBox);
          c.run();
        },
        ::testing::ExitedWithCode(1), std::string("Error: ") + c.message + "\nbox 0: Error\\|" + c.message);
  }
}

}  // namespace
