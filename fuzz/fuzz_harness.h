// The code under test reads files by name: each input goes through a file
// private to this process.
#pragma once

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>

namespace fuzzbmp {

inline const std::string& InputPath() {
  static const std::string path = "/tmp/umbrafield_fuzz_" + std::to_string(getpid()) + ".bmp";
  return path;
}

inline bool WriteInput(const uint8_t* data, size_t size) {
  FILE* file = std::fopen(InputPath().c_str(), "wb");
  if (!file) return false;
  const bool ok = size == 0 || std::fwrite(data, 1, size, file) == size;
  return std::fclose(file) == 0 && ok;
}

}  // namespace fuzzbmp
