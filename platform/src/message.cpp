// The message queue: SDL events become posted messages, sent messages call
// the window procedure at once, and the mouse is routed to its window.
#include <cstdio>
#include <deque>

#include "internal.h"

namespace platform {

namespace {

// A display was named, so a window should appear on it.
bool DisplayNamed() { return SDL_getenv("DISPLAY") || SDL_getenv("WAYLAND_DISPLAY"); }

// SDL falls back on its invisible drivers when no display answers; a window
// nobody can see is no window unless one was asked for by name.
bool InvisibleFallback() {
  const char* driver = SDL_GetCurrentVideoDriver();
  const char* wanted = SDL_getenv("SDL_VIDEODRIVER");
  return driver && (SDL_strcmp(driver, "offscreen") == 0 || SDL_strcmp(driver, "dummy") == 0) &&
         !(wanted && SDL_strcasestr(wanted, driver));
}

}  // namespace

bool EnsureVideo() {
  static int state = 0;  // 0 untried, 1 working, -1 failed
  if (state == 0) {
    // EGL under X11 gives a 24-bit depth buffer and a working swap interval.
    SDL_SetHint(SDL_HINT_VIDEO_X11_FORCE_EGL, "1");
    SDL_SetHint(SDL_HINT_MOUSE_FOCUS_CLICKTHROUGH, "1");
    // A busy X server refuses a connection now and then: a named display
    // gets a few more tries before the program gives up on it.
    for (int attempt = 0; attempt < 5 && state != 1; ++attempt) {
      if (attempt > 0) SDL_Delay(200);
      state = SDL_InitSubSystem(SDL_INIT_VIDEO) == 0 ? 1 : -1;
      if (state == 1 && InvisibleFallback()) {
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        SDL_SetError("no display is available (set SDL_VIDEODRIVER=offscreen to run without one)");
        state = -1;
      }
      if (!DisplayNamed()) break;
    }
    // Keep GL loaded for the whole run: SDL would unload the driver with the
    // last GL window and load it again with the next one.
    if (state == 1) SDL_GL_LoadLibrary(nullptr);
    // The one place where the reason for having no windows at all is known.
    if (state != 1) std::fprintf(stderr, "video: %s\n", SDL_GetError());
  }
  return state == 1;
}

namespace {

struct Queue {
  std::deque<MSG> posted;
  bool quit = false;
  int quit_code = 0;
  HWND capture = 0;
  HWND foreground = 0;
  bool focus_seen = false;  // the video driver reports keyboard focus
  POINT cursor{0, 0};  // last known pointer position on the screen
};

Queue& Q() {
  static Queue q;
  return q;
}

HWND WindowOfSdl(Uint32 window_id) {
  SDL_Window* sdl = SDL_GetWindowFromID(window_id);
  if (!sdl) return 0;
  HWND hwnd = HWND(reinterpret_cast<uintptr_t>(SDL_GetWindowData(sdl, "hwnd")));
  return Windows().Get(hwnd) ? hwnd : 0;
}

void Post(HWND hwnd, UINT message, WPARAM w, LPARAM l) {
  MSG m{};
  m.hwnd = hwnd;
  m.message = message;
  m.wParam = w;
  m.lParam = l;
  m.time = SDL_GetTicks();
  m.pt = Q().cursor;
  auto& posted = Q().posted;
  // Mouse moves coalesce as they do on Windows: only the latest position waits.
  if (message == WM_MOUSEMOVE && !posted.empty()) {
    MSG& last = posted.back();
    if (last.message == WM_MOUSEMOVE && last.hwnd == hwnd && last.wParam == w) {
      last = m;
      return;
    }
  }
  posted.push_back(m);
}

int VirtualKey(const SDL_Keysym& k) {
  SDL_Keycode c = k.sym;
  if (c >= SDLK_a && c <= SDLK_z) return 'A' + (c - SDLK_a);
  switch (k.scancode) {
    case SDL_SCANCODE_0: return '0';
    case SDL_SCANCODE_SEMICOLON: return VK_OEM_1;
    case SDL_SCANCODE_EQUALS: return VK_OEM_PLUS;
    case SDL_SCANCODE_COMMA: return VK_OEM_COMMA;
    case SDL_SCANCODE_MINUS: return VK_OEM_MINUS;
    case SDL_SCANCODE_PERIOD: return VK_OEM_PERIOD;
    case SDL_SCANCODE_SLASH: return VK_OEM_2;
    case SDL_SCANCODE_GRAVE: return VK_OEM_3;
    case SDL_SCANCODE_LEFTBRACKET: return VK_OEM_4;
    case SDL_SCANCODE_BACKSLASH: return VK_OEM_5;
    case SDL_SCANCODE_RIGHTBRACKET: return VK_OEM_6;
    case SDL_SCANCODE_APOSTROPHE: return VK_OEM_7;
    default: break;
  }
  // The digit row by position, so that every layout gives '1' to '9'.
  if (k.scancode >= SDL_SCANCODE_1 && k.scancode <= SDL_SCANCODE_9) return '1' + (k.scancode - SDL_SCANCODE_1);
  if (k.scancode >= SDL_SCANCODE_A && k.scancode <= SDL_SCANCODE_Z) return 'A' + (k.scancode - SDL_SCANCODE_A);
  if (c >= SDLK_F1 && c <= SDLK_F12) return VK_F1 + (c - SDLK_F1);
  if (c >= SDLK_F13 && c <= SDLK_F24) return VK_F1 + 12 + (c - SDLK_F13);
  if (c >= SDLK_KP_1 && c <= SDLK_KP_9) return VK_NUMPAD1 + (c - SDLK_KP_1);
  switch (c) {
    case SDLK_KP_0: return VK_NUMPAD0;
    case SDLK_KP_MULTIPLY: return VK_MULTIPLY;
    case SDLK_KP_PLUS: return VK_ADD;
    case SDLK_KP_MINUS: return VK_SUBTRACT;
    case SDLK_KP_PERIOD: return VK_DECIMAL;
    case SDLK_KP_DIVIDE: return VK_DIVIDE;
    case SDLK_KP_ENTER:
    case SDLK_RETURN: return VK_RETURN;
    case SDLK_ESCAPE: return VK_ESCAPE;
    case SDLK_BACKSPACE: return VK_BACK;
    case SDLK_TAB: return VK_TAB;
    case SDLK_SPACE: return VK_SPACE;
    case SDLK_LSHIFT:
    case SDLK_RSHIFT: return VK_SHIFT;
    case SDLK_LCTRL:
    case SDLK_RCTRL: return VK_CONTROL;
    case SDLK_LALT:
    case SDLK_RALT: return VK_MENU;
    case SDLK_PAUSE: return VK_PAUSE;
    case SDLK_CAPSLOCK: return VK_CAPITAL;
    case SDLK_PAGEUP: return VK_PRIOR;
    case SDLK_PAGEDOWN: return VK_NEXT;
    case SDLK_END: return VK_END;
    case SDLK_HOME: return VK_HOME;
    case SDLK_LEFT: return VK_LEFT;
    case SDLK_UP: return VK_UP;
    case SDLK_RIGHT: return VK_RIGHT;
    case SDLK_DOWN: return VK_DOWN;
    case SDLK_INSERT: return VK_INSERT;
    case SDLK_DELETE: return VK_DELETE;
    case SDLK_NUMLOCKCLEAR: return VK_NUMLOCK;
    case SDLK_SCROLLLOCK: return VK_SCROLL;
    default: return 0;
  }
}

bool InRegion(HRGN region, int x, int y) { return !region || PtInRegion(region, x, y); }

// The deepest visible child under a point given in hwnd's client coordinates;
// the point comes back in that child's coordinates.
HWND ChildAt(HWND hwnd, int* x, int* y) {
  Window* w = Windows().Get(hwnd);
  if (!w) return 0;
  for (auto it = w->children.rbegin(); it != w->children.rend(); ++it) {
    Window* c = Windows().Get(*it);
    if (!c || !c->visible) continue;
    int cx = *x - c->x, cy = *y - c->y;
    if (cx < 0 || cy < 0 || cx >= c->width || cy >= c->height || !InRegion(c->region, cx, cy)) continue;
    *x = cx;
    *y = cy;
    return ChildAt(*it, x, y);
  }
  return hwnd;
}

WPARAM MouseKeys(Uint32 buttons) {
  WPARAM keys = 0;
  if (buttons & SDL_BUTTON_LMASK) keys |= MK_LBUTTON;
  if (buttons & SDL_BUTTON_RMASK) keys |= MK_RBUTTON;
  if (buttons & SDL_BUTTON_MMASK) keys |= MK_MBUTTON;
  SDL_Keymod mod = SDL_GetModState();
  if (mod & KMOD_SHIFT) keys |= MK_SHIFT;
  if (mod & KMOD_CTRL) keys |= MK_CONTROL;
  return keys;
}

void PostMouse(Uint32 window_id, UINT message, int x, int y, Uint32 buttons) {
  HWND top = WindowOfSdl(window_id);
  if (!top) return;
  POINT origin = ClientOriginOnScreen(top);
  Q().cursor = POINT{origin.x + x, origin.y + y};
  HWND target;
  HWND capture = Q().capture;
  if (capture && Windows().Get(capture) && TopLevelOf(capture) == top) {
    POINT o = ClientOriginOnScreen(capture);
    x += origin.x - o.x;
    y += origin.y - o.y;
    target = capture;
  } else {
    target = ChildAt(top, &x, &y);
  }
  Post(target, message, MouseKeys(buttons), MAKELPARAM(x, y));
}

void PostKey(const SDL_KeyboardEvent& e) {
  HWND hwnd = WindowOfSdl(e.windowID);
  if (!hwnd) hwnd = Q().foreground;
  if (!Windows().Get(hwnd)) return;
  int vk = VirtualKey(e.keysym);
  if (vk == 0) return;
  bool down = e.type == SDL_KEYDOWN;
  bool alt = (e.keysym.mod & KMOD_ALT) != 0;
  bool sys = alt || vk == VK_MENU || vk == VK_F10;
  UINT message = sys ? (down ? WM_SYSKEYDOWN : WM_SYSKEYUP) : (down ? WM_KEYDOWN : WM_KEYUP);
  DWORD l = 1u | (DWORD(e.keysym.scancode & 0xFF) << 16);
  if (alt) l |= 1u << 29;
  if (e.repeat) l |= 1u << 30;
  if (!down) l |= 3u << 30;
  Post(hwnd, message, WPARAM(vk), LPARAM(l));
}

void PumpSdl() {
  if (!SDL_WasInit(SDL_INIT_VIDEO)) return;
  SDL_Event e;
  while (SDL_PollEvent(&e)) {
    switch (e.type) {
      case SDL_QUIT:
        Windows().ForEach([](HWND hwnd, Window& w) {
          if (!w.parent) Post(hwnd, WM_CLOSE, 0, 0);
        });
        break;
      case SDL_WINDOWEVENT: {
        HWND hwnd = WindowOfSdl(e.window.windowID);
        if (!hwnd) break;
        switch (e.window.event) {
          case SDL_WINDOWEVENT_CLOSE: Post(hwnd, WM_CLOSE, 0, 0); break;
          case SDL_WINDOWEVENT_EXPOSED: InvalidateRect(hwnd, nullptr, FALSE); break;
          case SDL_WINDOWEVENT_FOCUS_GAINED:
            Q().foreground = hwnd;
            Q().focus_seen = true;
            break;
          case SDL_WINDOWEVENT_FOCUS_LOST:
            if (Q().foreground == hwnd) Q().foreground = 0;
            break;
          default: break;
        }
        break;
      }
      case SDL_KEYDOWN:
      case SDL_KEYUP: PostKey(e.key); break;
      case SDL_MOUSEMOTION:
        PostMouse(e.motion.windowID, WM_MOUSEMOVE, e.motion.x, e.motion.y, e.motion.state);
        break;
      case SDL_MOUSEBUTTONDOWN:
      case SDL_MOUSEBUTTONUP: {
        bool down = e.type == SDL_MOUSEBUTTONDOWN;
        UINT message;
        if (e.button.button == SDL_BUTTON_LEFT) message = down ? WM_LBUTTONDOWN : WM_LBUTTONUP;
        else if (e.button.button == SDL_BUTTON_RIGHT) message = down ? WM_RBUTTONDOWN : WM_RBUTTONUP;
        else if (e.button.button == SDL_BUTTON_MIDDLE) message = down ? WM_MBUTTONDOWN : WM_MBUTTONUP;
        else break;
        PostMouse(e.button.windowID, message, e.button.x, e.button.y, SDL_GetMouseState(nullptr, nullptr));
        break;
      }
      case SDL_MOUSEWHEEL: {
        HWND hwnd = WindowOfSdl(e.wheel.windowID);
        if (!hwnd) break;
        int delta = e.wheel.y * 120;
        Post(hwnd, WM_MOUSEWHEEL, WPARAM((DWORD(WORD(int16_t(delta))) << 16) | DWORD(MouseKeys(SDL_GetMouseState(nullptr, nullptr)))),
             MAKELPARAM(Q().cursor.x, Q().cursor.y));
        break;
      }
      default: break;
    }
  }
}

bool Matches(const MSG& m, HWND hwnd, UINT lo, UINT hi) {
  if (hwnd && m.hwnd != hwnd) return false;
  if (lo == 0 && hi == 0) return true;
  return m.message >= lo && m.message <= hi;
}

// Finds the next message without waiting: posted and input messages first,
// then WM_QUIT, then WM_PAINT for a window with an update region.
bool Next(MSG* out, HWND hwnd, UINT lo, UINT hi, bool remove) {
  PumpSdl();
  auto& posted = Q().posted;
  for (auto it = posted.begin(); it != posted.end(); ++it) {
    if (!Matches(*it, hwnd, lo, hi)) continue;
    *out = *it;
    if (remove) posted.erase(it);
    return true;
  }
  MSG m{};
  m.time = SDL_GetTicks();
  m.pt = Q().cursor;
  if (Q().quit && !hwnd && (lo == 0 && hi == 0 ? true : (WM_QUIT >= lo && WM_QUIT <= hi))) {
    m.message = WM_QUIT;
    m.wParam = Q().quit_code;
    if (remove) Q().quit = false;
    *out = m;
    return true;
  }
  bool found = false;
  Windows().ForEach([&](HWND h, Window& w) {
    if (found || !w.visible || !w.invalid) return;
    m.hwnd = h;
    m.message = WM_PAINT;
    found = Matches(m, hwnd, lo, hi);
  });
  if (found) *out = m;
  return found;
}

}  // namespace
}  // namespace platform

using namespace platform;

BOOL PeekMessageA(MSG* lpMsg, HWND hWnd, UINT wMsgFilterMin, UINT wMsgFilterMax, UINT wRemoveMsg) {
  if (!lpMsg) return FALSE;
  return Next(lpMsg, hWnd, wMsgFilterMin, wMsgFilterMax, (wRemoveMsg & PM_REMOVE) != 0) ? TRUE : FALSE;
}

BOOL GetMessageA(MSG* lpMsg, HWND hWnd, UINT wMsgFilterMin, UINT wMsgFilterMax) {
  if (!lpMsg) return -1;
  while (!Next(lpMsg, hWnd, wMsgFilterMin, wMsgFilterMax, true)) {
    if (!SDL_WasInit(SDL_INIT_VIDEO)) return -1;  // nothing could ever arrive
    SDL_WaitEventTimeout(nullptr, 10);
  }
  return lpMsg->message == WM_QUIT ? FALSE : TRUE;
}

BOOL TranslateMessage(const MSG* lpMsg) {
  if (!lpMsg || (lpMsg->message != WM_KEYDOWN && lpMsg->message != WM_SYSKEYDOWN)) return FALSE;
  int vk = lpMsg->wParam;
  int ch = 0;
  if ((vk >= '0' && vk <= '9') || vk == VK_SPACE || vk == VK_RETURN || vk == VK_ESCAPE || vk == VK_BACK ||
      vk == VK_TAB) {
    ch = vk;
  } else if (vk >= 'A' && vk <= 'Z') {
    ch = (SDL_GetModState() & (KMOD_SHIFT | KMOD_CAPS)) ? vk : vk + ('a' - 'A');
  }
  if (ch) Post(lpMsg->hwnd, lpMsg->message == WM_KEYDOWN ? WM_CHAR : WM_SYSCHAR, ch, lpMsg->lParam);
  return TRUE;
}

LRESULT DispatchMessageA(const MSG* lpMsg) {
  if (!lpMsg) return 0;
  Window* w = Windows().Get(lpMsg->hwnd);
  if (!w || !w->proc) return 0;
  return w->proc(lpMsg->hwnd, lpMsg->message, lpMsg->wParam, lpMsg->lParam);
}

LRESULT SendMessageA(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
  Window* w = Windows().Get(hWnd);
  if (!w || !w->proc) return 0;
  return w->proc(hWnd, Msg, wParam, lParam);
}

BOOL PostMessageA(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
  if (hWnd && !Windows().Get(hWnd)) return FALSE;
  Post(hWnd, Msg, wParam, lParam);
  return TRUE;
}

void PostQuitMessage(int nExitCode) {
  Q().quit = true;
  Q().quit_code = nExitCode;
}

LRESULT DefWindowProcA(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
  Window* w = Windows().Get(hWnd);
  if (!w) return 0;
  switch (Msg) {
    case WM_CLOSE:
      DestroyWindow(hWnd);
      return 0;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      BeginPaint(hWnd, &ps);
      EndPaint(hWnd, &ps);
      return 0;
    }
    case WM_RBUTTONUP: {
      POINT o = ClientOriginOnScreen(hWnd);
      SendMessageA(hWnd, WM_CONTEXTMENU, WPARAM(hWnd),
                   MAKELPARAM(o.x + GET_X_LPARAM(lParam), o.y + GET_Y_LPARAM(lParam)));
      return 0;
    }
    case WM_CONTEXTMENU:
      if (w->parent) return SendMessageA(w->parent, Msg, wParam, lParam);
      return 0;
    case WM_SYSKEYDOWN:
      if (wParam == VK_F1 + 3 && (DWORD(lParam) & (1u << 29))) SendMessageA(hWnd, WM_SYSCOMMAND, 0xF060, 0);
      return 0;
    case WM_SYSCOMMAND:
      if ((DWORD(wParam) & 0xFFF0) == 0xF060) SendMessageA(hWnd, WM_CLOSE, 0, 0);
      return 0;
    default:
      return 0;
  }
}

HWND SetCapture(HWND hWnd) {
  if (!Windows().Get(hWnd)) return 0;
  HWND previous = Q().capture;
  Q().capture = hWnd;
  if (previous && previous != hWnd) SendMessageA(previous, WM_CAPTURECHANGED, 0, LPARAM(hWnd));
  if (SDL_WasInit(SDL_INIT_VIDEO)) SDL_CaptureMouse(SDL_TRUE);
  return previous;
}

BOOL ReleaseCapture(void) {
  HWND previous = Q().capture;
  Q().capture = 0;
  if (SDL_WasInit(SDL_INIT_VIDEO)) SDL_CaptureMouse(SDL_FALSE);
  if (previous) SendMessageA(previous, WM_CAPTURECHANGED, 0, 0);
  return TRUE;
}

HWND GetCapture(void) {
  if (!Windows().Get(Q().capture)) Q().capture = 0;
  return Q().capture;
}

BOOL GetCursorPos(POINT* lpPoint) {
  if (!lpPoint) return FALSE;
  if (SDL_WasInit(SDL_INIT_VIDEO)) {
    int x = 0, y = 0;
    SDL_Window* focus = SDL_GetMouseFocus();
    SDL_GetMouseState(&x, &y);
    if (focus) {
      HWND hwnd = HWND(reinterpret_cast<uintptr_t>(SDL_GetWindowData(focus, "hwnd")));
      POINT o = ClientOriginOnScreen(hwnd);
      Q().cursor = POINT{o.x + x, o.y + y};
    }
  }
  *lpPoint = Q().cursor;
  return TRUE;
}

BOOL SetCursorPos(int X, int Y) {
  Q().cursor = POINT{X, Y};
  if (!SDL_WasInit(SDL_INIT_VIDEO)) return TRUE;
  if (SDL_WarpMouseGlobal(X, Y) != 0) {
    HWND top = Q().foreground;
    Window* w = Windows().Get(top);
    if (w && w->sdl) {
      POINT o = ClientOriginOnScreen(top);
      SDL_WarpMouseInWindow(w->sdl, X - o.x, Y - o.y);
    }
  }
  return TRUE;
}

HWND GetForegroundWindow(void) {
  HWND hwnd = Q().foreground;
  if (!Windows().Get(hwnd) && Q().focus_seen) return 0;
  if (!Windows().Get(hwnd)) {
    // With no focus events (offscreen), the first top-level window leads.
    hwnd = 0;
    Windows().ForEach([&](HWND h, Window& w) {
      if (!hwnd && !w.parent && w.visible) hwnd = h;
    });
  }
  return hwnd;
}
