// GetBmpDepth on arbitrary bytes: never crashes, and whatever it returns is
// either 0 or the depth field of a file that has both headers.
#include <cstdlib>

#include "fuzz_harness.h"
#include "lumicore/lumicore.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (!fuzzbmp::WriteInput(data, size)) return 0;
  const int depth = lumicore::GetBmpDepth(fuzzbmp::InputPath().c_str());
  if (depth != 0) {
    const bool headers = size >= 54 && data[0] == 'B' && data[1] == 'M';
    const bool core = headers && data[14] == 12 && data[15] == 0 && data[16] == 0 && data[17] == 0;
    if (!headers || core || depth != (data[28] | (data[29] << 8))) std::abort();
  }
  return 0;
}
