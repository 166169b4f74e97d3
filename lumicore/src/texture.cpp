// Numbered texture slots filled from 24 and 32-bit BMP files.
#include <GL/glu.h>

#include <cstdint>
#include <cstdio>

#include "lumicore/lumicore.h"

namespace lumicore {

GLuint TextureID2[TEXTURE_SLOTS] = {};
GLint GL_MIN_FILTER = GL_LINEAR;
GLint GL_MAG_FILTER = GL_LINEAR;

namespace {

bool ValidSlot(int Num) { return Num >= 0 && Num < TEXTURE_SLOTS; }

bool IsMipmapFilter(GLint filter) {
  return filter == GL_NEAREST_MIPMAP_NEAREST || filter == GL_NEAREST_MIPMAP_LINEAR ||
         filter == GL_LINEAR_MIPMAP_NEAREST || filter == GL_LINEAR_MIPMAP_LINEAR;
}

}  // namespace

int GetBmpDepth(const char* BmpFile) {
  if (!BmpFile) return 0;
  FILE* file = std::fopen(BmpFile, "rb");
  if (!file) return 0;
  uint8_t header[54];
  const size_t got = std::fread(header, 1, sizeof header, file);
  std::fclose(file);
  if (got < 14 || header[0] != 'B' || header[1] != 'M') return 0;
  if (got < sizeof header) return 0;
  const uint32_t info_size = uint32_t(header[14]) | (uint32_t(header[15]) << 8) |
                             (uint32_t(header[16]) << 16) | (uint32_t(header[17]) << 24);
  if (info_size == 12) return 0;  // the core header keeps its depth elsewhere
  return header[28] | (header[29] << 8);
}

void SwapRGB(void* Data, int Size) {
  if (!Data) return;
  auto* pixel = static_cast<uint8_t*>(Data);
  for (int i = 0; i < Size; ++i, pixel += 3) {
    const uint8_t blue = pixel[0];
    pixel[0] = pixel[2];
    pixel[2] = blue;
  }
}

void AddMipmapsTexture(int Format, int Width, int Height, const void* Bits) {
  if (Format == 24)
    gluBuild2DMipmaps(GL_TEXTURE_2D, 3, Width, Height, GL_RGB, GL_UNSIGNED_BYTE, Bits);
  else if (Format == 32)
    gluBuild2DMipmaps(GL_TEXTURE_2D, 4, Width, Height, GL_BGRA_EXT, GL_UNSIGNED_BYTE, Bits);
}

void TextureLoadID(const char* BmpFile, int Num) {
  if (!ValidSlot(Num)) return;
  const int Format = GetBmpDepth(BmpFile);
  HBITMAP bitmap = BmpFile ? HBITMAP(LoadImageA(GetModuleHandleA(nullptr), BmpFile, IMAGE_BITMAP, 0, 0,
                                                LR_LOADFROMFILE | LR_LOADTRANSPARENT | LR_CREATEDIBSECTION))
                           : 0;
  BITMAP record{};
  // The pixels are used only when the loader's bitmap has the depth the
  // probe read; anything else would be read with the wrong pixel size.
  const bool have_pixels = bitmap && GetObjectA(bitmap, int(sizeof record), &record) != 0 && record.bmBits &&
                           record.bmBitsPixel == Format && record.bmWidth > 0 && record.bmHeight > 0;
  auto* bits = static_cast<uint8_t*>(have_pixels ? record.bmBits : nullptr);

  if (bits && Format == 24) {
    // Row by row: rows are padded to 4 bytes and the padding is not a pixel.
    for (LONG row = 0; row < record.bmHeight; ++row)
      SwapRGB(bits + size_t(row) * size_t(record.bmWidthBytes), record.bmWidth);
  }

  glEnable(GL_TEXTURE_2D);
  const GLuint replaced = TextureID2[Num];
  glGenTextures(1, &TextureID2[Num]);
  glBindTexture(GL_TEXTURE_2D, TextureID2[Num]);
  if (replaced) glDeleteTextures(1, &replaced);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
  glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
  glPixelStorei(GL_UNPACK_SKIP_ROWS, 0);
  glPixelStorei(GL_UNPACK_SKIP_PIXELS, 0);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_MIN_FILTER);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_MAG_FILTER);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);

  if (bits) {
    if (Format == 24)
      glTexImage2D(GL_TEXTURE_2D, 0, 3, record.bmWidth, record.bmHeight, 0, GL_RGB, GL_UNSIGNED_BYTE, bits);
    else if (Format == 32)
      glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, record.bmWidth, record.bmHeight, 0, GL_BGRA_EXT,
                   GL_UNSIGNED_BYTE, bits);
    if (IsMipmapFilter(GL_MIN_FILTER)) AddMipmapsTexture(Format, record.bmWidth, record.bmHeight, bits);
  }
  // GL holds its own copy of every level by now.
  if (bitmap) DeleteObject(bitmap);
}

void TextureSelectID(int Num) {
  if (!ValidSlot(Num)) return;
  glBindTexture(GL_TEXTURE_2D, TextureID2[Num]);
}

}  // namespace lumicore
