// Calendar arithmetic for the week and day-count tests, derived apart from
// the host's civil core (host/include/nlhost/civil.h, days counted from
// March in 400-year eras): here days are counted from 1 January of year 1
// by whole years, then month by month through a table of month lengths, and
// a day number is taken apart by walking the same way.  Weekdays and the
// three week numberings follow from their definitions.  Years from 1 on.
#ifndef NLDAT_TESTS_CIVIL_REFERENCE_H
#define NLDAT_TESTS_CIVIL_REFERENCE_H

#include <cstdint>

namespace civil_ref {

struct Ymd {
  int64_t year;
  int month;
  int day;
};

constexpr bool leap(int64_t y) { return y % 4 == 0 && (y % 100 != 0 || y % 400 == 0); }

constexpr int month_length(int64_t y, int m) {
  constexpr int kLengths[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return m == 2 && leap(y) ? 29 : kLengths[m - 1];
}

// Days from 1 January of year 1 to 1 January of year y: every year has 365
// days, and each leap year before y one more.
constexpr int64_t days_before_year(int64_t y) {
  const int64_t past = y - 1;
  return 365 * past + past / 4 - past / 100 + past / 400;
}

// 1 January 1960, counted from 1 January of year 1.
constexpr int64_t kEpoch = days_before_year(1960);

// Days from 1 January 1960 to year-month-day.
constexpr int64_t days_from_civil(int64_t y, int m, int d) {
  int64_t days = days_before_year(y);
  for (int k = 1; k < m; ++k) days += month_length(y, k);
  return days + d - 1 - kEpoch;
}

constexpr Ymd civil_from_days(int64_t z) {
  const int64_t n = z + kEpoch;      // days since 1 January of year 1
  int64_t y = n * 400 / 146097 + 1;  // at most one year off
  while (days_before_year(y) > n) --y;
  while (days_before_year(y + 1) <= n) ++y;
  int64_t rest = n - days_before_year(y);
  int m = 1;
  for (; rest >= month_length(y, m); ++m) rest -= month_length(y, m);
  return {y, m, static_cast<int>(rest) + 1};
}

static_assert(days_from_civil(1960, 1, 1) == 0);
static_assert(days_from_civil(1582, 1, 1) == -138061);
static_assert(days_from_civil(20000, 12, 26) == 6589335);  // the last day of the range
static_assert(days_from_civil(2010, 3, 5) == 18326);
static_assert(civil_from_days(6589335).year == 20000 && civil_from_days(6589335).day == 26);
static_assert(civil_from_days(-138062).year == 1581 && civil_from_days(-138062).month == 12);

// 0 = Sunday ... 6 = Saturday; 1 January 1960 was a Friday.
constexpr int weekday0(int64_t z) { return static_cast<int>(((z + 5) % 7 + 7) % 7); }

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
