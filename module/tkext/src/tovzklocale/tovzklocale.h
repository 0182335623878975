// The locale library's internal routines: shared by its units and reached by
// the tests through the module's static library.  Not exported.
#ifndef TOVZKLOCALE_H
#define TOVZKLOCALE_H

#include "entry_text.h"
#include "uwn_module.h"

namespace uwn {

// The accepted range of dates and datetimes, and of years read from text.
constexpr double kFirstDate = UWN_FIRST_DATE;
constexpr double kDateLimit = UWN_DATE_LIMIT;
constexpr double kSecondsPerDay = UWN_SECONDS_PER_DAY;
constexpr double kFirstDatetime = static_cast<double>(UWN_FIRST_DATETIME);
constexpr double kDatetimeLimit = static_cast<double>(UWN_DATETIME_LIMIT);
constexpr int32_t kFirstYear = UWN_FIRST_YEAR;
constexpr int32_t kLastYear = UWN_LAST_YEAR;

// A date or datetime the library accepts; NaN fails every comparison and a
// missing value is refused by name.
inline bool date_in_range(double date) {
  return !is_missing(date) && date >= kFirstDate && date < kDateLimit;
}
inline bool datetime_in_range(double t) {
  return !is_missing(t) && t >= kFirstDatetime && t < kDatetimeLimit;
}

// The field an in/out width stands for.  A negative width is a right-aligned
// field of its absolute value; INT32_MIN has no absolute value and gives no
// field (false), as does a null width.
struct Field {
  int32_t size;
  bool right;
};
inline bool field_of(const int32_t *width, Field *field) {
  if (width == nullptr || *width == INT32_MIN) return false;
  field->right = *width < 0;
  field->size = field->right ? -*width : *width;
  return true;
}

// The number of decimal digits of |value| (1 for 0).
inline int32_t digit_count(int64_t value) {
  int32_t n = 1;
  for (uint64_t v = value < 0 ? 0 - static_cast<uint64_t>(value) : static_cast<uint64_t>(value); v >= 10;
       v /= 10)
    ++n;
  return n;
}

// The year a two-digit year yy (0..99) stands for in the hundred years from
// first on: the century of first, or the next one for yy below first's last
// two digits (yy equal to them is first itself).
constexpr int64_t year_in_window(int64_t yy, int64_t first) {
  const int64_t century = first - first % 100;
  return yy + (yy < first % 100 ? century + 100 : century);
}

// A null pattern with a positive length names the locale item that holds it:
// pattern and length become the item's text (false when the locale does not
// have it).  Any other pattern is left as given.  Inline: every read and
// write of a field passes here.
inline bool select_pattern(void *locale, const char *&pattern, int32_t &length) {
  if (pattern != nullptr || length <= 0) return true;
  const uwn_locale_entry *entry = nullptr;
  if (wzsxglc(locale, length, &entry) != 0 || entry == nullptr) return false;
  pattern = entry->text;
  length = entry_text_length(entry);
  return true;
}

// Year, week and day of a date under a week rule, whole (get_yywwdd's
// answers before they become doubles).
struct WeekDate {
  int64_t year, week, day;
};
WeekDate week_date(const char *rule, double date);

}  // namespace uwn

extern "C" {

// Reads text against a locale date, datetime or time pattern.  Results:
// 0 read; 1 literal mismatch or incomplete/invalid date; 2 bad directive or
// unreadable field; -1 the locale lacks its time patterns (items 35, 36).
int32_t getdate_fixlen(void *locale, const char *text, int32_t text_length, const char *pattern,
                       int32_t pattern_length, double *date_out, double *time_out);

// zkpdttm's answer for a pattern given as text: getdate_fixlen's reading,
// with a datetime of the numeric shape read in its own frame.
int32_t uwn_read_datetime(const char *text, int32_t length, const char *pattern, int32_t pattern_length,
                          double *result);

// The two-character number field at field (available bytes from there): its
// value 0..99, or -1.
int32_t s2i_fixlen(const char *field, int32_t available);

// Writes a date, time or datetime by a pattern into a fixed-width field:
// UWN_OK (width set to the text's length), UWN_TRUNCATED, UWN_BAD_DIRECTIVE or
// UWN_NO_VALUE (no field).  With a null dest it only measures and returns the
// expansion's full length instead of a status (0 or more: never negative).
int32_t expand(void *locale, const char *pattern, int32_t pattern_length, char *dest, int32_t *width,
               double date, double hours, double minutes, double seconds);

// Writes value as exactly width digits with pad (0: no padding, digits only);
// returns the count of bytes written.
int32_t i2s(int32_t value, char *dest, int32_t width, char pad);

// Year, week and day of a date under the week rule 'U', 'W' or 'V'.
int32_t get_yywwdd(const char *rule, int32_t rule_length, double *year, double *week, double *day,
                   double date);

// Days from the Monday of ISO week 1 to day y (0-based day of the year) whose
// weekday is k (0 = Sunday).
int32_t iso_week_days(int32_t y, int32_t k);

// Lays out week-date text in a field by its width.
int32_t construct_week(const char *rule, int32_t rule_length, char *dest, int32_t *width, double year,
                       double week, double day);

// Day count and year fraction between two dates under a day-count basis
// (1 30/360, 2 ACT/ACT, 3 ACT/360, 4 ACT/365); 1 for any other basis.
int32_t zdatdif(int32_t basis, int64_t *days, double *fraction, double start, double end);
void getMonthDayYear(int32_t *month, int32_t *day, int32_t *year, double date);
int64_t dateOffset(int32_t m, int32_t d, int32_t y);
int64_t diff_actual(int32_t m1, int32_t d1, int32_t y1, int32_t m2, int32_t d2, int32_t y2);
int64_t diff_30_360(int32_t m1, int32_t d1, int32_t y1, int32_t m2, int32_t d2, int32_t y2);
void diff_actact(int32_t m1, int32_t d1, int32_t y1, int32_t m2, int32_t d2, int32_t y2, int64_t *days,
                 double *fraction);
// The ACT/ACT day count from start to end (zdatdif's, without the year
// fraction), with the same host calls.
int64_t days_actact(double start, double end);
int32_t isLeapYear(int32_t y);
int32_t lastDay(int32_t y, int32_t m);

}  // extern "C"

#endif  // TOVZKLOCALE_H
