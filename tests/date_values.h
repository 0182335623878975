// Date values in human units for the tests: days since 1960-01-01 of a
// proleptic Gregorian date, and datetimes from them.
#ifndef NLDAT_TESTS_DATE_VALUES_H
#define NLDAT_TESTS_DATE_VALUES_H

#include <cstdint>

#include "civil_reference.h"

namespace nldat_test {

constexpr double date_of(int64_t y, int64_t m, int64_t d) {
  return static_cast<double>(civil_ref::days_from_civil(y, static_cast<int>(m), static_cast<int>(d)));
}
static_assert(date_of(1960, 1, 1) == 0);
static_assert(date_of(2026, 12, 7) == 24447);
static_assert(date_of(1582, 1, 1) == -138061);

constexpr double datetime_of(int64_t y, int64_t m, int64_t d, int hour, int minute, int second) {
  return date_of(y, m, d) * 86400 + (hour * 60 + minute) * 60 + second;
}

}  // namespace nldat_test

#endif
