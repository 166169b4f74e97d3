// Movable global memory: blocks named by handles, addressed while locked.
#include <limits>
#include <new>

#include "internal.h"

namespace platform {
namespace {

struct GlobalBlock {
  std::vector<uint8_t> bytes;
  int locks = 0;
};
using GlobalTable = HandleTable<GlobalBlock, kGlobalHandle>;

GlobalTable& Blocks() {
  static GlobalTable table;
  return table;
}

// Largest block that may be asked for; 0 is no limit beyond the default.
size_t g_block_limit = 0;
constexpr size_t kMaxBlock = size_t(1) << 31;

bool SizeAllowed(size_t bytes) {
  if (bytes > kMaxBlock) return false;
  return g_block_limit == 0 || bytes <= g_block_limit;
}

}  // namespace

// Testing hook: blocks larger than `bytes` fail to allocate or grow, as when
// memory runs out; 0 lifts the limit.
void SetGlobalBlockLimitForTesting(size_t bytes) { g_block_limit = bytes; }

// How many global blocks are alive (leak checks in tests).
int LiveGlobalBlocksForTesting() {
  int count = 0;
  Blocks().ForEach([&count](uint32_t, GlobalBlock&) { ++count; });
  return count;
}

}  // namespace platform

using namespace platform;

HGLOBAL GlobalAlloc(UINT uFlags, size_t dwBytes) {
  (void)uFlags;  // every block is movable and zero-filled; handles are never pointers
  if (!SizeAllowed(dwBytes)) return 0;
  try {
    GlobalBlock block;
    block.bytes.resize(dwBytes);
    return Blocks().Add(std::move(block));
  } catch (const std::bad_alloc&) {
    return 0;
  }
}

HGLOBAL GlobalReAlloc(HGLOBAL hMem, size_t dwBytes, UINT uFlags) {
  GlobalBlock* block = Blocks().Get(hMem);
  if (!block || !SizeAllowed(dwBytes)) return 0;
  // A locked block may only move when the caller allows it.
  if (block->locks > 0 && !(uFlags & GMEM_MOVEABLE) && dwBytes > block->bytes.capacity()) return 0;
  try {
    block->bytes.resize(dwBytes);
  } catch (const std::bad_alloc&) {
    return 0;
  }
  return hMem;
}

LPVOID GlobalLock(HGLOBAL hMem) {
  GlobalBlock* block = Blocks().Get(hMem);
  if (!block || block->bytes.empty()) return nullptr;
  if (block->locks < std::numeric_limits<int>::max()) ++block->locks;
  return block->bytes.data();
}

BOOL GlobalUnlock(HGLOBAL hMem) {
  GlobalBlock* block = Blocks().Get(hMem);
  if (!block || block->locks == 0) return FALSE;
  --block->locks;
  return block->locks > 0 ? TRUE : FALSE;
}

HGLOBAL GlobalFree(HGLOBAL hMem) {
  // Freed even while locked, as Windows does.
  return Blocks().Remove(hMem) ? 0 : hMem;
}
