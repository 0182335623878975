// The host service stubs: both names are one routine; each clears its own
// GCB_TSSVEC byte, reaches its own (vector, slot) with the identifier in r10,
// and passes integer and floating-point arguments and results unaltered.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "bare_control_block.h"
#include "loaded_module.h"
#include "service_list.h"

extern "C" {
void nldat_stub_spy();
extern uint64_t nldat_spy_r10;
extern uint64_t nldat_spy_rax;
extern void *nldat_spy_target;
}

namespace {

using nldat_test::BareControlBlock;
using nldat_test::exported;

using nldat_test::kServices;
using nldat_test::stub_alias;

// What the C side of the spy saw.
struct Seen {
  int64_t ints[6];
  double floats[4];
} seen;

int64_t int_target(int64_t a, int64_t b, int64_t c, int64_t d, int64_t e, int64_t f, double x, double y,
                   double z, double w) {
  seen = {{a, b, c, d, e, f}, {x, y, z, w}};
  return 0x5EED5EED5EED5EEDll;
}

double float_target(int64_t a, int64_t b, int64_t c, int64_t d, int64_t e, int64_t f, double x, double y,
                    double z, double w) {
  seen = {{a, b, c, d, e, f}, {x, y, z, w}};
  return -1234.5678e-9;
}

using IntCall = int64_t (*)(int64_t, int64_t, int64_t, int64_t, int64_t, int64_t, double, double, double,
                            double);
using FloatCall = double (*)(int64_t, int64_t, int64_t, int64_t, int64_t, int64_t, double, double, double,
                             double);
using VariadicCall = int64_t (*)(int64_t, ...);

class Stubs : public ::testing::Test {
 protected:
  void SetUp() override {
    saved_anchor_ = *exported<uint64_t *>("v_global_gcb_anchor");
    exported<decltype(&mcn_main)>("mcn_main")(&block_.gcb, nullptr);
    for (const auto &s : kServices)
      block_.slots[s.vector][s.slot] = reinterpret_cast<void *>(&nldat_stub_spy);
  }
  // Other tests share the loaded module: give back the control block they set.
  void TearDown() override { *exported<uint64_t *>("v_global_gcb_anchor") = saved_anchor_; }

  BareControlBlock block_;
  uint64_t saved_anchor_ = 0;
};

TEST_F(Stubs, BothNamesAreOneRoutine) {
  for (const auto &s : kServices) {
    EXPECT_EQ(exported<void *>(s.name), exported<void *>(stub_alias(s).c_str())) << s.name;
  }
}

TEST_F(Stubs, ReachTheirSlotWithArgumentsAndResultsUnaltered) {
  for (const auto &s : kServices) {
    SCOPED_TRACE(s.name);
    block_.tssvec.fill(0xFF);
    nldat_spy_target = reinterpret_cast<void *>(&int_target);
    nldat_spy_r10 = 0;
    seen = {};
    const int64_t r = reinterpret_cast<IntCall>(exported<void *>(s.name))(
        -1, 2, INT64_MIN, INT64_MAX, 0x1122334455667788ll, -42, 0.1, -2.5e300, 5e-324, -0.0);
    EXPECT_EQ(r, 0x5EED5EED5EED5EEDll);
    EXPECT_EQ(nldat_spy_r10, (uint64_t(s.vector) << 32) | uint64_t(s.slot));
    const int64_t ints[6] = {-1, 2, INT64_MIN, INT64_MAX, 0x1122334455667788ll, -42};
    EXPECT_EQ(std::memcmp(seen.ints, ints, sizeof ints), 0);
    const double floats[4] = {0.1, -2.5e300, 5e-324, -0.0};
    EXPECT_EQ(std::memcmp(seen.floats, floats, sizeof floats), 0);
    for (int v = 0; v < UWN_VECTOR_COUNT; ++v) {
      EXPECT_EQ(block_.tssvec[v], v == s.vector ? 0 : 0xFF) << "GCB_TSSVEC byte " << v;
    }

    nldat_spy_target = reinterpret_cast<void *>(&float_target);
    const double d =
        reinterpret_cast<FloatCall>(exported<void *>(s.name))(1, 2, 3, 4, 5, 6, 1.5, 2.5, 3.5, 4.5);
    EXPECT_EQ(d, -1234.5678e-9);
    EXPECT_EQ(seen.floats[3], 4.5);
  }
}

TEST_F(Stubs, LeaveTheVariadicCountInRax) {
  nldat_spy_target = reinterpret_cast<void *>(&int_target);
  for (const auto &s : kServices) {
    nldat_spy_rax = 0xDEAD;
    reinterpret_cast<VariadicCall>(exported<void *>(s.name))(7, 1.0, 2.0, 3.0);
    EXPECT_EQ(nldat_spy_rax & 0xFF, 3u) << s.name;  // al: three vector registers
  }
}

}  // namespace
