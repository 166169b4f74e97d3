// Shaped image buttons over an animated OpenGL picture.
//
// The program writes its own button bitmaps (normal, hover and pressed, at 8
// and 24 bits, magenta where a button is cut away) into a temporary
// directory, opens the library's OpenGL window and places three buttons on
// it. It prints "button N at X Y W H" for each button it made, in the
// window's drawing area, and "click N" for each click a button reports.
// Escape ends it.
#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <ctime>
#include <string>
#include <vector>

#include "lumicore/lumicore.h"

namespace {

constexpr uint32_t kMagenta = 0xFF00FF;

struct Look {
  uint32_t normal, hover, pressed;
};

struct ButtonSpec {
  int id;
  const char* prefix;
  int width, height;
  int bits;
  int x, y;  // where it is created in the drawing area
  Look look;
  bool (*inside)(double u, double v);  // u, v in -1..1 across the image
};

bool Disc(double u, double v) { return u * u + v * v <= 1.0; }
bool Diamond(double u, double v) { return std::fabs(u) + std::fabs(v) <= 1.0; }
bool Cross(double u, double v) { return std::fabs(u) <= 0.35 || std::fabs(v) <= 0.35; }

const ButtonSpec kButtons[] = {
    {101, "disc", 64, 64, 24, 40, 40, {0xE08020, 0xFFD040, 0x803000}, Disc},
    {102, "diamond", 96, 56, 8, 160, 44, {0x20A040, 0x60F080, 0x105020}, Diamond},
    {103, "cross", 60, 60, 24, 300, 40, {0xC0C0C0, 0xFFFFFF, 0x606060}, Cross},
};

void Put16(std::vector<uint8_t>& out, uint16_t v) {
  out.push_back(uint8_t(v));
  out.push_back(uint8_t(v >> 8));
}
void Put32(std::vector<uint8_t>& out, uint32_t v) {
  Put16(out, uint16_t(v));
  Put16(out, uint16_t(v >> 16));
}

// A button image: its colour inside the shape with a darker rim, magenta
// outside. 8-bit images hold a table of the few colours they use.
bool WriteImage(const std::string& path, const ButtonSpec& b, uint32_t color) {
  const uint32_t rim = (color >> 1) & 0x7F7F7F;
  std::vector<uint32_t> table = {kMagenta, color, rim};
  const int bytes_per_pixel = b.bits / 8;
  const int stride = ((b.width * b.bits + 31) / 32) * 4;
  const uint32_t table_bytes = b.bits == 8 ? 4 * uint32_t(table.size()) : 0;
  const uint32_t offset = 14 + 40 + table_bytes;
  std::vector<uint8_t> out;
  out.push_back('B');
  out.push_back('M');
  Put32(out, offset + uint32_t(stride * b.height));
  Put32(out, 0);
  Put32(out, offset);
  Put32(out, 40);
  Put32(out, uint32_t(b.width));
  Put32(out, uint32_t(b.height));
  Put16(out, 1);
  Put16(out, uint16_t(b.bits));
  for (int i = 0; i < 6; ++i) Put32(out, i == 4 && b.bits == 8 ? uint32_t(table.size()) : 0);
  if (b.bits == 8)
    for (uint32_t c : table) Put32(out, c);
  for (int row = b.height - 1; row >= 0; --row) {  // bottom-up
    std::vector<uint8_t> line(size_t(stride), 0);
    for (int x = 0; x < b.width; ++x) {
      double u = (x + 0.5) / b.width * 2 - 1, v = (row + 0.5) / b.height * 2 - 1;
      int index = 0;
      if (b.inside(u, v)) index = b.inside(u * 1.12, v * 1.12) ? 1 : 2;
      if (b.bits == 8) {
        line[size_t(x)] = uint8_t(index);
      } else {
        uint32_t c = table[size_t(index)];
        for (int k = 0; k < bytes_per_pixel; ++k) line[size_t(x * bytes_per_pixel + k)] = uint8_t(c >> (8 * k));
      }
    }
    out.insert(out.end(), line.begin(), line.end());
  }
  FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) return false;
  bool ok = std::fwrite(out.data(), 1, out.size(), file) == out.size();
  return std::fclose(file) == 0 && ok;
}

void NoMenu() {}

LRESULT OnCommand(HWND, UINT, WPARAM wParam, LPARAM) {
  std::printf("click %d\n", int(LOWORD(wParam)));
  std::fflush(stdout);
  return 0;
}

// The picture under the buttons: a slowly turning fan of colours.
void DrawPicture(int frame) {
  glViewport(0, 0, lumicore::Width, lumicore::Height);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glOrtho(-1.0 * lumicore::Width / lumicore::Height, 1.0 * lumicore::Width / lumicore::Height, -1, 1, -1, 1);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  glRotatef(frame * 0.5f, 0, 0, 1);
  glBegin(GL_TRIANGLE_FAN);
  glColor3f(0.1f, 0.1f, 0.2f);
  glVertex2f(0, 0);
  for (int i = 0; i <= 12; ++i) {
    float a = float(i) * 3.14159265f / 6;
    glColor3f(0.2f + 0.2f * (i % 3), 0.1f + 0.1f * (i % 2), 0.5f);
    glVertex2f(2.0f * std::cos(a), 2.0f * std::sin(a));
  }
  glEnd();
}

}  // namespace

int main() {
  char pattern[] = "/tmp/lumicore-buttons-XXXXXX";
  const char* made = mkdtemp(pattern);
  const std::string dir = made ? made : ".";
  std::vector<std::string> files;
  for (const ButtonSpec& b : kButtons) {
    const struct {
      char suffix;
      uint32_t color;
    } images[] = {{'N', b.look.normal}, {'H', b.look.hover}, {'P', b.look.pressed}};
    for (const auto& image : images) {
      std::string path = dir + "/" + b.prefix + image.suffix + ".BMP";
      if (!WriteImage(path, b, image.color)) std::fprintf(stderr, "cannot write %s\n", path.c_str());
      files.push_back(path);
    }
  }

  // WM_COMMAND reaches the application only through the menu hooks.
  lumicore::ShowMenuBar = true;
  lumicore::CreateMenuBar = NoMenu;
  lumicore::CreateMouseMenu = NoMenu;
  lumicore::GetInputCommand = OnCommand;
  lumicore::OGLWindowSetting(lumicore::Arrow, "", lumicore::Generic, "");
  lumicore::CreateOGLWindow("Lumicore image buttons", 480, 200, 32, false);

  // The drawing area's corner inside the window's frame: the side and bottom
  // borders are equal, the caption is the rest.
  RECT outer{}, client{};
  GetWindowRect(lumicore::HWindow, &outer);
  GetClientRect(lumicore::HWindow, &client);
  const long border = ((outer.right - outer.left) - client.right) / 2;
  const long area_left = outer.left + border;
  const long area_top = outer.bottom - border - client.bottom;
  for (const ButtonSpec& b : kButtons) {
    lumicore::BmpType = dir + "/" + b.prefix;
    // The button places itself against its parent's frame, as if under a
    // caption (3 pixels across, 19 down).
    HWND button = CreateWindowExA(0, "IMAGEBUTTON", "", WS_CHILD | WS_VISIBLE, b.x, b.y, 1, 1, lumicore::HWindow,
                                  HMENU(b.id), GetModuleHandleA(nullptr), nullptr);
    RECT r{};
    if (!button || !GetWindowRect(button, &r)) {
      std::fprintf(stderr, "button %d could not be made\n", b.id);
      continue;
    }
    std::printf("button %d at %ld %ld %ld %ld\n", b.id, long(r.left - area_left), long(r.top - area_top),
                long(r.right - r.left), long(r.bottom - r.top));
    std::fflush(stdout);
  }
  lumicore::BmpType.clear();

  int frame = 0;
  const timespec pause{0, 8 * 1000 * 1000};
  while (lumicore::Active) {
    glClear(GL_COLOR_BUFFER_BIT);
    lumicore::SetGLMsg();
    DrawPicture(frame++);
    SwapBuffers(lumicore::DCWindow);
    nanosleep(&pause, nullptr);
  }
  lumicore::DeleteOGLWindow();
  for (const std::string& f : files) std::remove(f.c_str());
  rmdir(dir.c_str());
  return 0;
}
