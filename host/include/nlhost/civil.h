// Civil-day arithmetic on the proleptic Gregorian calendar, counted in days
// since 1 January 1960 (day 0).  Exact for every year the 64-bit count holds;
// the host's services limit it to kFirstYear..kLastYear.
#ifndef NLHOST_CIVIL_H
#define NLHOST_CIVIL_H

#include <cstdint>

namespace nlhost::civil {

// Days from 0000-03-01 to 1960-01-01: the shift between the era-based count
// below and the module's day 0.
inline constexpr int64_t kShift = 719468 - 3653;

// The years the host's calendar services answer for; everything outside is
// missing.  Year 1 keeps every count positive-era-safe and well inside a double.
inline constexpr int64_t kFirstYear = 1;
inline constexpr int64_t kLastYear = 99999;

struct Ymd {
  int64_t year;
  int month;  // [1, 12]
  int day;    // [1, 31]
};

constexpr bool is_leap(int64_t y) { return y % 4 == 0 && (y % 100 != 0 || y % 400 == 0); }

inline constexpr int kMonthDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};

constexpr int days_in_month(int64_t y, int m) { return m == 2 && is_leap(y) ? 29 : kMonthDays[m - 1]; }

// The year of a two-digit year yy in [0, 99] under a window of 100 years that
// starts at first_year: the one year in [first_year, first_year + 99] whose
// last two digits are yy.
constexpr int64_t year_in_window(int64_t yy, int64_t first_year) {
  const int64_t century = first_year - ((first_year % 100) + 100) % 100;  // floor to a century
  const int64_t year = century + yy;
  return year < first_year ? year + 100 : year;
}
static_assert(year_in_window(20, 1920) == 1920 && year_in_window(19, 1920) == 2019);
static_assert(year_in_window(40, 1940) == 1940 && year_in_window(39, 1940) == 2039);

// Day number of y-m-d (m in [1, 12], d in [1, 31]).
constexpr int64_t days_from_civil(int64_t y, int m, int d) {
  y -= m <= 2;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const int64_t yoe = y - era * 400;                                    // [0, 399]
  const int64_t doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;  // [0, 365]
  const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;            // [0, 146096]
  return era * 146097 + doe - kShift;
}

// civil_from_days in 32-bit unsigned arithmetic, for day numbers in
// [kFastFirst, kFastLast] (years -30895 to 549541): the count is moved by 82
// cycles of 400 years so that it is positive, and each division by a constant
// is a multiplication and a shift (C. Neri and L. Schneider, "Euclidean
// affine functions and their application to calendar algorithms", 2022).
inline constexpr int64_t kFastFirst = -12000000;
inline constexpr int64_t kFastLast = 200000000;
constexpr Ymd civil_from_days_fast(int64_t days) {
  constexpr uint32_t kCycles = 82;
  constexpr uint32_t kMarchZero = 719468 - 3653 + 146097 * kCycles;  // day 0 from 0000-03-01, moved
  const auto n = static_cast<uint32_t>(days + kMarchZero);
  const uint32_t n1 = 4 * n + 3;
  const uint32_t century = n1 / 146097;
  const uint32_t in_century = n1 % 146097 / 4;
  const uint64_t p2 = uint64_t{2939745} * (4 * in_century + 3);
  const auto year_of_century = static_cast<uint32_t>(p2 >> 32);
  const uint32_t day_of_year = static_cast<uint32_t>(p2) / 2939745 / 4;  // from 1 March
  const uint32_t n3 = 2141 * day_of_year + 197913;
  const uint32_t january = day_of_year >= 306;  // January and February close the March-based year
  return {static_cast<int64_t>(100 * century + year_of_century + january) - 400 * int64_t{kCycles},
          static_cast<int>(january ? (n3 >> 16) - 12 : n3 >> 16), static_cast<int>((n3 & 0xFFFF) / 2141 + 1)};
}

// The March-based year a day number falls in and its day from 1 March
// ([0, 365]; January and February close the year): the first step of both
// inverses of days_from_civil below.
struct MarchDay {
  int64_t year;
  int64_t day;
};
constexpr MarchDay march_day_from_days(int64_t z) {
  z += kShift;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const int64_t doe = z - era * 146097;                                       // [0, 146096]
  const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;  // [0, 399]
  return {yoe + era * 400, doe - (365 * yoe + yoe / 4 - yoe / 100)};
}

// Inverse of days_from_civil.
constexpr Ymd civil_from_days(int64_t z) {
  if (z >= kFastFirst && z <= kFastLast) return civil_from_days_fast(z);
  const MarchDay march = march_day_from_days(z);
  const int64_t mp = (5 * march.day + 2) / 153;                        // [0, 11]
  const int d = static_cast<int>(march.day - (153 * mp + 2) / 5 + 1);  // [1, 31]
  const int m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);           // [1, 12]
  return {march.year + (m <= 2), m, d};
}

// Year and day of the year (1 = 1 January) of a day number: one conversion,
// without going back through 1 January.
struct YearDay {
  int64_t year;
  int day_of_year;  // [1, 366]
};
constexpr YearDay year_day_from_days(int64_t z) {
  const MarchDay march = march_day_from_days(z);
  // 1 March is day 60 of a common year; January and February close the March-based year.
  if (march.day >= 306) return {march.year + 1, static_cast<int>(march.day - 305)};
  return {march.year, static_cast<int>(march.day + 60 + (is_leap(march.year) ? 1 : 0))};
}

// Month and day of day_of_year (in [1, 365 or 366]) of year y.
constexpr Ymd from_day_of_year(int64_t y, int day_of_year) {
  const int february_end = 59 + (is_leap(y) ? 1 : 0);
  if (day_of_year <= 31) return {y, 1, day_of_year};
  if (day_of_year <= february_end) return {y, 2, day_of_year - 31};
  const int doy = day_of_year - february_end - 1;  // [0, 305], from 1 March
  const int mp = (5 * doy + 2) / 153;              // [0, 9]
  return {y, mp + 3, doy - (153 * mp + 2) / 5 + 1};
}

// Weekday of a day number: 1 = Sunday .. 7 = Saturday (day 0 was a Friday).
constexpr int weekday(int64_t z) {
  const int64_t r = (z + 5) % 7;  // (-6, 6]
  return static_cast<int>(r < 0 ? r + 7 : r) + 1;
}

inline constexpr int64_t kFirstDay = days_from_civil(kFirstYear, 1, 1);
inline constexpr int64_t kLastDay = days_from_civil(kLastYear, 12, 31);

static_assert(days_from_civil(1960, 1, 1) == 0);
static_assert(days_from_civil(1582, 1, 1) == -138061);
static_assert(days_from_civil(20000, 12, 31) == 6589340);
static_assert(days_from_civil(1970, 1, 1) == 3653);
static_assert(days_from_civil(2000, 3, 1) == 14670);
static_assert(civil_from_days(-138061).year == 1582 && civil_from_days(-138061).day == 1);
static_assert(civil_from_days(6589340).year == 20000 && civil_from_days(6589340).day == 31);
static_assert(civil_from_days(14669).month == 2 && civil_from_days(14669).day == 29);
static_assert(year_day_from_days(days_from_civil(2024, 12, 31)).day_of_year == 366);
static_assert(year_day_from_days(days_from_civil(2023, 3, 1)).day_of_year == 60);
static_assert(year_day_from_days(days_from_civil(2024, 3, 1)).day_of_year == 61);
static_assert(year_day_from_days(days_from_civil(2025, 1, 1)).year == 2025);
static_assert(year_day_from_days(-138061).year == 1582 && year_day_from_days(-138061).day_of_year == 1);
static_assert(from_day_of_year(2024, 60).month == 2 && from_day_of_year(2024, 60).day == 29);
static_assert(from_day_of_year(2023, 60).month == 3 && from_day_of_year(2023, 60).day == 1);
static_assert(from_day_of_year(2024, 366).month == 12 && from_day_of_year(2024, 366).day == 31);
static_assert(weekday(0) == 6);                             // 1960-01-01, a Friday
static_assert(weekday(-138061) == 6);                       // 1582-01-01, a Friday (proleptic)
static_assert(weekday(days_from_civil(2026, 12, 7)) == 2);  // a Monday

}  // namespace nlhost::civil

#endif
