// Runs a fuzz target's entry point once on every file named, or found in a
// directory named, on the command line: the seeds and the kept crashers of
// the fuzzers, replayed by the ordinary (and the sanitizer) test build.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace fs = std::filesystem;

namespace {

bool Replay(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) return false;
  const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  // An empty input still gets a valid pointer, as libFuzzer gives one.
  static const uint8_t empty = 0;
  LLVMFuzzerTestOneInput(bytes.empty() ? &empty : bytes.data(), bytes.size());
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  size_t count = 0;
  for (int i = 1; i < argc; ++i) {
    std::error_code error;
    std::vector<fs::path> files;
    if (fs::is_directory(argv[i], error)) {
      for (const auto& entry : fs::directory_iterator(argv[i], error))
        if (entry.is_regular_file() && entry.path().filename().string()[0] != '.') files.push_back(entry.path());
    } else {
      files.push_back(argv[i]);
    }
    for (const auto& file : files) {
      if (!Replay(file)) {
        std::fprintf(stderr, "cannot read %s\n", file.c_str());
        return 1;
      }
      ++count;
    }
  }
  std::printf("%zu inputs replayed\n", count);
  // No input at all means the seeds were never written: that is a failure.
  return count > 0 ? 0 : 1;
}
