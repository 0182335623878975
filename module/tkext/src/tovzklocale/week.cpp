// Year, week and day of a date under the week rules U (Sunday weeks, week 1
// from the first Sunday), W (Monday weeks, week 1 from the first Monday) and
// V (ISO 8601 weeks and week-based year).  Arithmetic is 64-bit: whatever the
// host answers for a date, no sum overflows.
#include "day_numbers.h"
#include "tovzklocale.h"
#include "whole_number.h"

namespace {

// Days from the Monday of ISO week 1 to day y of the year (0-based) whose
// weekday is k (0 = Sunday).  382 = 54 * 7 + 4 keeps the dividend positive
// from y = -366 up; 4 is Thursday, the day that fixes week 1.  The remainder
// is taken in 32 bits whenever the dividend fits them.
int64_t iso_days(int64_t y, int64_t k) {
  const int64_t x = y - k + 382;
  const int64_t r = x >= 0 && x <= int64_t{UINT32_MAX} ? static_cast<uint32_t>(x) % 7u : x % 7;
  return y - r + 3;
}

}  // namespace

extern "C" int32_t iso_week_days(int32_t y, int32_t k) { return static_cast<int32_t>(iso_days(y, k)); }

namespace uwn {

// The rule is its first byte.  A letter other than U, W, V leaves the week
// and the day at -1 and the year at the calendar year.
WeekDate week_date(const char *rule, double date) {
  const int32_t calendar_year = month_day_year(date).year;
  const double jan1 = zmdy(1, 1, calendar_year);
  const int64_t weekday = to_int32_or(zwekday(date), 0);  // 1 = Sunday ... 7 = Saturday
  const int64_t d = actact_days(jan1, date);              // 0 on 1 January

  WeekDate w{calendar_year, -1, -1};
  const int64_t monday_based = weekday == 1 ? 7 : weekday - 1;  // 1 = Monday ... 7 = Sunday
  switch (rule == nullptr ? 0 : rule[0]) {
    case 'U':
      w.week = (d - weekday + 8) / 7;
      w.day = weekday;
      break;
    case 'W': {
      const int64_t since_monday = (weekday + 5) % 7;
      w.week = (d - since_monday + 7) / 7;
      w.day = monday_based;
      break;
    }
    case 'V': {
      const int64_t k = weekday - 1;
      int64_t r = iso_days(d, k);
      if (r < 0) {
        // Last week of the previous year.
        --w.year;
        r = iso_days(d + 365 + (leap(static_cast<int32_t>(w.year)) ? 1 : 0), k);
      } else {
        // Week 1 of the next year when its Monday is on or before this day.
        const int64_t r_next = iso_days(d - 365 - (leap(static_cast<int32_t>(w.year)) ? 1 : 0), k);
        if (r_next >= 0) {
          ++w.year;
          r = r_next;
        }
      }
      w.week = r / 7 + 1;
      w.day = monday_based;
      break;
    }
    default: break;
  }
  return w;
}

}  // namespace uwn

// The rule's length is not read.
extern "C" int32_t get_yywwdd(const char *rule, int32_t, double *year, double *week, double *day,
                              double date) {
  const uwn::WeekDate w = uwn::week_date(rule, date);
  *year = static_cast<double>(w.year);
  *week = static_cast<double>(w.week);
  *day = static_cast<double>(w.day);
  return 0;
}
