// umbrafield-shot: renders the demo's own frames without a display and
// writes the picture as a PNG file.
#include <png.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "umbrafield.h"

namespace {

const char kUsage[] =
    "usage: umbrafield-shot [--frame N] [--shadow 0|1|2] [--out PATH]\n"
    "                       [--xrot DEGREES] [--yrot DEGREES] [--depth UNITS]\n"
    "Renders the demo headless and writes the picture after N frames (1 by\n"
    "default) as a PNG file (umbrafield.png by default). The scene textures\n"
    "are read from the working directory, as the demo reads them.\n";

std::vector<unsigned char> g_pixels;

void Capture() {
  const int w = lumicore::Width, h = lumicore::Height;
  g_pixels.assign(size_t(w) * h * 3, 0);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadBuffer(GL_BACK);
  glReadPixels(0, 0, w, h, GL_RGB, GL_UNSIGNED_BYTE, g_pixels.data());
}

bool WritePng(const char* path, int w, int h, const std::vector<unsigned char>& rgb) {
  FILE* f = std::fopen(path, "wb");
  if (!f) return false;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  if (!png || !info || setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    std::fclose(f);
    return false;
  }
  png_init_io(png, f);
  png_set_IHDR(png, info, w, h, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  // GL's rows run bottom-up; PNG's top-down.
  for (int y = h - 1; y >= 0; --y) png_write_row(png, &rgb[size_t(y) * w * 3]);
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return std::fclose(f) == 0;
}

int AnswerWindowed(LPCSTR, LPCSTR, UINT) { return IDNO; }

bool ParseInt(const char* s, long lo, long hi, long* out) {
  char* end = nullptr;
  long v = std::strtol(s, &end, 10);
  if (!*s || *end || v < lo || v > hi) return false;
  *out = v;
  return true;
}

bool ParseFloat(const char* s, float* out) {
  char* end = nullptr;
  float v = std::strtof(s, &end);
  if (!*s || *end) return false;
  *out = v;
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  long frames = 1, shadow = 0;
  float xrot = 0, yrot = 0, depth = 0;
  std::string out = "umbrafield.png";
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    if (a == "--help" || a == "-h") {
      std::fputs(kUsage, stdout);
      return 0;
    }
    const char* v = i + 1 < argc ? argv[i + 1] : nullptr;
    bool ok = v != nullptr;
    if (a == "--frame") ok = ok && ParseInt(v, 1, 1000000, &frames);
    else if (a == "--shadow") ok = ok && ParseInt(v, 0, 2, &shadow);
    else if (a == "--out") ok = ok && *v;
    else if (a == "--xrot") ok = ok && ParseFloat(v, &xrot);
    else if (a == "--yrot") ok = ok && ParseFloat(v, &yrot);
    else if (a == "--depth") ok = ok && ParseFloat(v, &depth);
    else ok = false;
    if (!ok) {
      std::fprintf(stderr, "umbrafield-shot: bad argument '%s'\n%s", a.c_str(), kUsage);
      return 2;
    }
    if (a == "--out") out = v;
    ++i;
  }

  setenv("SDL_VIDEODRIVER", "offscreen", 1);
  PlatformSetMessageBoxHook(AnswerWindowed);
  PlatformSetSwapInterval(0);
  umbrafield::Start(umbrafield::AskFullScreen());
  lumicore::XRot = xrot;
  lumicore::YRot = yrot;
  lumicore::Depth = depth;
  umbrafield::SelectTypeShadow = int(shadow);
  for (long n = 1; n <= frames; ++n) umbrafield::LoopPass(n == frames ? Capture : nullptr);
  const int w = lumicore::Width, h = lumicore::Height;
  lumicore::DeleteOGLWindow();
  if (!WritePng(out.c_str(), w, h, g_pixels)) {
    std::fprintf(stderr, "umbrafield-shot: cannot write %s\n", out.c_str());
    return 1;
  }
  std::printf("%s\n", out.c_str());
  return 0;
}
