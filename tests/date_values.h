// Date values in human units for the tests: days since 1960-01-01 of a
// proleptic Gregorian date, and datetimes from them.
#ifndef NLDAT_TESTS_DATE_VALUES_H
#define NLDAT_TESTS_DATE_VALUES_H

#include <cstdint>

namespace nldat_test {

constexpr double date_of(int64_t y, int64_t m, int64_t d) {
  y -= m <= 2;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const int64_t yoe = y - era * 400;
  const int64_t doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
  const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return static_cast<double>(era * 146097 + doe - 719468 + 3653);
}
static_assert(date_of(1960, 1, 1) == 0);
static_assert(date_of(2026, 12, 7) == 24447);
static_assert(date_of(1582, 1, 1) == -138061);

constexpr double datetime_of(int64_t y, int64_t m, int64_t d, int hour, int minute, int second) {
  return date_of(y, m, d) * 86400 + (hour * 60 + minute) * 60 + second;
}

}  // namespace nldat_test

#endif
