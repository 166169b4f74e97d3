// BMP files for the image loader. SDL's BMP reader trusts the header: it
// allocates width x height pixels before reading any, and it has no notion of
// a file that ends early. Every header is therefore checked against the bytes
// actually present before SDL sees it.
#include <cstdio>
#include <cstring>
#include <vector>

#include "internal.h"

namespace platform {
namespace {

// Files larger than this are not textures or button images.
constexpr long kMaxFileBytes = 256L << 20;
// The widest or tallest image accepted; keeps every size computation small.
constexpr int64_t kMaxSide = 1 << 16;

constexpr uint32_t kBiRgb = 0;

uint32_t Read32(const uint8_t* p) {
  return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}
uint16_t Read16(const uint8_t* p) { return uint16_t(p[0] | (p[1] << 8)); }

bool ReadWholeFile(const char* path, std::vector<uint8_t>& data) {
  if (!path) return false;
  FILE* file = std::fopen(path, "rb");
  if (!file) return false;
  bool ok = false;
  if (std::fseek(file, 0, SEEK_END) == 0) {
    long size = std::ftell(file);
    if (size > 0 && size <= kMaxFileBytes && std::fseek(file, 0, SEEK_SET) == 0) {
      data.resize(size_t(size));
      ok = std::fread(data.data(), 1, data.size(), file) == data.size();
    }
  }
  std::fclose(file);
  return ok;
}

// True when the file holds an uncompressed image whose header, colour table
// and pixel rows all lie inside it.
bool HeaderFitsFile(const std::vector<uint8_t>& data) {
  const int64_t file_size = int64_t(data.size());
  if (file_size < 14 + 40) return false;
  const uint8_t* p = data.data();
  if (p[0] != 'B' || p[1] != 'M') return false;
  const int64_t offset = Read32(p + 10);
  const int64_t info_size = Read32(p + 14);
  // 12 is the core header, which carries 16-bit sizes and 3-byte colours.
  if (info_size < 40 || 14 + info_size > file_size) return false;
  const int64_t width = int32_t(Read32(p + 18));
  const int64_t height = int32_t(Read32(p + 22));
  const int bits = Read16(p + 28);
  const uint32_t compression = Read32(p + 30);
  const int64_t colors_used = Read32(p + 46);
  if (compression != kBiRgb) return false;  // RLE, bit fields, JPEG, PNG
  if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32) return false;
  const int64_t rows = height < 0 ? -height : height;
  if (width <= 0 || width > kMaxSide || rows == 0 || rows > kMaxSide) return false;
  int64_t table_bytes = 0;
  if (bits <= 8) {
    if (colors_used > (int64_t(1) << bits)) return false;
    table_bytes = 4 * (colors_used ? colors_used : (int64_t(1) << bits));
  }
  if (offset < 14 + info_size + table_bytes) return false;
  const int64_t stride = ((width * bits + 31) / 32) * 4;
  return offset + stride * rows <= file_size;
}

}  // namespace

SDL_Surface* LoadBmpSurface(const char* path) {
  std::vector<uint8_t> data;
  if (!ReadWholeFile(path, data) || !HeaderFitsFile(data)) return nullptr;
  SDL_RWops* stream = SDL_RWFromConstMem(data.data(), int(data.size()));
  if (!stream) return nullptr;
  return SDL_LoadBMP_RW(stream, 1);
}

}  // namespace platform
