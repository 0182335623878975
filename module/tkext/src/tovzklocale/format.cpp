// The format entry points: a date, datetime or time value written by a
// pattern given as text or as a locale item.  Each selects the pattern first
// (-1), then refuses what it cannot write (-3): a missing, NaN or out-of-range
// value, hours beyond 32 bits, a width of INT32_MIN; then splits the value for
// the expander and passes its result on.
#include <cmath>

#include "tovzklocale.h"

namespace {

constexpr double kHoursLimit = 2147483648.0;  // whole hours must fit 32 bits

// A finite time of day, 0 or more: hours are not reduced to a day.
bool time_in_range(double time) { return !uwn::is_missing(time) && time >= 0 && time < HUGE_VAL; }

bool width_ok(const int32_t *width) {
  uwn::Field field;
  return uwn::field_of(width, &field);
}

}  // namespace

extern "C" {

int32_t zkfdate(char *dest, int32_t *width, const char *pattern, int32_t pattern_length, double date) {
  void *locale = uwn::current_locale();
  if (!uwn::select_pattern(locale, pattern, pattern_length)) return UWN_NO_ITEM;
  if (!uwn::date_in_range(date) || !width_ok(width)) return UWN_NO_VALUE;
  const double none = uwn::missing_value();
  return expand(locale, pattern, pattern_length, dest, width, date, none, none, none);
}

int32_t zkrfdttm(void *locale, char *dest, int32_t *width, const char *pattern, int32_t pattern_length,
                 double datetime) {
  if (!uwn::select_pattern(locale, pattern, pattern_length)) return UWN_NO_ITEM;
  if (!uwn::datetime_in_range(datetime) || !width_ok(width)) return UWN_NO_VALUE;
  const double hours = zhour(datetime);
  const double minutes = zminute(datetime);
  const double seconds = zsecond(datetime);
  const double date = zdatprt(datetime);
  return expand(locale, pattern, pattern_length, dest, width, date, hours, minutes, seconds);
}

int32_t zkfdttm(char *dest, int32_t *width, const char *pattern, int32_t pattern_length, double datetime) {
  return zkrfdttm(uwn::current_locale(), dest, width, pattern, pattern_length, datetime);
}

int32_t zkftime(char *dest, int32_t *width, const char *pattern, int32_t pattern_length, double time) {
  void *locale = uwn::current_locale();
  if (!uwn::select_pattern(locale, pattern, pattern_length)) return UWN_NO_ITEM;
  if (!time_in_range(time) || !width_ok(width)) return UWN_NO_VALUE;
  const double hours = std::floor(std::fabs(time / 3600));  // not reduced to a day
  if (!(hours < kHoursLimit)) return UWN_NO_VALUE;
  const double minutes = zminute(time);
  const double seconds = zsecond(time);
  return expand(locale, pattern, pattern_length, dest, width, uwn::missing_value(), hours, minutes, seconds);
}

}  // extern "C"
