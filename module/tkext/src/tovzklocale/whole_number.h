// Doubles that stand for whole numbers (years, weekdays, day counts, window
// years) become int32 only through these: a NaN, a missing value or a value
// outside the int32 range never reaches a conversion.
#ifndef TOVZKLOCALE_WHOLE_NUMBER_H
#define TOVZKLOCALE_WHOLE_NUMBER_H

#include <cstdint>

namespace uwn {

// True when x truncated toward zero fits int32 (false for NaN and infinities).
inline bool fits_int32(double x) { return x > -2147483649.0 && x < 2147483648.0; }

// x truncated toward zero, or fallback when it does not fit.
inline int32_t to_int32_or(double x, int32_t fallback) {
  return fits_int32(x) ? static_cast<int32_t>(x) : fallback;
}

}  // namespace uwn

#endif  // TOVZKLOCALE_WHOLE_NUMBER_H
