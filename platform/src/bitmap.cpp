// LoadImageA for BMP files: a device-independent bitmap at the file's own
// depth, rows padded to 4 bytes and kept in the file's row order. SDL decodes
// the file; its surface is always top-down, expands 1 and 4-bit images to
// one byte per pixel and rewrites an all-zero fourth byte of 32-bit pixels,
// so the surface is repacked here into the layout the file itself has.
#include <cstdio>
#include <cstring>
#include <vector>

#include "internal.h"

namespace platform {
namespace {

// The header fields that decide the layout. LoadBmpSurface has already
// refused every file whose header does not fit it.
struct FileLayout {
  int width = 0;
  int rows = 0;
  int bits = 0;
  bool top_down = false;
  int colors = 0;
  uint32_t offset = 0;
  std::vector<uint8_t> data;
};

uint32_t Read32(const uint8_t* p) {
  return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}

bool ReadLayout(const char* path, FileLayout& layout) {
  FILE* file = std::fopen(path, "rb");
  if (!file) return false;
  std::vector<uint8_t>& data = layout.data;
  uint8_t chunk[65536];
  size_t got;
  while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0) data.insert(data.end(), chunk, chunk + got);
  std::fclose(file);
  if (data.size() < 54) return false;
  const uint8_t* p = data.data();
  int32_t height = int32_t(Read32(p + 22));
  layout.width = int32_t(Read32(p + 18));
  layout.top_down = height < 0;
  layout.rows = layout.top_down ? -height : height;
  layout.bits = p[28] | (p[29] << 8);
  layout.offset = Read32(p + 10);
  if (layout.bits <= 8) {
    uint32_t used = Read32(p + 46);
    layout.colors = used ? int(used) : 1 << layout.bits;
  }
  return true;
}

// Packs one top-down surface row of 8-bit indices into 1 or 4-bit pixels,
// leftmost pixel in the high bits as BMP files hold them.
void PackIndices(const uint8_t* indices, int width, int bits, uint8_t* out) {
  const int per_byte = 8 / bits;
  const uint8_t mask = uint8_t((1 << bits) - 1);
  for (int x = 0; x < width; ++x) {
    const int shift = 8 - bits * (x % per_byte + 1);
    out[x / per_byte] |= uint8_t((indices[x] & mask) << shift);
  }
}

HBITMAP BitmapFromFile(const char* path) {
  SDL_Surface* surface = LoadBmpSurface(path);
  if (!surface) return 0;
  FileLayout layout;
  // The file is read a second time; it must still be the one SDL decoded.
  bool ok = ReadLayout(path, layout) && surface->w == layout.width && surface->h == layout.rows;
  const int stride = ok ? int(((int64_t(layout.width) * layout.bits + 31) / 32) * 4) : 0;
  if (ok) ok = uint64_t(layout.offset) + uint64_t(stride) * uint64_t(layout.rows) <= layout.data.size();
  if (ok) ok = layout.bits <= 8 ? surface->format->BytesPerPixel == 1 && surface->format->palette
                                : surface->format->BytesPerPixel * 8 == layout.bits;
  if (!ok || SDL_LockSurface(surface) != 0) {
    SDL_FreeSurface(surface);
    return 0;
  }

  GdiObject object;
  object.kind = GdiKind::Bitmap;
  GdiBitmap& bitmap = object.bitmap;
  bitmap.width = layout.width;
  bitmap.height = layout.rows;
  bitmap.bits = layout.bits;
  bitmap.top_down = layout.top_down;
  bitmap.stride = stride;
  bitmap.pixels.assign(size_t(bitmap.stride) * size_t(layout.rows), 0);

  const size_t row_bytes = (size_t(layout.width) * size_t(layout.bits) + 7) / 8;
  const auto* source = static_cast<const uint8_t*>(surface->pixels);
  for (int y = 0; y < layout.rows; ++y) {
    // Surface row y is the image's y-th row from the top.
    const int row = layout.top_down ? y : layout.rows - 1 - y;
    const uint8_t* in = source + size_t(y) * size_t(surface->pitch);
    uint8_t* out = bitmap.pixels.data() + size_t(row) * size_t(bitmap.stride);
    if (layout.bits < 8)
      PackIndices(in, layout.width, layout.bits, out);
    else
      std::memcpy(out, in, row_bytes);
  }
  SDL_UnlockSurface(surface);

  if (layout.bits == 32) {
    // The fourth byte as the file holds it.
    for (int row = 0; row < layout.rows; ++row) {
      const uint8_t* in = layout.data.data() + layout.offset + size_t(row) * size_t(bitmap.stride);
      uint8_t* out = bitmap.pixels.data() + size_t(row) * size_t(bitmap.stride);
      for (int x = 0; x < layout.width; ++x) out[4 * x + 3] = in[4 * x + 3];
    }
  }

  if (layout.bits <= 8) {
    const SDL_Palette* palette = surface->format->palette;
    const int count = layout.colors < palette->ncolors ? layout.colors : palette->ncolors;
    for (int i = 0; i < count; ++i) {
      const SDL_Color& c = palette->colors[i];
      bitmap.colors.push_back(RGBQUAD{c.b, c.g, c.r, 0});
    }
  }
  SDL_FreeSurface(surface);
  return GdiObjects().Add(std::move(object));
}

}  // namespace
}  // namespace platform

// LR_LOADTRANSPARENT would recolour a palette image's background to the
// window colour; it is accepted and has no effect at any depth. The desired
// size (cx, cy) is ignored: files load at their own size.
HANDLE LoadImageA(HINSTANCE, LPCSTR name, UINT type, int, int, UINT fuLoad) {
  if (type != IMAGE_BITMAP || !(fuLoad & LR_LOADFROMFILE) || !name) return 0;
  return platform::BitmapFromFile(name);
}
