// The host every fuzz target runs against: the reference host with its
// built-in English locale, entered once through the module's static library
// (linked into the target, so coverage reaches the module's own code).
// Texts and destinations live in exactly-sized heap blocks so that the
// address sanitizer sees the first byte past them.
#ifndef NLDAT_FUZZ_HOST_H
#define NLDAT_FUZZ_HOST_H

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "nlhost/host.h"
#include "uwinldat.h"

namespace nldat_fuzz {

inline nlhost::Host &host() {
  static nlhost::Host *h = [] {
    auto *created = new nlhost::Host;
    created->set_locale(nlhost::make_builtin_english());
    created->set_clock(2026 * 0.0 + 24448.0 * 86400.0);  // a frozen "now": 2026-12-07
    created->set_exit_handler([](int32_t, int32_t) {});
    mcn_main(created->control_block(), nullptr);
    return created;
  }();
  return *h;
}

// A byte block of exactly the given contents, with nothing readable after it.
class Exact {
 public:
  explicit Exact(const std::string &s) : size_(s.size()), bytes_(new char[s.size() ? s.size() : 1]) {
    if (!s.empty()) std::memcpy(bytes_.get(), s.data(), s.size());
  }
  explicit Exact(size_t n, char fill = '\0') : size_(n), bytes_(new char[n ? n : 1]) {
    std::memset(bytes_.get(), fill, n ? n : 1);
  }
  char *data() { return bytes_.get(); }
  int32_t size() const { return static_cast<int32_t>(size_); }

 private:
  size_t size_;
  std::unique_ptr<char[]> bytes_;
};

// A double from the fuzzer's choice of interesting values or raw bits.
inline double pick_double(FuzzedDataProvider &in) {
  static const double kInteresting[] = {0.0, -0.0, 1.0, -1.0, 0.5, 86399.999, 86400.0, 360000.0, 1e300, -1e300,
                                        -138061.0, -138062.0, 6589335.0, 6589336.0, 24448.0, 18326.0,
                                        -11928470400.0, 569318630400.0, 2147483648.0, -2147483649.0,
                                        __builtin_nan(""), __builtin_inf(), -__builtin_inf()};
  switch (in.ConsumeIntegralInRange<int>(0, 3)) {
    case 0: return kInteresting[in.ConsumeIntegralInRange<size_t>(0, std::size(kInteresting) - 1)];
    case 1: {
      uint64_t bits = in.ConsumeIntegral<uint64_t>();
      double d;
      std::memcpy(&d, &bits, sizeof d);
      return d;
    }
    case 2: return nlhost::standard_missing();
    default: return in.ConsumeFloatingPointInRange<double>(-2e7, 2e7);
  }
}

// A width: small, negative, huge or the extremes.
inline int32_t pick_width(FuzzedDataProvider &in) {
  switch (in.ConsumeIntegralInRange<int>(0, 3)) {
    case 0: return in.ConsumeIntegralInRange<int32_t>(-64, 64);
    case 1: return in.ConsumeIntegralInRange<int32_t>(-4096, 4096);
    case 2: return in.PickValueInArray({INT32_MIN, INT32_MAX, INT32_MIN + 1, 0});
    default: return in.ConsumeIntegral<int32_t>();
  }
}

// Replaces or removes up to four items from first to last with fuzz text.
inline void edit_items(FuzzedDataProvider &in, nlhost::Locale &locale, int first, int last) {
  const int edits = in.ConsumeIntegralInRange<int>(0, 4);
  for (int i = 0; i < edits; ++i) {
    const int which = in.ConsumeIntegralInRange<int>(first, last);
    if (in.ConsumeBool()) {
      locale.remove(which);
    } else {
      locale.set_text(which, in.ConsumeRandomLengthString(UWN_ENTRY_TEXT_MAX));
    }
  }
}

// An informat argument block with the width, decimals and flags the fuzzer
// chooses, over the rest of the input as its field.
struct FuzzBlock {
  FuzzBlock(FuzzedDataProvider &in, int32_t decimals_low, int32_t decimals_high)
      : width(pick_width(in)),
        decimals(in.ConsumeIntegralInRange<int32_t>(decimals_low, decimals_high)),
        flags(in.ConsumeIntegral<uint8_t>()),
        text(in.ConsumeRemainingBytesAsString()) {
    block.width = width;
    block.decimals = decimals;
    block.flags = flags;
    block.text = text.data();
    block.text_length = text.size();
    block.result = &result;
  }
  int32_t width, decimals;
  uint8_t flags;
  Exact text;
  double result = 0;
  uwn_informat_block block{};
};

}  // namespace nldat_fuzz

#endif
