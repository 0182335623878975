// The locale library's internal routines: shared by its units and reached by
// the tests through the module's static library.  Not exported.
#ifndef TOVZKLOCALE_H
#define TOVZKLOCALE_H

#include "uwn_module.h"

extern "C" {

// Reads text against a locale date, datetime or time pattern.  Results:
// 0 read; 1 literal mismatch or incomplete/invalid date; 2 bad directive or
// unreadable field; -1 the locale lacks its time patterns (items 35, 36).
int32_t getdate_fixlen(void *locale, const char *text, int32_t text_length, const char *pattern,
                       int32_t pattern_length, double *date_out, double *time_out);

// The two-character number field at field (available bytes from there): its
// value 0..99, or -1.
int32_t s2i_fixlen(const char *field, int32_t available);

// Writes a date, time or datetime by a pattern into a fixed-width field.
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
int32_t isLeapYear(int32_t y);
int32_t lastDay(int32_t y, int32_t m);

}  // extern "C"

#endif  // TOVZKLOCALE_H
