// wzstcom: compares two blank-padded fields.  0 when equal with the shorter
// extended by blanks; else the 1-based position of the first difference,
// negative when a sorts lower.  A null text counts as length 0.
#include "uwn_module.h"

extern "C" int32_t wzstcom(const char *a, int32_t length_a, const char *b, int32_t length_b) {
  if (a == nullptr || length_a < 0) length_a = 0;
  if (b == nullptr || length_b < 0) length_b = 0;
  const auto *ua = reinterpret_cast<const unsigned char *>(a);
  const auto *ub = reinterpret_cast<const unsigned char *>(b);
  const int32_t common = length_a < length_b ? length_a : length_b;
  for (int32_t i = 0; i < common; ++i) {
    if (ua[i] != ub[i]) return ua[i] < ub[i] ? -(i + 1) : i + 1;
  }
  // The longer text against blanks: the sign says which text sorts lower.
  if (length_a > length_b) {
    for (int32_t i = common; i < length_a; ++i) {
      if (ua[i] != ' ') return ua[i] < ' ' ? -(i + 1) : i + 1;
    }
  } else {
    for (int32_t i = common; i < length_b; ++i) {
      if (ub[i] != ' ') return ub[i] > ' ' ? -(i + 1) : i + 1;
    }
  }
  return 0;
}
