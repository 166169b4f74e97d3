// The window and message model of the platform layer, without GL.
#include <SDL.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "internal.h"
#include "platform/win32.h"

namespace {

struct Received {
  HWND hwnd;
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
};
std::vector<Received> g_log;

LRESULT Recorder(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  g_log.push_back({hwnd, message, wParam, lParam});
  return DefWindowProcA(hwnd, message, wParam, lParam);
}

LRESULT Answer42(HWND, UINT message, WPARAM, LPARAM) { return message == WM_USER ? 42 : 0; }

std::vector<UINT> Messages(HWND hwnd = 0) {
  std::vector<UINT> out;
  for (const Received& r : g_log)
    if (!hwnd || r.hwnd == hwnd) out.push_back(r.message);
  return out;
}

void RegisterOnce(const char* name, WNDPROC proc) {
  WNDCLASSEXA info;
  if (GetClassInfoExA(0, name, &info)) return;
  WNDCLASSA wc{};
  wc.lpfnWndProc = proc;
  wc.lpszClassName = name;
  ASSERT_NE(RegisterClassA(&wc), 0u);
}

// Takes every waiting message out of the queue (paint requests validated).
std::vector<MSG> Drain() {
  std::vector<MSG> out;
  MSG m;
  while (PeekMessageA(&m, 0, 0, 0, PM_REMOVE)) {
    out.push_back(m);
    if (m.message == WM_PAINT) {
      PAINTSTRUCT ps;
      BeginPaint(m.hwnd, &ps);
      EndPaint(m.hwnd, &ps);
    }
  }
  return out;
}

class Platform : public ::testing::Test {
 protected:
  void SetUp() override {
    RegisterOnce("Recorder", Recorder);
    RegisterOnce("Answer42", Answer42);
    g_log.clear();
  }
  void TearDown() override {
    for (HWND h : made_) DestroyWindow(h);
    ReleaseCapture();
    Drain();
    g_log.clear();
  }
  HWND Top(DWORD style = WS_POPUP | WS_VISIBLE) {
    HWND h = CreateWindowExA(0, "Recorder", "top", style, CW_USEDEFAULT, CW_USEDEFAULT, 320, 240, 0, 0, 0,
                             nullptr);
    made_.push_back(h);
    return h;
  }
  HWND Child(HWND parent, int x, int y, int w, int h, int id = 7) {
    return CreateWindowExA(0, "Recorder", "child", WS_CHILD | WS_VISIBLE, x, y, w, h, parent, HMENU(id), 0,
                           nullptr);
  }
  std::vector<HWND> made_;
};

TEST_F(Platform, ClassRegistration) {
  WNDCLASSA wc{};
  wc.lpfnWndProc = Recorder;
  wc.lpszClassName = "RECORDER";  // names compare without case
  EXPECT_EQ(RegisterClassA(&wc), 0u);
  wc.lpszClassName = nullptr;
  EXPECT_EQ(RegisterClassA(&wc), 0u);
  wc.lpszClassName = "NoProc";
  wc.lpfnWndProc = nullptr;
  EXPECT_EQ(RegisterClassA(&wc), 0u);

  WNDCLASSEXA ex{};
  ex.cbSize = 12;
  ex.lpfnWndProc = Recorder;
  ex.lpszClassName = "Extended";
  EXPECT_EQ(RegisterClassExA(&ex), 0u) << "a wrong record size is refused";
  ex.cbSize = 48;
  ex.hbrBackground = GetStockObject(NULL_BRUSH);
  if (!GetClassInfoExA(0, "Extended", &ex)) {
    EXPECT_NE(RegisterClassExA(&ex), 0u);
  }
  WNDCLASSEXA info{};
  ASSERT_TRUE(GetClassInfoExA(0, "extended", &info));
  EXPECT_EQ(info.lpfnWndProc, &Recorder);
  EXPECT_EQ(info.hbrBackground, GetStockObject(NULL_BRUSH));
  EXPECT_FALSE(GetClassInfoExA(0, "NoSuchClass", &info));
  EXPECT_EQ(CreateWindowExA(0, "NoSuchClass", "", WS_POPUP, 0, 0, 10, 10, 0, 0, 0, nullptr), 0u);
}

TEST_F(Platform, CreationAndDestructionMessages) {
  HWND top = Top();
  ASSERT_NE(top, 0u);
  ASSERT_EQ(Messages(top), std::vector<UINT>{WM_CREATE}) << "WM_CREATE arrives during CreateWindowExA";
  HWND child = Child(top, 5, 6, 20, 10);
  ASSERT_NE(child, 0u);
  EXPECT_EQ(GetParent(child), top);
  EXPECT_EQ(GetDlgCtrlID(child), 7);
  EXPECT_EQ(GetDlgCtrlID(top), 0);
  g_log.clear();
  EXPECT_TRUE(DestroyWindow(top));
  std::vector<HWND> order;
  for (const Received& r : g_log)
    if (r.message == WM_DESTROY) order.push_back(r.hwnd);
  EXPECT_EQ(order, (std::vector<HWND>{top, child})) << "the parent hears WM_DESTROY before its children";
  EXPECT_FALSE(IsWindow(child));
  EXPECT_FALSE(DestroyWindow(top)) << "a second destroy fails";
}

TEST_F(Platform, StaleAndForeignHandlesFail) {
  HWND top = Top();
  HWND child = Child(top, 0, 0, 4, 4);
  DestroyWindow(child);
  HWND again = Child(top, 0, 0, 4, 4);
  EXPECT_NE(again, child) << "a reused slot gets a new handle";
  RECT r;
  PAINTSTRUCT ps;
  MSG m{};
  m.hwnd = child;
  m.message = WM_USER;
  const HWND bad[] = {child, 0x12345678u, GetStockObject(NULL_BRUSH)};
  for (HWND h : bad) {
    SCOPED_TRACE(h);
    EXPECT_FALSE(ShowWindow(h, SW_SHOW));
    EXPECT_FALSE(UpdateWindow(h));
    EXPECT_FALSE(DestroyWindow(h));
    EXPECT_FALSE(GetWindowRect(h, &r));
    EXPECT_FALSE(MoveWindow(h, 0, 0, 1, 1, TRUE));
    EXPECT_FALSE(InvalidateRect(h, nullptr, FALSE));
    EXPECT_EQ(SetWindowRgn(h, 0, FALSE), 0);
    EXPECT_FALSE(SetPropA(h, "X", 1));
    EXPECT_EQ(GetPropA(h, "X"), 0u);
    EXPECT_EQ(GetParent(h), 0u);
    EXPECT_EQ(SendMessageA(h, WM_USER, 0, 0), 0);
    EXPECT_FALSE(PostMessageA(h, WM_USER, 0, 0));
    EXPECT_EQ(BeginPaint(h, &ps), 0u);
    EXPECT_EQ(GetDC(h), 0u);
    EXPECT_EQ(ReleaseDC(h, 0), 0);
    EXPECT_EQ(SetCapture(h), 0u);
    EXPECT_EQ(DispatchMessageA(&m), 0);
    EXPECT_EQ(CreateWindowExA(0, "Recorder", "", WS_CHILD, 0, 0, 1, 1, h, 0, 0, nullptr), 0u);
  }
  EXPECT_FALSE(DeleteObject(top)) << "a window handle is no GDI object";
  EXPECT_FALSE(wglDeleteContext(top));
  EXPECT_FALSE(SwapBuffers(0x40000001u));
}

TEST_F(Platform, QueueOrderPeekAndGet) {
  HWND top = Top();
  Drain();
  MSG m;
  EXPECT_FALSE(PeekMessageA(&m, 0, 0, 0, PM_NOREMOVE)) << "an empty queue answers at once";
  PostQuitMessage(3);
  for (int i = 1; i <= 3; ++i) PostMessageA(top, WM_USER + i, i, -i);
  ASSERT_TRUE(PeekMessageA(&m, 0, 0, 0, PM_NOREMOVE));
  EXPECT_EQ(m.message, UINT(WM_USER + 1));
  ASSERT_TRUE(PeekMessageA(&m, 0, 0, 0, PM_NOREMOVE)) << "PM_NOREMOVE leaves it in the queue";
  EXPECT_EQ(m.message, UINT(WM_USER + 1));
  ASSERT_TRUE(PeekMessageA(&m, 0, WM_USER + 2, WM_USER + 3, PM_REMOVE));
  EXPECT_EQ(m.message, UINT(WM_USER + 2)) << "filters pick within the range";
  EXPECT_EQ(GetMessageA(&m, 0, 0, 0), TRUE);
  EXPECT_EQ(m.message, UINT(WM_USER + 1));
  EXPECT_EQ(m.hwnd, top);
  EXPECT_EQ(GetMessageA(&m, 0, 0, 0), TRUE);
  EXPECT_EQ(m.lParam, -3);
  EXPECT_EQ(GetMessageA(&m, 0, 0, 0), FALSE) << "WM_QUIT comes after the posted messages";
  EXPECT_EQ(m.message, UINT(WM_QUIT));
  EXPECT_EQ(m.wParam, 3);
  EXPECT_FALSE(PeekMessageA(&m, 0, 0, 0, PM_NOREMOVE));
}

TEST_F(Platform, SendCallsTheProcedureAtOnce) {
  HWND h = CreateWindowExA(0, "Answer42", "", WS_POPUP, 0, 0, 10, 10, 0, 0, 0, nullptr);
  made_.push_back(h);
  EXPECT_EQ(SendMessageA(h, WM_USER, 0, 0), 42);
  MSG m{};
  m.hwnd = h;
  m.message = WM_USER;
  EXPECT_EQ(DispatchMessageA(&m), 42);
}

TEST_F(Platform, PaintingFollowsTheUpdateRegion) {
  HWND top = Top();
  HWND child = Child(top, 0, 0, 8, 8);
  Drain();
  MSG m;
  EXPECT_FALSE(PeekMessageA(&m, 0, 0, 0, PM_NOREMOVE));
  InvalidateRect(child, nullptr, FALSE);
  PostMessageA(top, WM_USER, 0, 0);
  ASSERT_TRUE(PeekMessageA(&m, 0, 0, 0, PM_REMOVE));
  EXPECT_EQ(m.message, UINT(WM_USER)) << "posted messages come before painting";
  ASSERT_TRUE(PeekMessageA(&m, 0, 0, 0, PM_REMOVE));
  EXPECT_EQ(m.message, UINT(WM_PAINT));
  EXPECT_EQ(m.hwnd, child);
  ASSERT_TRUE(PeekMessageA(&m, 0, 0, 0, PM_REMOVE)) << "WM_PAINT repeats until the window is validated";
  DispatchMessageA(&m);  // the recorder's default processing validates
  EXPECT_FALSE(PeekMessageA(&m, 0, 0, 0, PM_NOREMOVE));
  g_log.clear();
  InvalidateRect(top, nullptr, FALSE);
  UpdateWindow(top);
  EXPECT_EQ(Messages(top), std::vector<UINT>{WM_PAINT}) << "UpdateWindow sends WM_PAINT at once";
  EXPECT_FALSE(PeekMessageA(&m, 0, 0, 0, PM_NOREMOVE));
}

TEST_F(Platform, DefaultProcessing) {
  HWND top = Top();
  g_log.clear();
  SendMessageA(top, WM_RBUTTONUP, 0, MAKELPARAM(-4, 9));
  ASSERT_EQ(Messages(top), (std::vector<UINT>{WM_RBUTTONUP, WM_CONTEXTMENU}));
  POINT origin = platform::ClientOriginOnScreen(top);
  EXPECT_EQ(GET_X_LPARAM(g_log[1].lParam), origin.x - 4) << "the context menu point is on the screen";
  EXPECT_EQ(GET_Y_LPARAM(g_log[1].lParam), origin.y + 9);
  EXPECT_EQ(g_log[1].wParam, WPARAM(top));
  g_log.clear();
  SendMessageA(top, WM_CLOSE, 0, 0);
  EXPECT_EQ(Messages(top), (std::vector<UINT>{WM_CLOSE, WM_DESTROY})) << "WM_CLOSE destroys the window";
  EXPECT_FALSE(IsWindow(top));
  g_log.clear();
  HWND other = Top();
  g_log.clear();
  SendMessageA(other, WM_SYSKEYDOWN, VK_F1 + 3, LPARAM(1u << 29));
  EXPECT_EQ(Messages(other), (std::vector<UINT>{WM_SYSKEYDOWN, WM_SYSCOMMAND, WM_CLOSE, WM_DESTROY}))
      << "Alt+F4 closes";
}

TEST_F(Platform, CaptureAndProperties) {
  HWND top = Top();
  HWND child = Child(top, 0, 0, 8, 8);
  EXPECT_EQ(SetCapture(top), 0u);
  g_log.clear();
  EXPECT_EQ(SetCapture(child), top);
  EXPECT_EQ(Messages(top), std::vector<UINT>{WM_CAPTURECHANGED});
  EXPECT_EQ(GetCapture(), child);
  EXPECT_TRUE(ReleaseCapture());
  EXPECT_EQ(GetCapture(), 0u);
  EXPECT_TRUE(ReleaseCapture()) << "releasing without a capture succeeds";
  SetCapture(child);
  DestroyWindow(child);
  EXPECT_EQ(GetCapture(), 0u) << "a destroyed window gives the capture up";

  EXPECT_TRUE(SetPropA(top, "A", 5));
  EXPECT_TRUE(SetPropA(top, "A", 6));
  EXPECT_EQ(GetPropA(top, "A"), 6u);
  EXPECT_EQ(GetPropA(top, "B"), 0u) << "an absent property reads as 0";
  EXPECT_EQ(RemovePropA(top, "A"), 6u);
  EXPECT_EQ(GetPropA(top, "A"), 0u);
  EXPECT_EQ(RemovePropA(top, "A"), 0u);
}

TEST_F(Platform, WindowGeometry) {
  HWND captioned = Top(WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU);
  RECT client, outer;
  ASSERT_TRUE(GetClientRect(captioned, &client));
  EXPECT_EQ(client.right, 320) << "the drawing area is the full requested size";
  EXPECT_EQ(client.bottom, 240);
  ASSERT_TRUE(GetWindowRect(captioned, &outer));
  POINT origin = platform::ClientOriginOnScreen(captioned);
  EXPECT_EQ(origin.x - outer.left, 3);
  EXPECT_EQ(origin.y - outer.top, 19);

  HWND child = Child(captioned, 10, 20, 30, 40);
  ASSERT_TRUE(GetWindowRect(child, &outer));
  EXPECT_EQ(outer.left, origin.x + 10);
  EXPECT_EQ(outer.top, origin.y + 20);
  EXPECT_EQ(outer.right - outer.left, 30);
  ASSERT_TRUE(MoveWindow(child, 1, 2, 5, 6, FALSE));
  ASSERT_TRUE(GetWindowRect(child, &outer));
  EXPECT_EQ(outer.left, origin.x + 1);
  EXPECT_EQ(outer.bottom - outer.top, 6);
  EXPECT_EQ(platform::Windows().Get(child)->backing.size(), 30u) << "the backing follows the size";

  EXPECT_GT(GetSystemMetrics(SM_CXSCREEN), 0);
  EXPECT_GT(GetSystemMetrics(SM_CYSCREEN), 0);
  EXPECT_EQ(GetSystemMetrics(77), 0);
}

// SDL events pushed into SDL's queue arrive as messages with virtual keys and
// client coordinates, routed to the child under the pointer or the capture.
class Input : public Platform {
 protected:
  void SetUp() override {
    Platform::SetUp();
    top_ = Top();
    child_ = Child(top_, 100, 50, 40, 30);
    sdl_id_ = SDL_GetWindowID(platform::Windows().Get(top_)->sdl);
    Drain();
    g_log.clear();
  }
  void Key(SDL_Keycode sym, SDL_Scancode scan, Uint16 mod, bool down) {
    SDL_Event e{};
    e.type = down ? SDL_KEYDOWN : SDL_KEYUP;
    e.key.windowID = sdl_id_;
    e.key.keysym.sym = sym;
    e.key.keysym.scancode = scan;
    e.key.keysym.mod = mod;
    SDL_PushEvent(&e);
  }
  void Motion(int x, int y, Uint32 state = 0) {
    SDL_Event e{};
    e.type = SDL_MOUSEMOTION;
    e.motion.windowID = sdl_id_;
    e.motion.x = x;
    e.motion.y = y;
    e.motion.state = state;
    SDL_PushEvent(&e);
  }
  HWND top_ = 0, child_ = 0;
  Uint32 sdl_id_ = 0;
};

TEST_F(Input, KeysArriveAsVirtualKeys) {
  struct Case {
    SDL_Keycode sym;
    SDL_Scancode scan;
    Uint16 mod;
    UINT message;
    WPARAM vk;
  };
  const Case cases[] = {
      {SDLK_1, SDL_SCANCODE_1, 0, WM_KEYDOWN, '1'},
      {SDLK_3, SDL_SCANCODE_3, 0, WM_KEYDOWN, '3'},
      {SDLK_a, SDL_SCANCODE_A, 0, WM_KEYDOWN, 'A'},
      {SDLK_ESCAPE, SDL_SCANCODE_ESCAPE, 0, WM_KEYDOWN, VK_ESCAPE},
      {SDLK_KP_1, SDL_SCANCODE_KP_1, 0, WM_KEYDOWN, VK_NUMPAD1},
      {SDLK_KP_0, SDL_SCANCODE_KP_0, 0, WM_KEYDOWN, VK_NUMPAD0},
      {SDLK_F5, SDL_SCANCODE_F5, 0, WM_KEYDOWN, VK_F1 + 4},
      {SDLK_F10, SDL_SCANCODE_F10, 0, WM_SYSKEYDOWN, VK_F10},
      {SDLK_LEFT, SDL_SCANCODE_LEFT, 0, WM_KEYDOWN, VK_LEFT},
      {SDLK_DOWN, SDL_SCANCODE_DOWN, 0, WM_KEYDOWN, VK_DOWN},
      {SDLK_2, SDL_SCANCODE_2, KMOD_LALT, WM_SYSKEYDOWN, '2'},
      {SDLK_LALT, SDL_SCANCODE_LALT, KMOD_LALT, WM_SYSKEYDOWN, VK_MENU},
      {SDLK_SEMICOLON, SDL_SCANCODE_SEMICOLON, 0, WM_KEYDOWN, VK_OEM_1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(SDL_GetKeyName(c.sym));
    Key(c.sym, c.scan, c.mod, true);
    Key(c.sym, c.scan, c.mod, false);
    std::vector<MSG> got = Drain();
    ASSERT_EQ(got.size(), 2u);
    EXPECT_EQ(got[0].message, c.message);
    EXPECT_EQ(got[0].wParam, c.vk);
    EXPECT_EQ(got[0].hwnd, top_);
    EXPECT_EQ(got[1].message, c.message + 1) << "the matching key-up";
    EXPECT_EQ(got[1].wParam, c.vk);
  }
  Key(SDLK_UNKNOWN, SDL_SCANCODE_UNKNOWN, 0, true);
  EXPECT_TRUE(Drain().empty()) << "keys without a virtual key are dropped";
}

TEST_F(Input, MouseGoesToTheWindowUnderItOrToTheCapture) {
  Motion(110, 60);
  Motion(5, 7, SDL_BUTTON_LMASK);
  std::vector<MSG> got = Drain();
  ASSERT_EQ(got.size(), 2u);
  EXPECT_EQ(got[0].hwnd, child_);
  EXPECT_EQ(GET_X_LPARAM(got[0].lParam), 10) << "in the child's own coordinates";
  EXPECT_EQ(GET_Y_LPARAM(got[0].lParam), 10);
  EXPECT_EQ(got[1].hwnd, top_);
  EXPECT_EQ(got[1].wParam & MK_LBUTTON, MK_LBUTTON);

  SetCapture(child_);
  Motion(-20, 3);
  got = Drain();
  ASSERT_EQ(got.size(), 1u);
  EXPECT_EQ(got[0].hwnd, child_);
  EXPECT_EQ(GET_X_LPARAM(got[0].lParam), -120) << "captured positions may be negative";
  EXPECT_EQ(GET_Y_LPARAM(got[0].lParam), -47);
  ReleaseCapture();

  // A child with a region receives the pointer only inside it.
  RGNDATA* data = static_cast<RGNDATA*>(calloc(1, sizeof(RGNDATAHEADER) + sizeof(RECT)));
  data->rdh.dwSize = sizeof(RGNDATAHEADER);
  data->rdh.iType = RDH_RECTANGLES;
  data->rdh.nCount = 1;
  SetRect(reinterpret_cast<RECT*>(data->Buffer), 0, 0, 5, 5);
  HRGN rgn = ExtCreateRegion(nullptr, sizeof(RGNDATAHEADER) + sizeof(RECT), data);
  free(data);
  ASSERT_NE(rgn, 0u);
  ASSERT_NE(SetWindowRgn(child_, rgn, FALSE), 0);
  Motion(102, 52);
  Motion(120, 70);
  got = Drain();
  ASSERT_EQ(got.size(), 2u);
  EXPECT_EQ(got[0].hwnd, child_);
  EXPECT_EQ(got[1].hwnd, top_) << "outside the region the parent gets it";
}

TEST_F(Input, MouseMovesCoalesce) {
  for (int i = 0; i < 50; ++i) Motion(i, i);
  Key(SDLK_1, SDL_SCANCODE_1, 0, true);
  Motion(60, 61);
  std::vector<MSG> got = Drain();
  ASSERT_EQ(got.size(), 3u);
  EXPECT_EQ(GET_X_LPARAM(got[0].lParam), 49) << "only the latest of a run of moves waits";
  EXPECT_EQ(got[1].message, UINT(WM_KEYDOWN));
  EXPECT_EQ(GET_Y_LPARAM(got[2].lParam), 61);
}

TEST_F(Input, CloseRequestBecomesWmClose) {
  SDL_Event e{};
  e.type = SDL_WINDOWEVENT;
  e.window.windowID = sdl_id_;
  e.window.event = SDL_WINDOWEVENT_CLOSE;
  SDL_PushEvent(&e);
  MSG m;
  ASSERT_TRUE(PeekMessageA(&m, 0, 0, 0, PM_REMOVE));
  EXPECT_EQ(m.message, UINT(WM_CLOSE));
  EXPECT_EQ(m.hwnd, top_);
}

TEST(MessageBox, HookAnswersAndFallbackDismisses) {
  static std::string seen;
  PlatformSetMessageBoxHook([](LPCSTR text, LPCSTR caption, UINT type) {
    seen = std::string(caption) + "|" + text + "|" + std::to_string(type);
    return IDYES;
  });
  EXPECT_EQ(MessageBoxA(0, "Q?", "Cap", MB_YESNO | MB_ICONQUESTION), IDYES);
  EXPECT_EQ(seen, "Cap|Q?|36");
  PlatformSetMessageBoxHook(nullptr);
  // No box can be shown on the offscreen driver: the text goes to standard
  // error and the Escape-key answer comes back.
  testing::internal::CaptureStderr();
  int answer = MessageBoxA(0, "Settare?", "Video!", MB_YESNO);
  std::string err = testing::internal::GetCapturedStderr();
  EXPECT_EQ(answer, IDNO);
  EXPECT_NE(err.find("Video!: Settare?"), std::string::npos);
  EXPECT_EQ(MessageBoxA(0, "x", "Error", MB_OK), IDOK);
}

TEST(Cursors, SystemKindsAndFiles) {
  const int ids[] = {32512, 32513, 32514, 32515, 32516, 32640, 32642, 32643,
                     32644, 32645, 32646, 32648, 32649, 32650, 32651};
  for (int id : ids) {
    HCURSOR c = LoadCursorA(0, MAKEINTRESOURCEA(id));
    EXPECT_NE(c, 0u) << id;
    EXPECT_EQ(LoadCursorA(0, MAKEINTRESOURCEA(id)), c) << "system cursors are shared";
  }
  EXPECT_EQ(LoadCursorA(0, MAKEINTRESOURCEA(1)), 0u);
  EXPECT_NE(LoadIconA(0, IDI_APPLICATION), 0u);
  EXPECT_EQ(LoadCursorFromFileA("no-such-cursor.bmp"), 0u);
  EXPECT_EQ(LoadCursorFromFileA(""), 0u);
  EXPECT_EQ(LoadCursorFromFileA(nullptr), 0u);
}

}  // namespace
