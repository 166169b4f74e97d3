// Child windows over the GL picture: each visible child's pixels are drawn
// into the back buffer just before the swap, cut to its window region.
#include <GL/gl.h>

#include <algorithm>

#include "internal.h"

namespace platform {
namespace {

typedef void (*WindowPosFn)(GLint, GLint);

// A child's pixels flipped to GL's bottom-up order, clipped to the drawing
// area and with everything outside its region made transparent.
struct Layer {
  int x = 0, y = 0, width = 0, height = 0;  // GL window coordinates of the lower-left corner
  std::vector<uint32_t> pixels;
};

// Opaque where the child's region (or, without one, its rectangle) covers a
// pixel the child has painted; alpha 0 everywhere else.
bool BuildLayer(const Window& child, int left, int top, int area_w, int area_h, Layer& layer) {
  const int w = child.width, h = child.height;
  if (w <= 0 || h <= 0 || child.backing.size() != size_t(w) * size_t(h)) return false;
  const int x0 = std::max(0, -left), y0 = std::max(0, -top);
  const int x1 = std::min(w, area_w - left), y1 = std::min(h, area_h - top);
  if (x0 >= x1 || y0 >= y1) return false;

  std::vector<uint8_t> inside;
  const GdiObject* rgn = child.region ? GdiObjects().Get(child.region) : nullptr;
  if (rgn && rgn->kind == GdiKind::Region) {
    inside.assign(size_t(w) * size_t(h), 0);
    for (const RECT& r : rgn->region.rects) {
      const int rl = std::max<int>(r.left, 0), rr = std::min<int>(r.right, w);
      const int rt = std::max<int>(r.top, 0), rb = std::min<int>(r.bottom, h);
      for (int y = rt; y < rb; ++y)
        if (rl < rr) std::fill(inside.begin() + size_t(y) * w + rl, inside.begin() + size_t(y) * w + rr, 1);
    }
  }

  layer.width = x1 - x0;
  layer.height = y1 - y0;
  layer.x = left + x0;
  layer.y = area_h - (top + y1);
  layer.pixels.resize(size_t(layer.width) * size_t(layer.height));
  for (int row = 0; row < layer.height; ++row) {
    const int cy = y1 - 1 - row;  // GL rows run bottom to top
    const uint32_t* in = &child.backing[size_t(cy) * w];
    uint32_t* out = &layer.pixels[size_t(row) * layer.width];
    for (int cx = x0; cx < x1; ++cx) {
      uint32_t p = in[cx];
      if (!inside.empty() && !inside[size_t(cy) * w + cx]) p = 0;
      out[cx - x0] = p;
    }
  }
  return true;
}

void CollectLayers(HWND parent, int left, int top, int area_w, int area_h, std::vector<Layer>& layers) {
  Window* p = Windows().Get(parent);
  if (!p) return;
  for (HWND hwnd : p->children) {
    Window* child = Windows().Get(hwnd);
    if (!child || !child->visible) continue;
    Layer layer;
    if (BuildLayer(*child, left + child->x, top + child->y, area_w, area_h, layer))
      layers.push_back(std::move(layer));
    CollectLayers(hwnd, left + child->x, top + child->y, area_w, area_h, layers);
  }
}

void DrawLayers(const std::vector<Layer>& layers, int area_w, int area_h) {
  static WindowPosFn window_pos = reinterpret_cast<WindowPosFn>(SDL_GL_GetProcAddress("glWindowPos2i"));

  // Everything the frame may rely on is saved here and put back below.
  glPushAttrib(GL_ALL_ATTRIB_BITS);
  glPushClientAttrib(GL_CLIENT_ALL_ATTRIB_BITS);
  if (!window_pos) {
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glOrtho(0, area_w, 0, area_h, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    glViewport(0, 0, area_w, area_h);
    for (int i = 0; i < 6; ++i) glDisable(GLenum(GL_CLIP_PLANE0 + i));
  }

  for (GLenum cap : {GL_TEXTURE_1D, GL_TEXTURE_2D, GL_TEXTURE_3D, GL_TEXTURE_CUBE_MAP, GL_DEPTH_TEST, GL_STENCIL_TEST, GL_BLEND, GL_FOG,
                     GL_SCISSOR_TEST, GL_COLOR_LOGIC_OP, GL_INDEX_LOGIC_OP, GL_LIGHTING, GL_DITHER})
    glDisable(cap);
  glEnable(GL_ALPHA_TEST);
  glAlphaFunc(GL_GREATER, 0.0f);
  glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
  glDrawBuffer(GL_BACK);
  glPixelZoom(1.0f, 1.0f);
  glPixelTransferi(GL_MAP_COLOR, GL_FALSE);
  for (GLenum scale : {GL_RED_SCALE, GL_GREEN_SCALE, GL_BLUE_SCALE, GL_ALPHA_SCALE}) glPixelTransferf(scale, 1.0f);
  for (GLenum bias : {GL_RED_BIAS, GL_GREEN_BIAS, GL_BLUE_BIAS, GL_ALPHA_BIAS}) glPixelTransferf(bias, 0.0f);
  glPixelStorei(GL_UNPACK_SWAP_BYTES, GL_FALSE);
  glPixelStorei(GL_UNPACK_LSB_FIRST, GL_FALSE);
  glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
  glPixelStorei(GL_UNPACK_SKIP_ROWS, 0);
  glPixelStorei(GL_UNPACK_SKIP_PIXELS, 0);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 4);

  for (const Layer& layer : layers) {
    if (window_pos)
      window_pos(layer.x, layer.y);
    else
      glRasterPos2i(layer.x, layer.y);
    glDrawPixels(layer.width, layer.height, GL_BGRA, GL_UNSIGNED_BYTE, layer.pixels.data());
  }

  if (!window_pos) {
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPopMatrix();
  }
  glPopClientAttrib();
  glPopAttrib();
}

}  // namespace

void ComposeChildren(HWND top) {
  Window* w = Windows().Get(top);
  if (!w || w->children.empty() || !SDL_GL_GetCurrentContext()) return;
  std::vector<Layer> layers;
  CollectLayers(top, 0, 0, w->width, w->height, layers);
  if (!layers.empty()) DrawLayers(layers, w->width, w->height);
}

}  // namespace platform
