// Day counts and year fractions between two dates under the day-count bases
// 1 (30/360), 2 (ACT/ACT), 3 (ACT/360) and 4 (ACT/365).  Calendar arithmetic
// runs on (month, day, year) triples that the host derives from date values;
// sums are 64-bit so that no triple the host can yield overflows them.
#include "tovzklocale.h"
#include "whole_number.h"

namespace {

// Days that a date's month and its leap days before it add to its day
// number: the months before it at 31 days less the shortfall of the 30-day
// months and February, 3, 3, 4, 4, 5, 5, 5, 6, 6, 7 from March on.
int64_t month_shift(int64_t m) {
  return m > 2 ? static_cast<int64_t>(0.4 * static_cast<double>(m) + 2.3) : 0;
}

// The leap-day term of a day number: quotients truncated toward zero.
int64_t leap_term(int64_t base_year) { return base_year / 4 - base_year / 100 + base_year / 400; }

// dateOffset on a 64-bit year, so that callers may step a year past the
// int32 range.  The quotients truncate toward zero.  Integer division gives
// what the double quotients b / 100.0 and b / 400.0 truncated did for every
// year an int32 holds: a quotient that is not whole lies at least 1/400 from
// the nearest whole number, far more than the double's rounding moves it.
int64_t day_number(int64_t m, int64_t d, int64_t y) {
  const int64_t base_year = m > 2 ? y : y - 1;  // January and February count with the year before
  return 365 * y + 31 * (m - 1) + d + leap_term(base_year) - month_shift(m);
}

// day_number(m2, d2, y) - day_number(m1, d1, y), with the terms of the year
// that cancel left out.
int64_t same_year_days(int64_t m1, int64_t d1, int64_t m2, int64_t d2, int64_t y) {
  int64_t n = 31 * (m2 - m1) + (d2 - d1) - (month_shift(m2) - month_shift(m1));
  if ((m1 > 2) != (m2 > 2)) {
    const int64_t leap_day = leap_term(y) - leap_term(y - 1);
    n += m2 > 2 ? leap_day : -leap_day;
  }
  return n;
}

bool leap(int64_t y) { return y % 4 == 0 && (y % 400 == 0 || y % 100 != 0); }

int64_t floor_div(int64_t a, int64_t b) { return a / b - ((a % b != 0) && ((a < 0) != (b < 0))); }

// Leap years among the years up to y, counted from a fixed origin: only
// differences are used.
int64_t leap_years_through(int64_t y) { return floor_div(y, 4) - floor_div(y, 100) + floor_div(y, 400); }

}  // namespace

extern "C" void getMonthDayYear(int32_t *month, int32_t *day, int32_t *year, double date) {
  double y = 0, m = 0, d = 0;
  zymdjul(&y, &m, &d, zjuldat(date));
  // A missing date yields whatever the host answers; what does not fit is 0.
  if (month != nullptr) *month = uwn::to_int32_or(m, 0);
  if (day != nullptr) *day = uwn::to_int32_or(d, 0);
  if (year != nullptr) *year = uwn::to_int32_or(y, 0);
}

extern "C" int64_t dateOffset(int32_t m, int32_t d, int32_t y) { return day_number(m, d, y); }

extern "C" int64_t diff_actual(int32_t m1, int32_t d1, int32_t y1, int32_t m2, int32_t d2, int32_t y2) {
  return day_number(m2, d2, y2) - day_number(m1, d1, y1);
}

extern "C" int32_t isLeapYear(int32_t y) { return leap(y) ? 1 : 0; }

extern "C" int32_t lastDay(int32_t y, int32_t m) {
  switch (m) {
    case 4:
    case 6:
    case 9:
    case 11: return 30;
    case 2: return leap(y) ? 29 : 28;
    default: return 31;
  }
}

extern "C" int64_t diff_30_360(int32_t m1, int32_t d1, int32_t y1, int32_t m2, int32_t d2, int32_t y2) {
  int64_t first = d1, second = d2;
  if (m1 == 2 && d1 == lastDay(y1, 2)) {
    if (m2 == 2 && d2 == lastDay(y2, 2)) second = 30;
    first = 30;
  }
  if (second == 31 && (first == 30 || first == 31)) second = 30;
  if (first == 31) first = 30;
  return 360 * (int64_t{y2} - y1) + 30 * (int64_t{m2} - m1) + (second - first);
}

namespace {

// The ACT/ACT count split into days of leap years and days of common years.
// The first date must not be after the second.
struct ActAct {
  int64_t leap_days = 0;
  int64_t common_days = 0;
};

ActAct split_actact(int32_t m1, int32_t d1, int32_t y1, int32_t m2, int32_t d2, int32_t y2) {
  ActAct n;
  auto add = [&](int64_t year, int64_t days) { (leap(year) ? n.leap_days : n.common_days) += days; };
  if (y1 == y2) {
    add(y1, day_number(m2, d2, y2) - day_number(m1, d1, y1));
  } else {
    const int64_t next = int64_t{y1} + 1;
    add(y1, day_number(1, 1, next) - day_number(m1, d1, y1));
    // The full years between, counted in closed form rather than one by one.
    const int64_t full = int64_t{y2} - 1 - next + 1;
    if (full > 0) {
      const int64_t leaps = leap_years_through(int64_t{y2} - 1) - leap_years_through(y1);
      n.leap_days += 366 * leaps;
      n.common_days += 365 * (full - leaps);
    }
    add(y2, day_number(m2, d2, y2) - day_number(1, 1, y2));
  }
  return n;
}

}  // namespace

// The caller guarantees that the first date is not after the second.
extern "C" void diff_actact(int32_t m1, int32_t d1, int32_t y1, int32_t m2, int32_t d2, int32_t y2,
                            int64_t *days, double *fraction) {
  const ActAct n = split_actact(m1, d1, y1, m2, d2, y2);
  if (days != nullptr) *days = n.common_days + n.leap_days;
  if (fraction != nullptr) {
    *fraction = static_cast<double>(n.common_days) / 365.0 + static_cast<double>(n.leap_days) / 366.0;
  }
}

extern "C" int64_t days_actact(double start, double end) {
  int32_t m1, d1, y1, m2, d2, y2;
  getMonthDayYear(&m1, &d1, &y1, start);
  getMonthDayYear(&m2, &d2, &y2, end);
  // Equal dates, or a missing (NaN) one, count 0.
  if (!(start < end) && !(start > end)) return 0;
  // Nearly always one year (get_yywwdd counts from 1 January): the split
  // into leap and common days adds up to the plain difference.
  if (y1 == y2) return same_year_days(m1, d1, m2, d2, y1);
  if (start < end) {
    const ActAct n = split_actact(m1, d1, y1, m2, d2, y2);
    return n.common_days + n.leap_days;
  }
  const ActAct n = split_actact(m2, d2, y2, m1, d1, y1);
  return -(n.common_days + n.leap_days);
}

extern "C" int32_t zdatdif(int32_t basis, int64_t *days, double *fraction, double start, double end) {
  int32_t m1, d1, y1, m2, d2, y2;
  getMonthDayYear(&m1, &d1, &y1, start);
  getMonthDayYear(&m2, &d2, &y2, end);
  int64_t n = 0;
  double f = 0.0;
  switch (basis) {
    case 1:
      n = diff_30_360(m1, d1, y1, m2, d2, y2);
      f = static_cast<double>(n) / 360.0;
      break;
    case 2:
      // Equal dates, or a missing (NaN) one, leave 0 and 0.0.
      if (start < end) {
        diff_actact(m1, d1, y1, m2, d2, y2, &n, &f);
      } else if (start > end) {
        diff_actact(m2, d2, y2, m1, d1, y1, &n, &f);
        n = -n;
        f = -f;
      }
      break;
    case 3:
      n = diff_actual(m1, d1, y1, m2, d2, y2);
      f = static_cast<double>(n) / 360.0;
      break;
    case 4:
      n = diff_actual(m1, d1, y1, m2, d2, y2);
      f = static_cast<double>(n) / 365.0;
      break;
    default: return 1;
  }
  if (days != nullptr) *days = n;
  if (fraction != nullptr) *fraction = f;
  return 0;
}
