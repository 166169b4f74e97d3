#include "gl_context.h"

#include <SDL.h>

namespace testgl {
namespace {
SDL_Window* g_window = nullptr;
SDL_GLContext g_context = nullptr;
int g_width = 0, g_height = 0;
}  // namespace

bool MakeContext(int width, int height) {
  if (g_window && g_width == width && g_height == height) {
    SDL_GL_MakeCurrent(g_window, g_context);
    lumicore::Width = width;
    lumicore::Height = height;
    return true;
  }
  if (g_context) SDL_GL_DeleteContext(g_context);
  if (g_window) SDL_DestroyWindow(g_window);
  g_context = nullptr;
  g_window = nullptr;
  if (!SDL_WasInit(SDL_INIT_VIDEO) && SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) return false;
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY);
  SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
  SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 24);
  SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, 8);
  SDL_GL_SetAttribute(SDL_GL_ALPHA_SIZE, 8);
  g_window = SDL_CreateWindow("test", 0, 0, width, height, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
  if (!g_window) return false;
  g_context = SDL_GL_CreateContext(g_window);
  if (!g_context) return false;
  SDL_GL_MakeCurrent(g_window, g_context);
  g_width = width;
  g_height = height;
  lumicore::Width = width;
  lumicore::Height = height;
  return true;
}

void ResetContext() {
  if (g_context) SDL_GL_DeleteContext(g_context);
  g_context = SDL_GL_CreateContext(g_window);
  SDL_GL_MakeCurrent(g_window, g_context);
}

std::vector<FeedbackPolygon> CapturePolygons(void (*draw)(), int buffer_floats) {
  std::vector<GLfloat> buffer(buffer_floats);
  glFeedbackBuffer(buffer_floats, GL_4D_COLOR_TEXTURE, buffer.data());
  glRenderMode(GL_FEEDBACK);
  draw();
  GLint count = glRenderMode(GL_RENDER);
  std::vector<FeedbackPolygon> polygons;
  const int stride = 12;
  for (GLint i = 0; i < count;) {
    GLint token = GLint(buffer[i++]);
    if (token == GL_POLYGON_TOKEN) {
      GLint n = GLint(buffer[i++]);
      FeedbackPolygon poly;
      for (GLint k = 0; k < n && i + stride <= count; ++k, i += stride) {
        const GLfloat* f = &buffer[i];
        poly.vertices.push_back({f[0], f[1], f[2], f[3], f[4], f[5], f[6], f[7], f[8], f[9], f[10], f[11]});
      }
      polygons.push_back(std::move(poly));
    } else if (token == GL_POINT_TOKEN || token == GL_BITMAP_TOKEN || token == GL_DRAW_PIXEL_TOKEN ||
               token == GL_COPY_PIXEL_TOKEN) {
      i += stride;
    } else if (token == GL_LINE_TOKEN || token == GL_LINE_RESET_TOKEN) {
      i += 2 * stride;
    } else if (token == GL_PASS_THROUGH_TOKEN) {
      i += 1;
    } else {
      break;
    }
  }
  return polygons;
}

void OrthoView(double left, double right, double bottom, double top, double near_z, double far_z) {
  glViewport(0, 0, lumicore::Width, lumicore::Height);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glOrtho(left, right, bottom, top, near_z, far_z);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
}

std::vector<uint8_t> ReadPixels(int width, int height) {
  std::vector<uint8_t> pixels(size_t(width) * height * 4);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
  return pixels;
}

void GLTest::SetUp() {
  ASSERT_TRUE(MakeContext(kWidth, kHeight)) << SDL_GetError();
  ResetContext();
}

}  // namespace testgl
