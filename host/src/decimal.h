// nlhost: a decimal mantissa and a power of ten as a double, in one exact
// operation where that is possible.  Shared by the host's standard numeric
// informat and the whole-field number check, which must agree on a value.
#ifndef NLHOST_DECIMAL_H
#define NLHOST_DECIMAL_H

#include <cstdint>

namespace nlhost {

// mantissa × 10^scale, where mantissa holds `digits` decimal digits: up to 15
// digits and a power of ten up to 1e22 are exact doubles, so one
// multiplication or division rounds correctly, to what from_chars gives for
// the same text.  False (nothing stored) outside that range.
inline bool exact_decimal(uint64_t mantissa, int64_t digits, int64_t scale, double *value) {
  static constexpr double kExactPowers[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                            1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                            1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
  if (digits > 15 || scale < -22 || scale > 22) return false;
  const auto exact = static_cast<double>(mantissa);
  *value = scale < 0 ? exact / kExactPowers[-scale] : exact * kExactPowers[scale];
  return true;
}

}  // namespace nlhost

#endif  // NLHOST_DECIMAL_H
