// Small BMP files built in memory by the tests and fuzz seeds, so no binary
// fixture is ever committed.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace bmpfix {

struct Header {
  int32_t width = 1;
  int32_t height = 1;  // negative: rows stored top row first
  uint16_t bits = 24;
  uint32_t info_size = 40;
  uint32_t compression = 0;
  uint32_t colors_used = 0;
};

inline void Put16(std::vector<uint8_t>& out, size_t at, uint16_t v) {
  if (out.size() < at + 2) out.resize(at + 2);
  out[at] = uint8_t(v);
  out[at + 1] = uint8_t(v >> 8);
}

inline void Put32(std::vector<uint8_t>& out, size_t at, uint32_t v) {
  Put16(out, at, uint16_t(v));
  Put16(out, at + 2, uint16_t(v >> 16));
}

inline size_t Stride(int32_t width, int bits) { return ((size_t(width) * size_t(bits) + 31) / 32) * 4; }

// A whole file: headers, colour table (4 bytes an entry) and the rows as
// given, in file order, each padded with zeros to a multiple of 4 bytes.
inline std::vector<uint8_t> Build(const Header& h, const std::vector<uint32_t>& colors,
                                  const std::vector<std::vector<uint8_t>>& rows) {
  const size_t offset = 14 + h.info_size + 4 * colors.size();
  std::vector<uint8_t> out(offset, 0);
  out[0] = 'B';
  out[1] = 'M';
  Put32(out, 10, uint32_t(offset));
  Put32(out, 14, h.info_size);
  Put32(out, 18, uint32_t(h.width));
  Put32(out, 22, uint32_t(h.height));
  Put16(out, 26, 1);
  Put16(out, 28, h.bits);
  Put32(out, 30, h.compression);
  Put32(out, 46, h.colors_used);
  for (size_t i = 0; i < colors.size(); ++i) Put32(out, 14 + h.info_size + 4 * i, colors[i]);
  const size_t stride = h.width > 0 ? Stride(h.width, h.bits) : 0;
  for (const auto& row : rows) {
    std::vector<uint8_t> padded(row);
    if (padded.size() < stride) padded.resize(stride, 0);
    out.insert(out.end(), padded.begin(), padded.end());
  }
  Put32(out, 2, uint32_t(out.size()));
  return out;
}

// Files written through Track are removed when the program ends.
class TrackedFiles {
 public:
  ~TrackedFiles() {
    for (const auto& path : paths_) std::remove(path.c_str());
  }
  const std::string& Track(const std::string& path) {
    paths_.push_back(path);
    return path;
  }

 private:
  std::vector<std::string> paths_;
};

inline std::string Track(const std::string& path) {
  static TrackedFiles files;
  return files.Track(path);
}

inline bool WriteFile(const std::string& path, const std::vector<uint8_t>& bytes) {
  FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) return false;
  const bool ok = bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  return std::fclose(file) == 0 && ok;
}

}  // namespace bmpfix
