// A bare control block for the tests of the image frame: vector tables that a
// test fills slot by slot, GCB_TSSVEC bytes, a memory pool that records each
// request and can fail, and a kernel handle.  No locale, no calendar: the
// stubs, the image entry and registration need nothing else.
#ifndef NLDAT_TESTS_BARE_CONTROL_BLOCK_H
#define NLDAT_TESTS_BARE_CONTROL_BLOCK_H

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "uwinldat.h"

namespace nldat_test {

struct BareControlBlock {
  struct Pool {
    uwn_memory_pool pool;  // first: the allocation routine
    BareControlBlock *owner;
  };
  struct Request {
    uint64_t size;
    uint32_t flags;
  };

  uwn_control_block gcb{};
  std::array<std::array<void *, 512>, UWN_VECTOR_COUNT> slots{};
  std::array<void *const *, UWN_VECTOR_COUNT> vectors{};
  std::array<uint8_t, UWN_VECTOR_COUNT> tssvec{};
  uwn_missing_holder missing{};
  uwn_locale_holder locale{};
  Pool pool{};
  bool pool_fails = false;
  std::vector<Request> requests;
  std::vector<std::unique_ptr<uint8_t[]>> blocks;

  BareControlBlock() {
    for (size_t v = 0; v < vectors.size(); ++v) vectors[v] = slots[v].data();
    gcb.vectors = vectors.data();
    gcb.tssvec = tssvec.data();
    gcb.missing_holder = &missing;
    gcb.locale_holder = &locale;
    gcb.kernel_handle = 0x0123456789ABCDEFull;
    pool.pool.allocate = &allocate;
    pool.owner = this;
    gcb.pool = &pool.pool;
  }
  BareControlBlock(const BareControlBlock &) = delete;

  // Blocks are filled with 0xA5 so that a test sees what was not written.
  static void *allocate(uwn_memory_pool *p, uint64_t size, uint32_t flags) {
    auto *self = reinterpret_cast<Pool *>(p)->owner;
    self->requests.push_back({size, flags});
    if (self->pool_fails) return nullptr;
    self->blocks.push_back(std::make_unique<uint8_t[]>(size));
    std::fill_n(self->blocks.back().get(), size, uint8_t{0xA5});
    return self->blocks.back().get();
  }
};

}  // namespace nldat_test

#endif
