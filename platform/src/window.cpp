// Window classes, the window tree, window properties and painting.
#include <algorithm>
#include <cctype>
#include <cstdio>

#include "internal.h"

namespace platform {

WindowTable& Windows() {
  static WindowTable table;
  return table;
}

namespace {

std::map<std::string, WindowClass>& Classes() {
  static std::map<std::string, WindowClass> classes;
  return classes;
}

std::string ClassKey(LPCSTR name) {
  std::string key = name ? name : "";
  for (char& c : key) c = char(std::tolower(static_cast<unsigned char>(c)));
  return key;
}

ATOM AtomOf(const std::string& key) {
  auto& classes = Classes();
  return ATOM(0xC000 + std::distance(classes.begin(), classes.find(key)));
}

// The frame that Windows would draw around a top-level window of this style:
// the client area starts this far right of and below the window's corner.
void FrameOf(DWORD style, int* left, int* top, int* right, int* bottom) {
  if ((style & WS_CAPTION) == WS_CAPTION) {
    *left = *right = *bottom = 3;
    *top = 19;
  } else if (style & WS_BORDER) {
    *left = *right = *top = *bottom = 1;
  } else {
    *left = *right = *top = *bottom = 0;
  }
}

void SetGlAttributes() {
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY);
  SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
  SDL_GL_SetAttribute(SDL_GL_RED_SIZE, 8);
  SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, 8);
  SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, 8);
  SDL_GL_SetAttribute(SDL_GL_ALPHA_SIZE, 8);
  SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 24);
  SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, 8);
}

void DestroyTree(HWND hwnd) {
  Window* w = Windows().Get(hwnd);
  if (!w || w->destroying) return;
  w->destroying = true;
  if (GetCapture() == hwnd) ReleaseCapture();
  if (w->proc) w->proc(hwnd, WM_DESTROY, 0, 0);
  w = Windows().Get(hwnd);
  if (!w) return;
  std::vector<HWND> children = w->children;
  for (HWND child : children) DestroyTree(child);
  w = Windows().Get(hwnd);
  if (!w) return;
  if (Window* parent = Windows().Get(w->parent)) {
    auto& list = parent->children;
    list.erase(std::remove(list.begin(), list.end(), hwnd), list.end());
  }
  if (w->region) {
    if (GdiObject* rgn = GdiObjects().Get(w->region)) rgn->selected_count = 0;
    DeleteObject(w->region);
  }
  if (w->sdl) SDL_DestroyWindow(w->sdl);
  Windows().Remove(hwnd);
}

}  // namespace

POINT ClientOriginOnScreen(HWND hwnd) {
  POINT p{0, 0};
  for (Window* w = Windows().Get(hwnd); w; w = Windows().Get(w->parent)) {
    if (w->sdl) {
      int x = 0, y = 0;
      SDL_GetWindowPosition(w->sdl, &x, &y);
      p.x += x;
      p.y += y;
      break;
    }
    p.x += w->x;
    p.y += w->y;
  }
  return p;
}

HWND TopLevelOf(HWND hwnd) {
  Window* w = Windows().Get(hwnd);
  while (w && w->parent) {
    hwnd = w->parent;
    w = Windows().Get(hwnd);
  }
  return w ? hwnd : 0;
}

}  // namespace platform

using namespace platform;

HMODULE GetModuleHandleA(LPCSTR lpModuleName) {
  // One module: the program itself.
  return lpModuleName ? 0 : HMODULE((uint32_t(kModuleHandle) << 28) | 1);
}

ATOM RegisterClassA(const WNDCLASSA* c) {
  if (!c || !c->lpszClassName || !c->lpfnWndProc) return 0;
  std::string key = ClassKey(c->lpszClassName);
  if (key.empty() || Classes().count(key)) return 0;
  WindowClass wc;
  wc.name = c->lpszClassName;
  wc.record.cbSize = sizeof(WNDCLASSEXA);
  wc.record.style = c->style;
  wc.record.lpfnWndProc = c->lpfnWndProc;
  wc.record.hInstance = c->hInstance;
  wc.record.hIcon = c->hIcon;
  wc.record.hCursor = c->hCursor;
  wc.record.hbrBackground = c->hbrBackground;
  Classes()[key] = wc;
  return AtomOf(key);
}

ATOM RegisterClassExA(const WNDCLASSEXA* c) {
  // 48 is the record's size in the 32-bit Windows layout.
  if (!c || (c->cbSize != 48 && c->cbSize != sizeof(WNDCLASSEXA))) return 0;
  if (!c->lpszClassName || !c->lpfnWndProc) return 0;
  std::string key = ClassKey(c->lpszClassName);
  if (key.empty() || Classes().count(key)) return 0;
  WindowClass wc;
  wc.name = c->lpszClassName;
  wc.record = *c;
  wc.record.lpszClassName = nullptr;
  wc.record.lpszMenuName = nullptr;
  Classes()[key] = wc;
  return AtomOf(key);
}

BOOL GetClassInfoExA(HINSTANCE, LPCSTR lpszClass, WNDCLASSEXA* lpwcx) {
  auto it = Classes().find(ClassKey(lpszClass));
  if (it == Classes().end() || !lpwcx) return FALSE;
  *lpwcx = it->second.record;
  lpwcx->cbSize = sizeof(WNDCLASSEXA);
  lpwcx->lpszClassName = lpszClass;
  return TRUE;
}

HWND CreateWindowExA(DWORD, LPCSTR lpClassName, LPCSTR lpWindowName, DWORD dwStyle, int X, int Y,
                     int nWidth, int nHeight, HWND hWndParent, HMENU hMenu, HINSTANCE, LPVOID) {
  auto it = Classes().find(ClassKey(lpClassName));
  if (it == Classes().end()) return 0;
  if (hWndParent && !Windows().Get(hWndParent)) return 0;
  if ((dwStyle & WS_CHILD) && !hWndParent) return 0;

  Window w;
  w.class_name = it->second.name;
  w.proc = it->second.record.lpfnWndProc;
  w.cursor = it->second.record.hCursor;
  w.style = dwStyle;
  w.title = lpWindowName ? lpWindowName : "";
  w.visible = (dwStyle & WS_VISIBLE) != 0;
  w.invalid = w.visible;
  w.x = X == CW_USEDEFAULT ? 0 : X;
  w.y = X == CW_USEDEFAULT ? 0 : Y;
  w.width = nWidth == CW_USEDEFAULT ? 0 : std::max(0, nWidth);
  w.height = nWidth == CW_USEDEFAULT ? 0 : std::max(0, nHeight);

  if (hWndParent) {
    w.parent = hWndParent;
    w.id = int(hMenu);
    w.backing.assign(size_t(w.width) * w.height, 0);
  } else {
    if (!EnsureVideo() || w.width <= 0 || w.height <= 0 || w.width > 16384 || w.height > 16384) return 0;
    SetGlAttributes();
    Uint32 flags = SDL_WINDOW_OPENGL | (w.visible ? SDL_WINDOW_SHOWN : SDL_WINDOW_HIDDEN);
    if ((dwStyle & WS_CAPTION) != WS_CAPTION) flags |= SDL_WINDOW_BORDERLESS;
    w.sdl = SDL_CreateWindow(w.title.c_str(), w.x, w.y, w.width, w.height, flags);
    if (!w.sdl) {
      std::fprintf(stderr, "video: %s\n", SDL_GetError());
      return 0;
    }
  }

  HWND hwnd = Windows().Add(std::move(w));
  if (!hwnd) return 0;
  Window* created = Windows().Get(hwnd);
  if (created->sdl) {
    SDL_SetWindowData(created->sdl, "hwnd", reinterpret_cast<void*>(uintptr_t(hwnd)));
    ApplyCursor(created->cursor);
    ApplyIcon(created->sdl, it->second.record.hIcon);
  }
  if (Window* parent = Windows().Get(hWndParent)) parent->children.push_back(hwnd);

  if (created->proc(hwnd, WM_CREATE, 0, 0) == -1) {
    DestroyWindow(hwnd);
    return 0;
  }
  return Windows().Get(hwnd) ? hwnd : 0;
}

BOOL ShowWindow(HWND hWnd, int nCmdShow) {
  Window* w = Windows().Get(hWnd);
  if (!w) return FALSE;
  BOOL was_visible = w->visible;
  w->visible = nCmdShow != SW_HIDE;
  if (w->visible) {
    w->style |= WS_VISIBLE;
    if (!was_visible) w->invalid = true;
  } else {
    w->style &= ~WS_VISIBLE;
  }
  if (w->sdl) {
    if (w->visible) SDL_ShowWindow(w->sdl);
    else SDL_HideWindow(w->sdl);
  }
  return was_visible;
}

BOOL UpdateWindow(HWND hWnd) {
  Window* w = Windows().Get(hWnd);
  if (!w) return FALSE;
  if (w->visible && w->invalid) SendMessageA(hWnd, WM_PAINT, 0, 0);
  return TRUE;
}

BOOL DestroyWindow(HWND hWnd) {
  Window* w = Windows().Get(hWnd);
  if (!w || w->destroying) return FALSE;
  DestroyTree(hWnd);
  return TRUE;
}

BOOL IsWindow(HWND hWnd) { return Windows().Get(hWnd) != nullptr; }

int GetSystemMetrics(int nIndex) {
  if (nIndex != SM_CXSCREEN && nIndex != SM_CYSCREEN) return 0;
  if (!EnsureVideo()) return 0;
  SDL_DisplayMode mode;
  if (SDL_GetDesktopDisplayMode(0, &mode) != 0) return 0;
  return nIndex == SM_CXSCREEN ? mode.w : mode.h;
}

HWND GetParent(HWND hWnd) {
  Window* w = Windows().Get(hWnd);
  return w ? w->parent : 0;
}

int GetDlgCtrlID(HWND hWnd) {
  Window* w = Windows().Get(hWnd);
  return w && w->parent ? w->id : 0;
}

BOOL GetWindowRect(HWND hWnd, RECT* lpRect) {
  Window* w = Windows().Get(hWnd);
  if (!w || !lpRect) return FALSE;
  POINT origin = ClientOriginOnScreen(hWnd);
  int left = 0, top = 0, right = 0, bottom = 0;
  if (!w->parent) FrameOf(w->style, &left, &top, &right, &bottom);
  lpRect->left = origin.x - left;
  lpRect->top = origin.y - top;
  lpRect->right = origin.x + w->width + right;
  lpRect->bottom = origin.y + w->height + bottom;
  return TRUE;
}

BOOL GetClientRect(HWND hWnd, RECT* lpRect) {
  Window* w = Windows().Get(hWnd);
  if (!w || !lpRect) return FALSE;
  *lpRect = RECT{0, 0, w->width, w->height};
  return TRUE;
}

BOOL MoveWindow(HWND hWnd, int X, int Y, int nWidth, int nHeight, BOOL bRepaint) {
  Window* w = Windows().Get(hWnd);
  if (!w) return FALSE;
  nWidth = std::clamp(nWidth, 0, 16384);
  nHeight = std::clamp(nHeight, 0, 16384);
  if (w->sdl) {
    // A top-level window's X and Y name its outer corner.
    int left = 0, top = 0, right = 0, bottom = 0;
    FrameOf(w->style, &left, &top, &right, &bottom);
    int cw = std::max(1, nWidth - left - right), ch = std::max(1, nHeight - top - bottom);
    SDL_SetWindowPosition(w->sdl, X + left, Y + top);
    SDL_SetWindowSize(w->sdl, cw, ch);
    w->width = cw;
    w->height = ch;
  } else {
    w->x = X;
    w->y = Y;
    if (w->width != nWidth || w->height != nHeight) {
      w->width = nWidth;
      w->height = nHeight;
      w->backing.assign(size_t(nWidth) * nHeight, 0);
    }
  }
  if (bRepaint) w->invalid = true;
  return TRUE;
}

BOOL InvalidateRect(HWND hWnd, const RECT*, BOOL) {
  Window* w = Windows().Get(hWnd);
  if (!w) return FALSE;
  w->invalid = true;
  return TRUE;
}

int SetWindowRgn(HWND hWnd, HRGN hRgn, BOOL bRedraw) {
  Window* w = Windows().Get(hWnd);
  if (!w) return 0;
  GdiObject* rgn = GdiObjects().Get(hRgn);
  if (hRgn && (!rgn || rgn->kind != GdiKind::Region)) return 0;
  if (w->region && w->region != hRgn) {
    if (GdiObject* old = GdiObjects().Get(w->region)) old->selected_count = 0;
    DeleteObject(w->region);
  }
  w->region = hRgn;
  // The system owns the region now: the application can no longer delete it.
  if (rgn) rgn->selected_count = 1;
  if (bRedraw) w->invalid = true;
  return 1;
}

BOOL SetPropA(HWND hWnd, LPCSTR lpString, HANDLE hData) {
  Window* w = Windows().Get(hWnd);
  if (!w || !lpString) return FALSE;
  w->props[lpString] = hData;
  return TRUE;
}

HANDLE GetPropA(HWND hWnd, LPCSTR lpString) {
  Window* w = Windows().Get(hWnd);
  if (!w || !lpString) return 0;
  auto it = w->props.find(lpString);
  return it == w->props.end() ? 0 : it->second;
}

HANDLE RemovePropA(HWND hWnd, LPCSTR lpString) {
  Window* w = Windows().Get(hWnd);
  if (!w || !lpString) return 0;
  auto it = w->props.find(lpString);
  if (it == w->props.end()) return 0;
  HANDLE value = it->second;
  w->props.erase(it);
  return value;
}

HDC BeginPaint(HWND hWnd, PAINTSTRUCT* lpPaint) {
  Window* w = Windows().Get(hWnd);
  if (!w || !lpPaint) return 0;
  DeviceContext dc;
  dc.window = hWnd;
  HDC hdc = DeviceContexts().Add(dc);
  *lpPaint = PAINTSTRUCT{};
  lpPaint->hdc = hdc;
  lpPaint->rcPaint = RECT{0, 0, w->width, w->height};
  w->invalid = false;
  return hdc;
}

BOOL EndPaint(HWND hWnd, const PAINTSTRUCT* lpPaint) {
  if (!lpPaint) return FALSE;
  DeviceContext* dc = DeviceContexts().Get(lpPaint->hdc);
  if (!dc || dc->window != hWnd) return FALSE;
  DeviceContexts().Remove(lpPaint->hdc);
  return TRUE;
}
