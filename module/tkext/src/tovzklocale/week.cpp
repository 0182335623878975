// Year, week and day of a date under the week rules U (Sunday weeks, week 1
// from the first Sunday), W (Monday weeks, week 1 from the first Monday) and
// V (ISO 8601 weeks and week-based year).  Arithmetic is 64-bit: whatever the
// host answers for a date, no sum overflows.
#include "tovzklocale.h"
#include "whole_number.h"

namespace {

// Days from the Monday of ISO week 1 to day y of the year (0-based) whose
// weekday is k (0 = Sunday).  382 = 54 * 7 + 4 keeps the dividend positive
// from y = -366 up; 4 is Thursday, the day that fixes week 1.
int64_t iso_days(int64_t y, int64_t k) { return y - ((y - k + 382) % 7) + 3; }

}  // namespace

extern "C" int32_t iso_week_days(int32_t y, int32_t k) { return static_cast<int32_t>(iso_days(y, k)); }

// The rule's length is not read.  A letter other than U, W, V leaves the week
// at -1 and the year at the calendar year.
extern "C" int32_t get_yywwdd(const char *rule, int32_t, double *year, double *week, double *day,
                              double date) {
  *year = -1;
  *week = -1;
  *day = -1;
  int32_t month_unused, day_unused, calendar_year;
  getMonthDayYear(&month_unused, &day_unused, &calendar_year, date);
  const double jan1 = zmdy(1, 1, calendar_year);
  const int64_t weekday = uwn::to_int32_or(zwekday(date), 0);  // 1 = Sunday ... 7 = Saturday
  const int64_t d = days_actact(jan1, date);                   // 0 on 1 January

  int64_t y = calendar_year;
  *year = static_cast<double>(y);
  const int64_t monday_based = weekday == 1 ? 7 : weekday - 1;  // 1 = Monday ... 7 = Sunday
  switch (rule == nullptr ? 0 : rule[0]) {
    case 'U':
      *week = static_cast<double>((d - weekday + 8) / 7);
      *day = static_cast<double>(weekday);
      break;
    case 'W': {
      const int64_t since_monday = (weekday + 5) % 7;
      *week = static_cast<double>((d - since_monday + 7) / 7);
      *day = static_cast<double>(monday_based);
      break;
    }
    case 'V': {
      const int64_t k = weekday - 1;
      int64_t r = iso_days(d, k);
      if (r < 0) {
        // Last week of the previous year.
        --y;
        r = iso_days(d + 365 + isLeapYear(static_cast<int32_t>(y)), k);
      } else {
        // Week 1 of the next year when its Monday is on or before this day.
        const int64_t r_next = iso_days(d - 365 - isLeapYear(static_cast<int32_t>(y)), k);
        if (r_next >= 0) {
          ++y;
          r = r_next;
        }
      }
      *year = static_cast<double>(y);
      *week = static_cast<double>(r / 7 + 1);
      *day = static_cast<double>(monday_based);
      break;
    }
    default: break;
  }
  return 0;
}
