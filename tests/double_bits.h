// A double's bit pattern and back, for canaries and missing values in tests.
#ifndef NLDAT_TESTS_DOUBLE_BITS_H
#define NLDAT_TESTS_DOUBLE_BITS_H

#include <cstdint>
#include <cstring>

namespace nldat_test {

inline uint64_t bits_of(double x) {
  uint64_t bits;
  std::memcpy(&bits, &x, sizeof bits);
  return bits;
}

inline double from_bits(uint64_t bits) {
  double x;
  std::memcpy(&x, &bits, sizeof x);
  return x;
}

}  // namespace nldat_test

#endif
