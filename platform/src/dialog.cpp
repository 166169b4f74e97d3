// Message boxes, cursors and icons, and the status window.
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "internal.h"

namespace platform {
namespace {

PlatformMessageBoxHook g_message_box_hook = nullptr;

struct Cursor {
  int id = 0;  // the system cursor's number, 0 for one loaded from a file
  SDL_Cursor* cursor = nullptr;
  SDL_Surface* image = nullptr;  // cursors from files, also used as icons
};
HandleTable<Cursor, kCursorHandle>& Cursors() {
  static HandleTable<Cursor, kCursorHandle> table;
  return table;
}

bool SystemCursorOf(int id, SDL_SystemCursor* out) {
  switch (id) {
    case 32512: *out = SDL_SYSTEM_CURSOR_ARROW; return true;
    case 32513: *out = SDL_SYSTEM_CURSOR_IBEAM; return true;
    case 32514: *out = SDL_SYSTEM_CURSOR_WAIT; return true;
    case 32515: *out = SDL_SYSTEM_CURSOR_CROSSHAIR; return true;
    case 32516: *out = SDL_SYSTEM_CURSOR_ARROW; return true;  // no up arrow in SDL
    case 32640: *out = SDL_SYSTEM_CURSOR_SIZEALL; return true;
    case 32642: *out = SDL_SYSTEM_CURSOR_SIZENWSE; return true;
    case 32643: *out = SDL_SYSTEM_CURSOR_SIZENESW; return true;
    case 32644: *out = SDL_SYSTEM_CURSOR_SIZEWE; return true;
    case 32645: *out = SDL_SYSTEM_CURSOR_SIZENS; return true;
    case 32646: *out = SDL_SYSTEM_CURSOR_SIZEALL; return true;
    case 32648: *out = SDL_SYSTEM_CURSOR_NO; return true;
    case 32649: *out = SDL_SYSTEM_CURSOR_HAND; return true;
    case 32650: *out = SDL_SYSTEM_CURSOR_WAITARROW; return true;
    case 32651: *out = SDL_SYSTEM_CURSOR_ARROW; return true;  // no help cursor in SDL
    default: return false;
  }
}

HCURSOR SystemCursor(LPCSTR name, bool icon) {
  uintptr_t id = reinterpret_cast<uintptr_t>(name);
  if (id > 0xFFFF) return 0;  // named resources: this program has none
  SDL_SystemCursor kind;
  if (icon ? id != 32512 : !SystemCursorOf(int(id), &kind)) return 0;
  int key = icon ? -int(id) : int(id);
  HCURSOR found = 0;
  Cursors().ForEach([&](HANDLE h, Cursor& c) {
    if (c.id == key) found = h;
  });
  if (found) return found;
  Cursor c;
  c.id = key;
  if (!icon && EnsureVideo()) c.cursor = SDL_CreateSystemCursor(kind);
  return Cursors().Add(c);
}

int AskOnTerminal(LPCSTR text, LPCSTR caption, UINT type) {
  std::fprintf(stderr, "%s: %s\n", caption ? caption : "", text ? text : "");
  bool yes_no = (type & 0xF) == MB_YESNO;
  if (!yes_no) return IDOK;
  if (!isatty(STDIN_FILENO)) return IDNO;  // the Escape-key answer
  std::fprintf(stderr, "[s/N] ");
  char line[16] = {0};
  if (!std::fgets(line, sizeof line, stdin)) return IDNO;
  return (line[0] == 's' || line[0] == 'S' || line[0] == 'y' || line[0] == 'Y') ? IDYES : IDNO;
}

constexpr const char* kStatusClass = "msctls_statusbar32";

LRESULT StatusProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == SB_SETPARTS) {
    Window* w = Windows().Get(hwnd);
    const int* edges = reinterpret_cast<const int*>(lParam);
    if (!w || wParam < 0 || wParam > 256) return FALSE;
    w->status_parts.assign(edges ? edges : nullptr, edges ? edges + wParam : nullptr);
    return TRUE;
  }
  return DefWindowProcA(hwnd, msg, wParam, lParam);
}

}  // namespace
}  // namespace platform

using namespace platform;

void PlatformSetMessageBoxHook(PlatformMessageBoxHook hook) { g_message_box_hook = hook; }

int MessageBoxA(HWND, LPCSTR lpText, LPCSTR lpCaption, UINT uType) {
  if (g_message_box_hook) return g_message_box_hook(lpText, lpCaption, uType);
  bool yes_no = (uType & 0xF) == MB_YESNO;
  SDL_MessageBoxButtonData buttons[2];
  int count;
  if (yes_no) {
    buttons[0] = {SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT, IDYES, "Yes"};
    buttons[1] = {SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT, IDNO, "No"};
    count = 2;
  } else {
    buttons[0] = {SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT | SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT, IDOK, "OK"};
    count = 1;
  }
  SDL_MessageBoxData data{};
  data.flags = (yes_no ? SDL_MESSAGEBOX_INFORMATION : SDL_MESSAGEBOX_ERROR) | SDL_MESSAGEBOX_BUTTONS_LEFT_TO_RIGHT;
  data.title = lpCaption ? lpCaption : "";
  data.message = lpText ? lpText : "";
  data.numbuttons = count;
  data.buttons = buttons;
  // As with windows, a busy X server may refuse the box's connection once.
  const int attempts = (SDL_getenv("DISPLAY") || SDL_getenv("WAYLAND_DISPLAY")) ? 3 : 1;
  for (int attempt = 0; attempt < attempts; ++attempt) {
    int answer = 0;
    // A box closed without a button gives the Escape-key answer.
    if (SDL_ShowMessageBox(&data, &answer) == 0) return answer > 0 ? answer : yes_no ? IDNO : IDOK;
  }
  return AskOnTerminal(lpText, lpCaption, uType);
}

HCURSOR LoadCursorA(HINSTANCE hInstance, LPCSTR lpCursorName) {
  return hInstance ? 0 : SystemCursor(lpCursorName, false);
}

HICON LoadIconA(HINSTANCE hInstance, LPCSTR lpIconName) {
  return hInstance ? 0 : SystemCursor(lpIconName, true);
}

HCURSOR LoadCursorFromFileA(LPCSTR lpFileName) {
  if (!lpFileName || !*lpFileName) return 0;
  SDL_Surface* image = LoadBmpSurface(lpFileName);
  if (!image) return 0;
  Cursor c;
  c.image = image;
  if (EnsureVideo()) c.cursor = SDL_CreateColorCursor(image, 0, 0);
  HCURSOR handle = Cursors().Add(c);
  if (!handle) {
    if (c.cursor) SDL_FreeCursor(c.cursor);
    SDL_FreeSurface(image);
  }
  return handle;
}

HWND CreateStatusWindowA(LONG style, LPCSTR lpszText, HWND hwndParent, UINT wID) {
  Window* parent = Windows().Get(hwndParent);
  if (!parent) return 0;
  WNDCLASSEXA info;
  if (!GetClassInfoExA(0, kStatusClass, &info)) {
    WNDCLASSA wc{};
    wc.lpfnWndProc = StatusProc;
    wc.lpszClassName = kStatusClass;
    RegisterClassA(&wc);
  }
  const int height = 22;
  return CreateWindowExA(0, kStatusClass, lpszText, DWORD(style), 0, parent->height - height, parent->width,
                         height, hwndParent, HMENU(wID), 0, nullptr);
}

namespace platform {

// The cursor a window's class names, shown while the pointer is over it.
void ApplyCursor(HCURSOR cursor) {
  Cursor* c = Cursors().Get(cursor);
  if (c && c->cursor) SDL_SetCursor(c->cursor);
}

// A class icon loaded from a file becomes the window's icon.
void ApplyIcon(SDL_Window* window, HICON icon) {
  Cursor* c = Cursors().Get(icon);
  if (window && c && c->image) SDL_SetWindowIcon(window, c->image);
}

}  // namespace platform
