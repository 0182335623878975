// Day numbers of (month, day, year) triples and the same-year ACT/ACT count,
// inline: the week routines count the days from 1 January on every call.
// Sums are 64-bit so that no triple the host can yield overflows them.
#ifndef TOVZKLOCALE_DAY_NUMBERS_H
#define TOVZKLOCALE_DAY_NUMBERS_H

#include <cstdint>

#include "uwn_module.h"
#include "whole_number.h"

extern "C" {
// The ACT/ACT day count from start to end across years, from the triples the
// host gave for them (out of line: a count from 1 January never needs it).
int64_t days_actact_across(int32_t m1, int32_t d1, int32_t y1, int32_t m2, int32_t d2, int32_t y2,
                           bool forward);
}

namespace uwn {

// Days that a date's month and its leap days before it add to its day
// number: the months before it at 31 days less the shortfall of the 30-day
// months and February, 3, 3, 4, 4, 5, 5, 5, 6, 6, 7 from March on (the
// truncated 0.4 m + 2.3, which also answers for a month past 12).
inline int64_t month_shift(int64_t m) {
  static constexpr int8_t kShift[13] = {0, 0, 0, 3, 3, 4, 4, 5, 5, 5, 6, 6, 7};
  if (m <= 2) return 0;
  return m <= 12 ? kShift[m] : static_cast<int64_t>(0.4 * static_cast<double>(m) + 2.3);
}

// The leap-day term of a day number: quotients truncated toward zero.
inline int64_t leap_term(int64_t base_year) { return base_year / 4 - base_year / 100 + base_year / 400; }

inline bool leap(int64_t y) { return y % 4 == 0 && (y % 400 == 0 || y % 100 != 0); }

// leap_term(y) - leap_term(y - 1): 1 in a leap year from year 1 on.
inline int64_t leap_step(int64_t y) { return y > 0 ? (leap(y) ? 1 : 0) : leap_term(y) - leap_term(y - 1); }

// The day number of a triple, on a 64-bit year so that callers may step a
// year past the int32 range.  The quotients truncate toward zero.  Integer
// division gives what the double quotients b / 100.0 and b / 400.0 truncated
// did for every year an int32 holds: a quotient that is not whole lies at
// least 1/400 from the nearest whole number, far more than the double's
// rounding moves it.
inline int64_t day_number(int64_t m, int64_t d, int64_t y) {
  const int64_t base_year = m > 2 ? y : y - 1;  // January and February count with the year before
  return 365 * y + 31 * (m - 1) + d + leap_term(base_year) - month_shift(m);
}

// day_number(m2, d2, y) - day_number(m1, d1, y), with the terms of the year
// that cancel left out.
inline int64_t same_year_days(int64_t m1, int64_t d1, int64_t m2, int64_t d2, int64_t y) {
  int64_t n = 31 * (m2 - m1) + (d2 - d1) - (month_shift(m2) - month_shift(m1));
  if ((m1 > 2) != (m2 > 2)) n += m2 > 2 ? leap_step(y) : -leap_step(y);
  return n;
}

// The host's month, day and year of a date (zjuldat, then zymdjul); what does
// not fit int32 is 0, and a missing date yields whatever the host answers.
struct Mdy {
  int32_t month, day, year;
};
inline Mdy month_day_year(double date) {
  double y = 0, m = 0, d = 0;
  zymdjul(&y, &m, &d, zjuldat(date));
  return {to_int32_or(m, 0), to_int32_or(d, 0), to_int32_or(y, 0)};
}

// The ACT/ACT day count from start to end (negative when end comes first),
// from the host's triples for both.
inline int64_t actact_days(double start, double end) {
  const Mdy a = month_day_year(start), b = month_day_year(end);
  // Equal dates, or a missing (NaN) one, count 0.
  if (!(start < end) && !(start > end)) return 0;
  // Nearly always one year (the week routines count from 1 January): the
  // split into leap and common days adds up to the plain difference.
  if (a.year == b.year) return same_year_days(a.month, a.day, b.month, b.day, a.year);
  return days_actact_across(a.month, a.day, a.year, b.month, b.day, b.year, start < end);
}

}  // namespace uwn

#endif  // TOVZKLOCALE_DAY_NUMBERS_H
