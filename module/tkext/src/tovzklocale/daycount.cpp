// Day counts and year fractions between two dates under the day-count bases
// 1 (30/360), 2 (ACT/ACT), 3 (ACT/360) and 4 (ACT/365).  Calendar arithmetic
// runs on (month, day, year) triples that the host derives from date values;
// sums are 64-bit so that no triple the host can yield overflows them.
#include "day_numbers.h"
#include "tovzklocale.h"
#include "whole_number.h"

namespace {

using uwn::day_number;
using uwn::leap;

int64_t floor_div(int64_t a, int64_t b) { return a / b - ((a % b != 0) && ((a < 0) != (b < 0))); }

// Leap years among the years up to y, counted from a fixed origin: only
// differences are used.
int64_t leap_years_through(int64_t y) { return floor_div(y, 4) - floor_div(y, 100) + floor_div(y, 400); }

}  // namespace

extern "C" void getMonthDayYear(int32_t *month, int32_t *day, int32_t *year, double date) {
  const uwn::Mdy t = uwn::month_day_year(date);
  if (month != nullptr) *month = t.month;
  if (day != nullptr) *day = t.day;
  if (year != nullptr) *year = t.year;
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

extern "C" int64_t days_actact_across(int32_t m1, int32_t d1, int32_t y1, int32_t m2, int32_t d2, int32_t y2,
                                      bool forward) {
  if (forward) {
    const ActAct n = split_actact(m1, d1, y1, m2, d2, y2);
    return n.common_days + n.leap_days;
  }
  const ActAct n = split_actact(m2, d2, y2, m1, d1, y1);
  return -(n.common_days + n.leap_days);
}

extern "C" int64_t days_actact(double start, double end) { return uwn::actact_days(start, end); }

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
