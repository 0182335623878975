// xfmfent: builds the family description block (describe) and the routine
// vector block (bind) from the host memory pool.  Both belong to the host.
#include "uwn_module.h"

namespace {

// Allocation through the pool named in the control block; on failure the
// host's fatal exit, and null if that returns.
void *pool_allocate(uint64_t size) {
  uwn_memory_pool *pool = uwn::gcb()->pool;
  void *block = pool->allocate(pool, size, UWN_POOL_FLAGS);
  if (block == nullptr) xexit(UWN_EXIT_NO_MEMORY, 0);
  return block;
}

}  // namespace

extern "C" void *xfmfent(int32_t request, int32_t count, const uwn_informat_item *items,
                         const uwn_informat_fn *routines) {
  if (request == UWN_REQUEST_DESCRIBE) {
    auto *block = static_cast<uwn_family_description *>(pool_allocate(sizeof(uwn_family_description)));
    if (block == nullptr) return nullptr;
    block->count = count;
    block->items = items;
    return block;
  }
  if (request == UWN_REQUEST_BIND) {
    // A negative count gets the one slot of an empty block, never a size that
    // wraps to a huge request.
    const uint64_t n = count > 0 ? static_cast<uint64_t>(count) : 0;
    auto *slots = static_cast<uwn_informat_fn *>(pool_allocate((n + 1) * sizeof(uwn_informat_fn)));
    if (slots == nullptr) return nullptr;
    if (n > 0) std::memcpy(slots + 1, routines, n * sizeof(uwn_informat_fn));
    return slots;
  }
  return nullptr;
}
