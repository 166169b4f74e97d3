// BitmapToRegion on 1024 x 1024 images: a large disc with a few holes (about
// two runs a row) and fine stripes (256 runs a row, 128 batches in all).
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "lumicore/lumicore.h"

namespace {

constexpr int kSize = 1024;
constexpr uint32_t kMagenta = 0xFF00FF;

void Put32(std::vector<uint8_t>& out, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) out[at + i] = uint8_t(v >> (8 * i));
}

// A 24-bit BMP of the picture that `color(x, y)` paints (y from the top).
template <class F>
std::string WriteImage(const char* name, F color) {
  const size_t stride = kSize * 3, offset = 54;
  std::vector<uint8_t> out(offset + stride * kSize, 0);
  out[0] = 'B';
  out[1] = 'M';
  Put32(out, 2, uint32_t(out.size()));
  Put32(out, 10, uint32_t(offset));
  Put32(out, 14, 40);
  Put32(out, 18, kSize);
  Put32(out, 22, kSize);
  out[26] = 1;
  out[28] = 24;
  for (int y = 0; y < kSize; ++y) {
    uint8_t* row = &out[offset + stride * size_t(kSize - 1 - y)];
    for (int x = 0; x < kSize; ++x) {
      uint32_t c = color(x, y);
      row[3 * x] = uint8_t(c);
      row[3 * x + 1] = uint8_t(c >> 8);
      row[3 * x + 2] = uint8_t(c >> 16);
    }
  }
  std::string path = "/tmp/bench_region_" + std::to_string(getpid()) + "_" + name + ".bmp";
  FILE* file = std::fopen(path.c_str(), "wb");
  if (file) {
    std::fwrite(out.data(), 1, out.size(), file);
    std::fclose(file);
  }
  return path;
}

void Run(benchmark::State& state, const std::string& path) {
  for (auto _ : state) {
    HRGN rgn = lumicore::BitmapToRegion(path.c_str(), 0x00FF00FF, 1);
    if (!rgn) {
      state.SkipWithError("no region");
      break;
    }
    benchmark::DoNotOptimize(rgn);
    DeleteObject(rgn);
  }
  state.SetItemsProcessed(int64_t(state.iterations()) * kSize * kSize);
  std::remove(path.c_str());
}

void BM_BitmapToRegionDisc(benchmark::State& state) {
  Run(state, WriteImage("disc", [](int x, int y) {
        int dx = x - kSize / 2, dy = y - kSize / 2;
        bool hole = ((x / 128) + (y / 128)) % 3 == 0 && (x % 128) > 40 && (x % 128) < 88;
        return dx * dx + dy * dy < 500 * 500 && !hole ? 0x3070C0u : kMagenta;
      }));
}
BENCHMARK(BM_BitmapToRegionDisc)->Unit(benchmark::kMillisecond);

void BM_BitmapToRegionStripes(benchmark::State& state) {
  Run(state, WriteImage("stripes", [](int x, int) { return (x / 2) % 2 ? 0xC03030u : kMagenta; }));
}
BENCHMARK(BM_BitmapToRegionStripes)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
