// bmp_seeds OUTDIR: writes a seed corpus of small BMP files, one per depth
// and layout the loader accepts, plus a few it must refuse.
#include <filesystem>
#include <string>
#include <vector>

#include "bmp_fixture.h"

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  const std::string dir = std::string(argv[1]) + "/";
  std::error_code error;
  std::filesystem::create_directories(argv[1], error);
  int n = 0;
  auto write = [&](const std::vector<uint8_t>& bytes) {
    return bmpfix::WriteFile(dir + "seed" + std::to_string(n++) + ".bmp", bytes);
  };
  bool ok = true;
  for (uint16_t bits : {1, 4, 8, 16, 24, 32})
    for (int32_t height : {3, -2})
      for (uint32_t info : {40u, 108u}) {
        bmpfix::Header h;
        h.width = 5;
        h.height = height;
        h.bits = bits;
        h.info_size = info;
        const int colors = bits <= 8 ? 1 << bits : 0;
        std::vector<std::vector<uint8_t>> rows;
        for (int r = 0; r < (height < 0 ? -height : height); ++r)
          rows.push_back(std::vector<uint8_t>(bmpfix::Stride(5, bits), uint8_t(bits <= 8 ? 1 : 0x5A + r)));
        ok = write(bmpfix::Build(h, std::vector<uint32_t>(size_t(colors), 0x00808080u), rows)) && ok;
      }
  bmpfix::Header rle;
  rle.bits = 8;
  rle.compression = 1;
  ok = write(bmpfix::Build(rle, std::vector<uint32_t>(256), {{0, 0}})) && ok;
  bmpfix::Header core;
  core.info_size = 12;
  ok = write(bmpfix::Build(core, {}, {{1, 2, 3}})) && ok;
  return ok ? 0 : 1;
}
