// texgen OUTDIR: writes the demo's four scene textures as 24-bit BMP files,
// 256 by 256, seamlessly tileable and the same on every run.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace {

constexpr int kSize = 256;
constexpr double kPi = 3.14159265358979323846;

struct Rgb {
  double r, g, b;
};

uint32_t Hash(uint32_t x, uint32_t y, uint32_t seed) {
  uint32_t h = x * 0x8da6b343u ^ y * 0xd8163841u ^ seed * 0xcb1ab31fu;
  h ^= h >> 13;
  h *= 0x5bd1e995u;
  h ^= h >> 15;
  return h;
}

double Lattice(int x, int y, int period, uint32_t seed) {
  x = ((x % period) + period) % period;
  y = ((y % period) + period) % period;
  return (Hash(uint32_t(x), uint32_t(y), seed) & 0xFFFF) / 65535.0;
}

// Value noise whose lattice repeats every `period` cells, so a whole number
// of cells across the image keeps it tileable.
double Noise(double x, double y, int period, uint32_t seed) {
  const int x0 = int(std::floor(x)), y0 = int(std::floor(y));
  double fx = x - x0, fy = y - y0;
  fx = fx * fx * (3 - 2 * fx);
  fy = fy * fy * (3 - 2 * fy);
  const double a = Lattice(x0, y0, period, seed), b = Lattice(x0 + 1, y0, period, seed);
  const double c = Lattice(x0, y0 + 1, period, seed), d = Lattice(x0 + 1, y0 + 1, period, seed);
  return (a + (b - a) * fx) + ((c + (d - c) * fx) - (a + (b - a) * fx)) * fy;
}

// Fractal sum in [0, 1]; `cells` lattice cells span the image at the first
// octave, doubling at each further one.
double Fbm(int px, int py, int cells, int octaves, uint32_t seed) {
  double sum = 0, amplitude = 0.5, total = 0;
  for (int o = 0; o < octaves; ++o) {
    const double scale = double(cells) / kSize;
    sum += amplitude * Noise(px * scale, py * scale, cells, seed + o);
    total += amplitude;
    amplitude *= 0.5;
    cells *= 2;
  }
  return sum / total;
}

Rgb Mix(const Rgb& a, const Rgb& b, double t) {
  t = std::clamp(t, 0.0, 1.0);
  return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

Rgb Scale(const Rgb& c, double f) { return {c.r * f, c.g * f, c.b * f}; }

// Checkered terracotta and cream tiles with dark grout.
Rgb FloorTiles(int x, int y) {
  const int tile = 64, grout = 3;
  const int tx = x / tile, ty = y / tile;
  const int lx = x % tile, ly = y % tile;
  const double grain = Fbm(x, y, 16, 4, 11);
  if (lx < grout || ly < grout) return Scale({0.28, 0.26, 0.24}, 0.8 + 0.4 * grain);
  const Rgb terracotta{0.68, 0.34, 0.20}, cream{0.86, 0.80, 0.66};
  Rgb base = ((tx + ty) % 2) ? terracotta : cream;
  const double shade = 0.92 + 0.08 * (Hash(tx, ty, 5) & 0xFF) / 255.0;
  // A little bevel makes each tile read as raised.
  const int edge = std::min({lx - grout, ly - grout, tile - 1 - lx, tile - 1 - ly});
  const double bevel = edge < 4 ? 0.85 + 0.0375 * edge : 1.0;
  return Scale(base, shade * bevel * (0.85 + 0.3 * grain));
}

// Rough grey-brown rock with dark cracks.
Rgb Rock(int x, int y) {
  const double body = Fbm(x, y, 8, 6, 21);
  const double ridge = 1.0 - std::fabs(2.0 * Fbm(x, y, 4, 4, 37) - 1.0);
  const Rgb dark{0.22, 0.20, 0.18}, light{0.62, 0.57, 0.50};
  Rgb c = Mix(dark, light, (body - 0.25) * 2.0);
  if (ridge > 0.93) c = Scale(c, 0.45 + 4.0 * (1.0 - ridge));
  return Scale(c, 0.85 + 0.3 * Fbm(x, y, 64, 2, 53));
}

// Courses of grey stone blocks in running bond, pale mortar between.
Rgb StoneBlocks(int x, int y) {
  const int course = 32, block = 64, mortar = 3;
  const int row = y / course;
  const int shifted = (x + (row % 2) * (block / 2)) % kSize;
  const int col = shifted / block;
  const int lx = shifted % block, ly = y % course;
  const double grain = Fbm(x, y, 32, 4, 71);
  if (lx < mortar || ly < mortar) return Scale({0.74, 0.72, 0.66}, 0.85 + 0.25 * grain);
  const double tone = 0.75 + 0.3 * (Hash(col, row, 9) & 0xFF) / 255.0;
  const Rgb stone{0.50, 0.49, 0.46};
  const int edge = std::min({lx - mortar, ly - mortar, block - 1 - lx, course - 1 - ly});
  const double bevel = edge < 3 ? 0.7 + 0.1 * edge : 1.0;
  return Scale(stone, tone * bevel * (0.75 + 0.5 * grain));
}

// White marble with grey veins bent by turbulence.
Rgb Marble(int x, int y) {
  const double turbulence = Fbm(x, y, 4, 6, 91);
  const double phase = 2 * kPi * (2.0 * x / kSize + 1.0 * y / kSize) + 9.0 * turbulence;
  const double vein = std::pow(std::fabs(std::sin(phase)), 0.25);
  const Rgb white{0.93, 0.92, 0.89}, grey{0.35, 0.36, 0.40};
  Rgb c = Mix(grey, white, vein);
  return Scale(c, 0.94 + 0.08 * Fbm(x, y, 32, 3, 97));
}

void Put16(std::vector<uint8_t>& out, uint32_t v) {
  out.push_back(uint8_t(v));
  out.push_back(uint8_t(v >> 8));
}
void Put32(std::vector<uint8_t>& out, uint32_t v) {
  Put16(out, v & 0xFFFF);
  Put16(out, v >> 16);
}

bool WriteBmp(const std::string& path, const std::function<Rgb(int, int)>& pixel) {
  const uint32_t stride = kSize * 3;  // already a multiple of 4
  const uint32_t image = stride * kSize;
  std::vector<uint8_t> out;
  out.push_back('B');
  out.push_back('M');
  Put32(out, 54 + image);
  Put32(out, 0);
  Put32(out, 54);
  Put32(out, 40);
  Put32(out, kSize);
  Put32(out, kSize);
  Put16(out, 1);
  Put16(out, 24);
  Put32(out, 0);
  Put32(out, image);
  Put32(out, 2835);
  Put32(out, 2835);
  Put32(out, 0);
  Put32(out, 0);
  // Bottom row first, blue, green, red.
  for (int y = kSize - 1; y >= 0; --y) {
    for (int x = 0; x < kSize; ++x) {
      const Rgb c = pixel(x, y);
      out.push_back(uint8_t(std::lround(std::clamp(c.b, 0.0, 1.0) * 255)));
      out.push_back(uint8_t(std::lround(std::clamp(c.g, 0.0, 1.0) * 255)));
      out.push_back(uint8_t(std::lround(std::clamp(c.r, 0.0, 1.0) * 255)));
    }
  }
  FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) return false;
  const bool ok = std::fwrite(out.data(), 1, out.size(), file) == out.size();
  return std::fclose(file) == 0 && ok;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: texgen OUTDIR\n");
    return 2;
  }
  std::error_code error;
  std::filesystem::create_directories(argv[1], error);
  const std::string dir = std::string(argv[1]) + "/";
  const struct {
    const char* name;
    Rgb (*pixel)(int, int);
  } textures[] = {
      {"Floor04.bmp", FloorTiles},
      {"rock.bmp", Rock},
      {"stoneblocks.bmp", StoneBlocks},
      {"marmorizato.bmp", Marble},
  };
  for (const auto& t : textures) {
    if (!WriteBmp(dir + t.name, t.pixel)) {
      std::fprintf(stderr, "texgen: cannot write %s%s\n", dir.c_str(), t.name);
      return 1;
    }
  }
  return 0;
}
