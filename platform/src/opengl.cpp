// Device contexts of windows, the pixel format, GL contexts and the swap.
#include "internal.h"

namespace platform {

DcTable& DeviceContexts() {
  static DcTable table;
  return table;
}

namespace {

struct GlContext {
  SDL_GLContext context = nullptr;
  HWND window = 0;  // the window it was made for
};
HandleTable<GlContext, kGlrcHandle>& Contexts() {
  static HandleTable<GlContext, kGlrcHandle> table;
  return table;
}

HGLRC g_current = 0;
int g_swap_interval = 1;

// The one format every window offers: what CreateWindowExA asked SDL for.
constexpr int kFormat = 1;

Window* WindowOfDc(HDC hdc) {
  DeviceContext* dc = DeviceContexts().Get(hdc);
  if (!dc || dc->memory) return nullptr;
  Window* w = Windows().Get(dc->window);
  return w && w->sdl ? w : nullptr;
}

}  // namespace
}  // namespace platform

using namespace platform;

HDC GetDC(HWND hWnd) {
  if (hWnd && !Windows().Get(hWnd)) return 0;
  DeviceContext dc;
  dc.window = hWnd;  // 0: the screen
  return DeviceContexts().Add(dc);
}

int ReleaseDC(HWND hWnd, HDC hDC) {
  DeviceContext* dc = DeviceContexts().Get(hDC);
  if (!dc || dc->memory || dc->window != hWnd) return 0;
  if (hWnd && !Windows().Get(hWnd)) return 0;
  DeviceContexts().Remove(hDC);
  return 1;
}

int ChoosePixelFormat(HDC hdc, const PIXELFORMATDESCRIPTOR* ppfd) {
  if (!WindowOfDc(hdc) || !ppfd || ppfd->nSize != sizeof(PIXELFORMATDESCRIPTOR) || ppfd->nVersion != 1)
    return 0;
  // Colour-index formats and surfaces GL cannot draw on are not offered.
  if (ppfd->iPixelType != PFD_TYPE_RGBA || !(ppfd->dwFlags & PFD_SUPPORT_OPENGL)) return 0;
  return kFormat;
}

BOOL SetPixelFormat(HDC hdc, int format, const PIXELFORMATDESCRIPTOR*) {
  Window* w = WindowOfDc(hdc);
  if (!w || format != kFormat || w->pixel_format != 0) return FALSE;
  w->pixel_format = format;
  return TRUE;
}

HGLRC wglCreateContext(HDC hdc) {
  Window* w = WindowOfDc(hdc);
  if (!w || w->pixel_format == 0) return 0;
  SDL_Window* previous_window = SDL_GL_GetCurrentWindow();
  SDL_GLContext previous = SDL_GL_GetCurrentContext();
  SDL_GLContext context = SDL_GL_CreateContext(w->sdl);
  if (!context) return 0;
  // SDL makes a new context current; Windows does not.
  SDL_GL_MakeCurrent(previous_window, previous);
  HGLRC handle = Contexts().Add(GlContext{context, DeviceContexts().Get(hdc)->window});
  if (!handle) SDL_GL_DeleteContext(context);
  return handle;
}

BOOL wglMakeCurrent(HDC hdc, HGLRC hglrc) {
  if (!hglrc) {
    if (SDL_WasInit(SDL_INIT_VIDEO)) SDL_GL_MakeCurrent(nullptr, nullptr);
    g_current = 0;
    return TRUE;
  }
  Window* w = WindowOfDc(hdc);
  GlContext* c = Contexts().Get(hglrc);
  if (!w || !c || w->pixel_format == 0) return FALSE;
  if (SDL_GL_MakeCurrent(w->sdl, c->context) != 0) return FALSE;
  SDL_GL_SetSwapInterval(g_swap_interval);
  g_current = hglrc;
  return TRUE;
}

BOOL wglDeleteContext(HGLRC hglrc) {
  GlContext* c = Contexts().Get(hglrc);
  if (!c) return FALSE;
  if (g_current == hglrc) wglMakeCurrent(0, 0);
  SDL_GL_DeleteContext(c->context);
  Contexts().Remove(hglrc);
  return TRUE;
}

BOOL SwapBuffers(HDC hdc) {
  DeviceContext* dc = DeviceContexts().Get(hdc);
  Window* w = WindowOfDc(hdc);
  if (!w || w->pixel_format == 0) return FALSE;
  if (!w->children.empty()) ComposeChildren(dc->window);
  SDL_GL_SwapWindow(w->sdl);
  return TRUE;
}

void PlatformSetSwapInterval(int interval) {
  g_swap_interval = interval;
  if (g_current) SDL_GL_SetSwapInterval(interval);
}
