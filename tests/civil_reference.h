// Calendar arithmetic for the week and day-count tests, written apart from
// the module and the host so that the two are checked against something that
// shares no code with them: proleptic Gregorian civil days, weekdays and the
// three week numberings computed by their definitions.
#ifndef NLDAT_TESTS_CIVIL_REFERENCE_H
#define NLDAT_TESTS_CIVIL_REFERENCE_H

#include <cstdint>

namespace civil_ref {

struct Ymd {
  int64_t year;
  int month;
  int day;
};

// Days from 1 January 1960 to year-month-day (eras of 400 years).
constexpr int64_t days_from_civil(int64_t y, int m, int d) {
  y -= m <= 2;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const int64_t yoe = y - era * 400;                                    // [0, 399]
  const int64_t doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;  // [0, 365]
  const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;            // [0, 146096]
  return era * 146097 + doe - 719468 + 3653;                            // 1960 is 3653 days before 1970
}

constexpr Ymd civil_from_days(int64_t z) {
  z += 719468 - 3653;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const int64_t doe = z - era * 146097;                                       // [0, 146096]
  const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;  // [0, 399]
  const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);                // [0, 365]
  const int64_t mp = (5 * doy + 2) / 153;                                     // [0, 11]
  const int d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  const int m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  return {yoe + era * 400 + (m <= 2), m, d};
}

static_assert(days_from_civil(1960, 1, 1) == 0);
static_assert(days_from_civil(1582, 1, 1) == -138061);
static_assert(days_from_civil(20000, 12, 26) == 6589335);  // the last day of the range
static_assert(days_from_civil(2010, 3, 5) == 18326);

// 0 = Sunday ... 6 = Saturday; 1 January 1960 was a Friday.
constexpr int weekday0(int64_t z) { return static_cast<int>(((z + 5) % 7 + 7) % 7); }

constexpr bool leap(int64_t y) { return y % 4 == 0 && (y % 100 != 0 || y % 400 == 0); }

struct WeekDate {
  int64_t year;
  int64_t week;
  int64_t day;
};

// Sunday weeks: week 1 starts on the year's first Sunday; day 1 = Sunday.
constexpr WeekDate sunday_week(int64_t z) {
  const Ymd c = civil_from_days(z);
  const int64_t first_sunday =
      days_from_civil(c.year, 1, 1) + (7 - weekday0(days_from_civil(c.year, 1, 1))) % 7;
  const int64_t week = z < first_sunday ? 0 : (z - first_sunday) / 7 + 1;
  return {c.year, week, weekday0(z) + 1};
}

// Monday weeks: week 1 starts on the year's first Monday; day 1 = Monday.
constexpr WeekDate monday_week(int64_t z) {
  const Ymd c = civil_from_days(z);
  const int64_t jan1 = days_from_civil(c.year, 1, 1);
  const int64_t first_monday = jan1 + (8 - weekday0(jan1)) % 7;
  const int64_t week = z < first_monday ? 0 : (z - first_monday) / 7 + 1;
  const int wd = weekday0(z);
  return {c.year, week, wd == 0 ? 7 : wd};
}

// ISO 8601: a week belongs to the year of its Thursday.
constexpr WeekDate iso_week(int64_t z) {
  const int wd = weekday0(z);
  const int64_t monday_based = wd == 0 ? 7 : wd;
  const int64_t thursday = z - monday_based + 4;
  const int64_t year = civil_from_days(thursday).year;
  return {year, (thursday - days_from_civil(year, 1, 1)) / 7 + 1, monday_based};
}

}  // namespace civil_ref

#endif  // NLDAT_TESTS_CIVIL_REFERENCE_H
